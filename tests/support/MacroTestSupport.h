#pragma once

#include "config/DocumentTestSupport.h"
#include "keys/KeyTable.h"
#include "macro/MacroBlock.h"
#include "macro/MacroImage.h"
#include "macro/MacroList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The document fixture: its language file has the macro texts too.
using MacroFixture = DocumentFixture;

inline MacroCopy MakeMacro(uint16_t id, const std::string& name, std::vector<MacroEvent> events = {},
                           uint8_t cycles = 1, uint16_t newFlag = 0)
{
    MacroCopy copy;
    MacroBlock block = copy.View();
    block.SetName(name);
    block.SetMacroId(id);
    block.SetCycles(cycles);
    block.SetNewFlag(newFlag);
    block.SetEvents(events);
    return copy;
}

// Whole blocks back to back, as the document and the device copy hold them.
inline std::vector<uint8_t> MacroArea(const std::vector<MacroCopy>& macros)
{
    std::vector<uint8_t> area;
    for (const MacroCopy& copy : macros)
        area.insert(area.end(), copy.bytes.begin(), copy.bytes.end());
    return area;
}

// A list of the given names with ids 1..n, as loaded from the document.
// The keyboard's macro image of macros, with or without their names.
inline std::vector<uint8_t> MacroImageOf(const std::vector<MacroCopy>& macros, bool withNames)
{
    std::vector<uint8_t> area = MacroArea(macros);
    MacroImageSizes sizes = ComputeMacroImageSize(area);
    std::vector<uint8_t> image(withNames ? sizes.withNames : sizes.withoutNames);
    EXPECT_EQ(BuildMacroImage(area, image, withNames), 1);
    return image;
}

// count events of two keys in turn, for a long macro.
inline std::vector<MacroEvent> ManyMacroEvents(int count)
{
    std::vector<MacroEvent> events;
    for (int i = 0; i < count; ++i)
        events.push_back({static_cast<uint32_t>(10 * (i % 4000)), static_cast<uint16_t>(i % 2 ? 30 : KeyCodes::LeftShift),
                          static_cast<uint16_t>(i % 2)});
    return events;
}

inline MacroList ListOfMacros(const std::vector<std::string>& names)
{
    MacroList list;
    for (size_t k = 0; k < names.size(); ++k)
        list.macros.push_back(MakeMacro(static_cast<uint16_t>(k + 1), names[k]));
    return list;
}

inline std::vector<std::string> MacroNames(const MacroList& list)
{
    std::vector<std::string> names;
    for (const MacroCopy& copy : list.macros)
        names.push_back(copy.View().Name());
    return names;
}
