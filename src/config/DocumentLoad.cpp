#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "config/ConfigDocument.h"
#include "macro/MacroBlock.h"

namespace {

constexpr uint16_t MaxPlayMode = PlayUntilKeyAgain;

// A file is user data: repair what the rest of the program relies on instead
// of refusing the whole file.
void RepairLoadedMacros(uint8_t* area, int count)
{
    std::array<bool, MaxMacroCount + 1> used{};
    std::vector<int> needId;
    for (int i = 0; i < count; ++i) {
        MacroBlock macro(area + static_cast<size_t>(i) * MacroBlockSize);
        // A name without a terminator ends at unit 249.
        WriteU16(macro.Bytes(), MacroNameOffset + 2 * MaxMacroNameUnits, 0);
        if (macro.EventCount() > MaxMacroEvents)
            macro.SetEventCount(MaxMacroEvents);
        if (macro.PlayMode() > MaxPlayMode)
            macro.SetPlayMode(PlayOnce);
        if (macro.Cycles() == 0)
            macro.SetCycles(1);
        const uint16_t id = macro.MacroId();
        if (id >= 1 && id <= MaxMacroCount && !used[id])
            used[id] = true;
        else
            needId.push_back(i);
    }
    // Ids must be unique and in 1..100 (at most 100 macros, so one is free).
    uint16_t next = 1;
    for (int i : needId) {
        while (used[next])
            ++next;
        used[next] = true;
        MacroBlock(area + static_cast<size_t>(i) * MacroBlockSize).SetMacroId(next);
    }
}

struct LoadedStrings {
    std::vector<StringEntry> table = std::vector<StringEntry>(StringEntryCount);
    uint32_t stringBytes = 0;
};

// Strings of type-3 and type-6 slots. A slot whose offset does not lead to a
// terminated string inside the area gets none, and the copies together never
// exceed the area's size, so slots sharing one hostile long string cannot
// multiply the memory a file costs.
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
    uint64_t budget = areaBytes;
    for (const Wanted& w : wanted) {
        if (!w.found)
            continue;
        const uint64_t length = (uint64_t{w.end} - w.unit + 1) * 2;
        if (length > budget)
            continue;
        budget -= length;
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
    return std::max<uint64_t>(areas, ReadU32(header, HeaderTotalLengthOffset));
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
    RepairLoadedMacros(macros.data(), macroCount);
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

bool ReadExactly(int fd, uint8_t* out, size_t size)
{
    size_t got = 0;
    while (got < size) {
        ssize_t n = ::read(fd, out + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
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
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        InstallDefaultDocument();
        return 0;
    }
    // The header decides how much to read, but only after the file's real
    // size has confirmed it: a hostile count never sizes an allocation.
    struct stat st {};
    std::array<uint8_t, ProfileHeaderSize> header{};
    uint64_t required = 0;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)
        && static_cast<uint64_t>(st.st_size) >= ConfigBlockSize && ReadExactly(fd, header.data(), header.size());
    if (ok) {
        required = RequiredFileBytes(header.data());
        ok = required != 0 && required <= static_cast<uint64_t>(st.st_size) && required <= SIZE_MAX;
    }
    std::vector<uint8_t> bytes;
    if (ok) {
        bytes.resize(static_cast<size_t>(required));
        std::memcpy(bytes.data(), header.data(), header.size());
        ok = ReadExactly(fd, bytes.data() + header.size(), bytes.size() - header.size());
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
