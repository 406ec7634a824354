#include <algorithm>
#include <array>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "config/ConfigDocument.h"
#include "config/ProfileFile.h"
#include "macro/MacroBlock.h"
#include "platform/FileAccess.h"

namespace {

// Ids must be unique and in 1..100 (at most 100 macros, so one is free). A
// macro whose id breaks that gets a free one, and the key slots that named
// it follow, so no key starts playing another macro: a type-4 slot plays the
// first macro with its id. Everything else in the blocks stays as the file
// says; readers bound the event count and the name themselves.
void RenumberMacroIds(ConfigBlock& block, uint8_t* area, int count)
{
    std::array<bool, MaxMacroCount + 1> used{};
    std::vector<uint16_t> ids(static_cast<size_t>(count));
    std::vector<int> needId;
    for (int i = 0; i < count; ++i) {
        const uint16_t id = MacroBlock(area + static_cast<size_t>(i) * MacroBlockSize).MacroId();
        ids[static_cast<size_t>(i)] = id;
        if (id >= 1 && id <= MaxMacroCount && !used[id])
            used[id] = true;
        else
            needId.push_back(i);
    }
    if (needId.empty())
        return;
    // Ids that keys name although no macro has them: handing one out would
    // make those keys play the renumbered macro.
    std::array<bool, MaxMacroCount + 1> named{};
    for (int s = 0; s < KeySlotCount; ++s) {
        const uint32_t value = SlotValue(block, s);
        if (SlotType(block, s) == 4 && value >= 1 && value <= MaxMacroCount)
            named[value] = true;
    }
    std::vector<bool> moved(KeySlotCount, false);
    for (int i : needId) {
        uint16_t next = 0;
        for (uint16_t id = 1; id <= MaxMacroCount && next == 0; ++id)
            next = !used[id] && !named[id] ? id : 0;
        for (uint16_t id = 1; id <= MaxMacroCount && next == 0; ++id)
            next = !used[id] ? id : 0;
        used[next] = true;
        const uint16_t old = ids[static_cast<size_t>(i)];
        MacroBlock(area + static_cast<size_t>(i) * MacroBlockSize).SetMacroId(next);
        // A duplicate's keys play the first macro with the id, which keeps it.
        if (std::find(ids.begin(), ids.begin() + i, old) != ids.begin() + i)
            continue;
        for (int s = 0; s < KeySlotCount; ++s) {
            if (!moved[static_cast<size_t>(s)] && SlotType(block, s) == 4 && SlotValue(block, s) == old) {
                SetSlotValue(block, s, next);
                moved[static_cast<size_t>(s)] = true;
            }
        }
    }
}

struct LoadedStrings {
    std::vector<StringEntry> table = std::vector<StringEntry>(StringEntryCount);
    uint32_t stringBytes = 0;
};

// Strings of type-3 and type-6 slots. A slot whose offset does not lead to a
// terminated string inside the area gets none. Slots may share a string and
// each keeps it; a string longer than one slot may hold is not read, so slots
// sharing one hostile long string cannot multiply the memory a file costs.
LoadedStrings ReadStrings(const ConfigBlock& block, const uint8_t* area, uint32_t areaBytes)
{
    LoadedStrings out;
    const uint32_t areaUnits = areaBytes / 2;
    struct Wanted {
        uint32_t unit;
        int slot;
        uint32_t end = 0; // unit of the terminator
        bool found = false;
    };
    std::vector<Wanted> wanted;
    for (int i = 0; i < KeySlotCount; ++i) {
        const uint16_t type = SlotType(block, i);
        const uint32_t unit = SlotValue(block, i) / 2;
        if ((type == 3 || type == 6) && unit < areaUnits)
            wanted.push_back({unit, i});
    }
    // Visit the offsets in ascending order so that slots pointing into one
    // long run share a single scan of it.
    std::sort(wanted.begin(), wanted.end(), [](const Wanted& a, const Wanted& b) { return a.unit < b.unit; });
    uint32_t lastEnd = 0;
    bool lastFound = false, scanned = false;
    for (Wanted& w : wanted) {
        if (!scanned || w.unit > lastEnd) {
            uint32_t end = w.unit;
            while (end < areaUnits && ReadU16(area, 2 * size_t{end}) != 0)
                ++end;
            lastFound = end < areaUnits;
            lastEnd = lastFound ? end : areaUnits - 1;
            scanned = true;
        }
        w.end = lastEnd;
        w.found = lastFound;
    }
    std::sort(wanted.begin(), wanted.end(), [](const Wanted& a, const Wanted& b) { return a.slot < b.slot; });
    for (const Wanted& w : wanted) {
        if (!w.found)
            continue;
        const uint64_t length = (uint64_t{w.end} - w.unit + 1) * 2;
        if (length > MaxSlotStringBytes)
            continue;
        StringEntry& entry = out.table[static_cast<size_t>(w.slot)];
        entry.text.resize(w.end - w.unit);
        for (uint32_t u = w.unit; u < w.end; ++u)
            entry.text[u - w.unit] = static_cast<char16_t>(ReadU16(area, 2 * size_t{u}));
        entry.length = static_cast<uint32_t>(length);
        out.stringBytes += entry.length;
    }
    return out;
}

// What a file must hold, from its header: 0 when the header is unusable.
uint64_t RequiredFileBytes(const uint8_t* header)
{
    const uint16_t macroCount = ReadU16(header, HeaderMacroCountOffset);
    if (macroCount > MaxMacroCount)
        return 0;
    const uint64_t areas = ConfigBlockSize + uint64_t{macroCount} * MacroBlockSize
        + ReadU32(header, HeaderStringBytesOffset);
    const uint64_t required = std::max<uint64_t>(areas, ReadU32(header, HeaderTotalLengthOffset));
    return required <= LargestProfileFileBytes ? required : 0;
}

int32_t InstallFromBytes(const uint8_t* file, size_t size)
{
    if (size < ConfigBlockSize) {
        InstallDefaultDocument();
        return 0;
    }
    const uint64_t required = RequiredFileBytes(file);
    if (required == 0 || required > size) {
        InstallDefaultDocument();
        return 0;
    }
    auto block = std::make_unique<ConfigBlock>();
    std::memcpy(block->data(), file, ConfigBlockSize);
    const uint16_t macroCount = ReadU16(file, HeaderMacroCountOffset);
    const size_t macroBytes = size_t{macroCount} * MacroBlockSize;
    std::vector<uint8_t> macros(file + ConfigBlockSize, file + ConfigBlockSize + macroBytes);
    RenumberMacroIds(*block, macros.data(), macroCount);
    LoadedStrings strings = ReadStrings(
        *block, file + ConfigBlockSize + macroBytes, ReadU32(file, HeaderStringBytesOffset));

    FreeDocumentStrings();
    FreeDocumentMacros();
    FreeDocumentBlock();
    g_configDoc.block = std::move(block);
    g_configDoc.macros = std::move(macros);
    g_configDoc.macroCount = macroCount;
    g_configDoc.strings = std::move(strings.table);
    g_configDoc.stringBytes = strings.stringBytes;
    return 1;
}

} // namespace

int32_t LoadDocumentFromBytes(std::span<const uint8_t> file)
{
    DocumentLock lock;
    return InstallFromBytes(file.data(), file.size());
}

int32_t LoadDocumentFromFile(const std::string& path)
{
    DocumentLock lock;
    int error = 0;
    struct stat st {};
    const int fd = OpenRegularFile(path, error, st);
    if (fd < 0) {
        InstallDefaultDocument();
        return 0;
    }
    // The header decides how much to read, but only after the file's real
    // size has confirmed it: a hostile count never sizes an allocation.
    std::array<uint8_t, ProfileHeaderSize> header{};
    uint64_t required = 0;
    bool ok = static_cast<uint64_t>(st.st_size) >= ConfigBlockSize && ReadExactly(fd, header.data(), header.size(), error);
    if (ok) {
        required = RequiredFileBytes(header.data());
        ok = required != 0 && required <= static_cast<uint64_t>(st.st_size) && required <= SIZE_MAX;
    }
    std::vector<uint8_t> bytes;
    if (ok) {
        bytes.resize(static_cast<size_t>(required));
        std::memcpy(bytes.data(), header.data(), header.size());
        ok = ReadExactly(fd, bytes.data() + header.size(), bytes.size() - header.size(), error);
    }
    ::close(fd);
    if (!ok) {
        InstallDefaultDocument();
        return 0;
    }
    return InstallFromBytes(bytes.data(), bytes.size());
}

void InstallDefaultDocument()
{
    FreeDocumentStrings();
    FreeDocumentMacros();
    FreeDocumentBlock();
    if (g_configDoc.strings.size() != StringEntryCount)
        g_configDoc.strings.assign(StringEntryCount, StringEntry{});
    CreateDefaultBlock(std::string(), 0, true);
}
