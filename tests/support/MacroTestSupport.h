#pragma once

#include "config/DocumentTestSupport.h"
#include "macro/MacroBlock.h"
#include "macro/MacroList.h"

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
