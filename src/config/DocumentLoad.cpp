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

// Each slot keeps the string its offset finds, shared or not; a string
// longer than one slot may hold is not read, so slots sharing one hostile
// long string cannot multiply the memory a file costs.
LoadedStrings ReadStrings(const ConfigBlock& block, std::span<const uint8_t> area)
{
    LoadedStrings out;
    const std::vector<SlotString> found = FindSlotStrings(block, area);
    for (size_t slot = 0; slot < found.size(); ++slot) {
        const SlotString& string = found[slot];
        if (!string.found || string.Bytes() > MaxSlotStringBytes)
            continue;
        StringEntry& entry = out.table[slot];
        entry.text = SlotStringText(area, string);
        entry.length = static_cast<uint32_t>(string.Bytes());
        out.stringBytes += entry.length;
    }
    return out;
}

int32_t InstallFromBytes(const uint8_t* file, size_t size)
{
    const std::optional<ProfileFileAreas> areas = SplitProfileFile(std::span<const uint8_t>(file, size));
    if (!areas) {
        InstallDefaultDocument();
        return 0;
    }
    auto block = std::make_unique<ConfigBlock>();
    std::memcpy(block->data(), areas->block.data(), ConfigBlockSize);
    const uint16_t macroCount = areas->macroCount;
    std::vector<uint8_t> macros(areas->macros.begin(), areas->macros.end());
    RenumberMacroIds(*block, macros.data(), macroCount);
    LoadedStrings strings = ReadStrings(*block, areas->strings);

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
        required = RequiredProfileFileBytes(header.data());
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
