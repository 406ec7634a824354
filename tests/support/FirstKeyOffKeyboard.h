#pragma once

#include "device/virtual/VirtualKeyboard.h"
#include "device/virtual/VirtualKeyboardStateFile.h"

#include <memory>
#include <string>

// Makes stateFile a virtual keyboard unlike the factory one: the first key of
// every profile switched off, so that a profile file exported from it shows
// whether an import arrived. Empty when done, else why not.
inline std::string MakeFirstKeyOffKeyboard(const std::string& stateFile)
{
    std::string error;
    std::unique_ptr<VirtualKeyboard> keyboard = OpenVirtualKeyboard(stateFile, VirtualKeyboardOptions{}, error);
    if (!keyboard)
        return error.empty() ? "the keyboard could not be made" : error;
    KeyboardMemories m = keyboard->Memories();
    m.keyMaps[0] = m.keyMaps[1] = m.keyMaps[2] = 0;
    keyboard->SetMemories(m);
    return {};
}
