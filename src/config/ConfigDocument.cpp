#include "config/ConfigDocument.h"

#include <algorithm>
#include <cstring>

#include "platform/AtomicFile.h"

ConfigDocument g_configDoc;
ConfigDocument g_deviceDoc;

DocumentLock::DocumentLock() : guard_(g_configDoc.lock) {}

DocumentLock::DocumentLock(bool take) : guard_(g_configDoc.lock, std::defer_lock)
{
    if (take)
        guard_.lock();
}

DeviceCopyLock::DeviceCopyLock() : guard_(g_deviceDoc.lock) {}

KeySlot ReadKeySlot(const ConfigBlock& block, int slot)
{
    KeySlot out;
    std::memcpy(out.bytes.data(), block.data() + SlotOffset(slot), KeySlotSize);
    return out;
}

void WriteKeySlot(ConfigBlock& block, int slot, const KeySlot& value)
{
    std::memcpy(block.data() + SlotOffset(slot), value.bytes.data(), KeySlotSize);
}

uint16_t SlotType(const ConfigBlock& block, int slot)
{
    return ReadU16(block.data(), SlotOffset(slot) + SlotTypeOffset);
}

uint16_t SlotIdentity(const ConfigBlock& block, int slot)
{
    return ReadU16(block.data(), SlotOffset(slot) + SlotIdentityOffset);
}

uint32_t SlotValue(const ConfigBlock& block, int slot)
{
    return ReadU32(block.data(), SlotOffset(slot) + SlotValueOffset);
}

void SetSlotType(ConfigBlock& block, int slot, uint16_t type)
{
    WriteU16(block.data(), SlotOffset(slot) + SlotTypeOffset, type);
}

void SetSlotIdentity(ConfigBlock& block, int slot, uint16_t identity)
{
    WriteU16(block.data(), SlotOffset(slot) + SlotIdentityOffset, identity);
}

void SetSlotValue(ConfigBlock& block, int slot, uint32_t value)
{
    WriteU32(block.data(), SlotOffset(slot) + SlotValueOffset, value);
}

uint8_t HeaderChecksum(const uint8_t* block)
{
    uint8_t sum = 0;
    for (size_t i = 0; i < HeaderChecksumOffset; ++i)
        sum = static_cast<uint8_t>(sum + block[i]);
    return sum;
}

void BuildProfileHeader(uint8_t* block, uint16_t macroCount, uint32_t stringBytes, uint8_t flag)
{
    std::memset(block, 0, ProfileHeaderSize);
    WriteU16(block, HeaderSignatureOffset, ProfileSignature);
    WriteU16(block, HeaderLengthOffset, static_cast<uint16_t>(ProfileHeaderSize));
    WriteU16(block, HeaderProfilesOffset, ProfileCount);
    WriteU16(block, HeaderVersionOffset, ProfileFormatVersion);
    WriteU32(block, HeaderTotalLengthOffset,
        static_cast<uint32_t>(ConfigBlockSize + macroCount * MacroBlockSize + stringBytes));
    WriteU16(block, HeaderSlotCountOffset, KeySlotCount);
    WriteU16(block, HeaderMacroCountOffset, macroCount);
    WriteU32(block, HeaderStringBytesOffset, stringBytes);
    block[HeaderFlagOffset] = flag;
    block[HeaderChecksumOffset] = HeaderChecksum(block);
}

std::unique_ptr<ConfigBlock> MakeDefaultBlock(uint8_t flag)
{
    auto block = std::make_unique<ConfigBlock>();
    BuildProfileHeader(block->data(), 0, 0, flag);
    std::memcpy(block->data() + IdentityAreaOffset, IdentityAreaBytes.data(), IdentityAreaSize);
    for (size_t i = 0; i < MacroKeyIdentities.size(); ++i)
        SetSlotIdentity(*block, MacroKeySlotFirst + static_cast<int>(i), MacroKeyIdentities[i]);
    return block;
}

int32_t CreateDefaultBlock(const std::string& path, uint8_t flag, bool inMemory)
{
    std::unique_ptr<ConfigBlock> block = MakeDefaultBlock(flag);
    if (inMemory) {
        g_configDoc.block = std::move(block);
        return 1;
    }
    return WriteFileAtomically(path, std::span<const uint8_t>(block->bytes)) ? 1 : 0;
}

void FreeDocumentStrings()
{
    for (StringEntry& entry : g_configDoc.strings) {
        if (entry.length != 0 || !entry.text.empty()) {
            entry.text = std::u16string();
            entry.length = 0;
        }
    }
    g_configDoc.stringBytes = 0;
}

void FreeDocumentMacros()
{
    g_configDoc.macros = std::vector<uint8_t>();
    g_configDoc.macroCount = 0;
}

void FreeDocumentBlock()
{
    g_configDoc.block.reset();
}

void FreeDeviceStrings()
{
    g_deviceDoc.packedStrings = std::vector<uint8_t>();
    g_deviceDoc.stringBytes = 0;
}

void FreeDeviceMacros()
{
    g_deviceDoc.macros = std::vector<uint8_t>();
    g_deviceDoc.macroCount = 0;
}

void FreeDeviceBlock()
{
    g_deviceDoc.block.reset();
}

void PackStrings(ConfigBlock& block, const std::vector<StringEntry>& table, uint8_t* buffer, uint32_t capacity)
{
    uint64_t offset = 0;
    const int entries = std::min<int>(static_cast<int>(table.size()), KeySlotCount);
    for (int i = 0; i < entries; ++i) {
        const StringEntry& entry = table[static_cast<size_t>(i)];
        const uint16_t type = SlotType(block, i);
        if (entry.length == 0 || offset + entry.length > capacity || (type != 3 && type != 6))
            continue;
        const size_t start = static_cast<size_t>(offset & ~uint64_t{1});
        // The entry's length decides the space; a text shorter than that is
        // padded with terminators, a longer one is cut.
        const size_t units = entry.length / 2;
        for (size_t u = 0; u < units; ++u) {
            uint16_t unit = (u + 1 < units && u < entry.text.size()) ? static_cast<uint16_t>(entry.text[u]) : 0;
            WriteU16(buffer, start + 2 * u, unit);
        }
        if (entry.length % 2 != 0)
            buffer[start + entry.length - 1] = 0;
        SetSlotValue(block, i, static_cast<uint32_t>(offset));
        offset += entry.length;
    }
    if (offset < capacity)
        std::memset(buffer + offset, 0, capacity - offset);
}

uint8_t* MacroBlockAt(ConfigDocument& doc, int position)
{
    if (position < 0 || position >= doc.macroCount
        || doc.macros.size() < static_cast<size_t>(position + 1) * MacroBlockSize)
        return nullptr;
    return doc.macros.data() + static_cast<size_t>(position) * MacroBlockSize;
}

int32_t FindMacroIndexById(uint16_t macroId)
{
    DocumentLock lock;
    for (int i = 0; i < g_configDoc.macroCount; ++i) {
        const uint8_t* macro = MacroBlockAt(g_configDoc, i);
        if (macro && ReadU16(macro, MacroIdOffset) == macroId)
            return i;
    }
    return 0;
}

uint16_t GetMacroIdAt(int32_t position)
{
    DocumentLock lock;
    const uint8_t* macro = MacroBlockAt(g_configDoc, position);
    return macro ? ReadU16(macro, MacroIdOffset) : 0;
}

int32_t GetProfileCount()
{
    return ProfileCount;
}

void InitDocument()
{
    DocumentLock lock;
    g_configDoc.strings.assign(StringEntryCount, StringEntry{});
    g_configDoc.stringBytes = 0;
    FreeDocumentMacros();
    FreeDocumentBlock();
    CreateDefaultBlock(std::string(), 0, true);
}

void ShutdownDocuments()
{
    {
        DocumentLock lock;
        FreeDocumentStrings();
        FreeDocumentMacros();
        FreeDocumentBlock();
        g_configDoc.strings = std::vector<StringEntry>();
    }
    DeviceCopyLock lock;
    FreeDeviceStrings();
    FreeDeviceMacros();
    FreeDeviceBlock();
}
