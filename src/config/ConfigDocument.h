#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "macro/MacroLimits.h"
#include "platform/Bytes.h"

// The in-memory configuration: key slots of every profile, the macros and the
// strings some slots carry. g_configDoc is the document every editor changes;
// g_deviceDoc is the snapshot the device writer reads. Each is guarded by its
// own re-entrant lock; take the document lock before the device-copy lock.

// ---- Block layout (all multi-byte values little-endian) ----
inline constexpr size_t ConfigBlockSize = 32832; // 0x8040
inline constexpr size_t ProfileHeaderSize = 32;
inline constexpr size_t IdentityAreaOffset = 32;
inline constexpr size_t IdentityAreaSize = 32;
inline constexpr size_t KeySlotsOffset = 64;
inline constexpr size_t KeySlotSize = 16;
inline constexpr int KeySlotCount = 2048;
inline constexpr int SlotsPerGroup = 512;
inline constexpr int SlotGroupCount = 4;
inline constexpr int ProfileCount = 3;

// ProfileHeader field offsets.
inline constexpr size_t HeaderSignatureOffset = 0;   // u16 0x4446
inline constexpr size_t HeaderLengthOffset = 2;      // u16 32
inline constexpr size_t HeaderProfilesOffset = 4;    // u16 3
inline constexpr size_t HeaderVersionOffset = 6;     // u16 1
inline constexpr size_t HeaderTotalLengthOffset = 8; // u32
inline constexpr size_t HeaderSlotCountOffset = 12;  // u16 2048
inline constexpr size_t HeaderMacroCountOffset = 14; // u16
inline constexpr size_t HeaderStringBytesOffset = 16; // u32
inline constexpr size_t HeaderFlagOffset = 30;       // u8 0 or 1
inline constexpr size_t HeaderChecksumOffset = 31;   // u8 sum of bytes 0..30
inline constexpr uint16_t ProfileSignature = 0x4446;
inline constexpr uint16_t ProfileFormatVersion = 1;

// Written into every new block and carried unchanged; nothing reads it.
inline constexpr std::array<uint8_t, IdentityAreaSize> IdentityAreaBytes = {
    0x4B, 0x48, 0x20, 0x00, 0x20, 0x80, 0x00, 0x00, 0x04, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00,
    0x0F, 0x32, 0x00, 0x00, 0x4F, 0x1C, 0x0E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

// Slots 256..264 of a group are G1..G9, 265..273 a second set kept as it is.
inline constexpr int MacroKeySlotFirst = 256;
inline constexpr int MacroKeySlotCount = 9;
inline constexpr int MacroKeySlotEnd = 274; // one past the second set
// Identity words of slots 256..273, in slot order.
inline constexpr std::array<uint16_t, 18> MacroKeyIdentities = {
    0x0301, 0x0302, 0x0303, 0x0304, 0x0305, 0x0306, 0x0307, 0x0308, 0x0309,
    0x1301, 0x1302, 0x1303, 0x1304, 0x1305, 0x1306, 0x1307, 0x1308, 0x1309};

// KeySlot field offsets.
inline constexpr size_t SlotTypeOffset = 0;     // u16 assignment type 0..8
inline constexpr size_t SlotIdentityOffset = 2; // u16 identity word / play count
inline constexpr size_t SlotValueOffset = 4;    // u32 value; string offset for types 3 and 6
inline constexpr size_t SlotExtra8Offset = 8;   // u32 carried unchanged
inline constexpr size_t SlotExtra12Offset = 12; // u32 carried unchanged

inline constexpr int StringEntryCount = 2048;

struct ConfigBlock {
    std::array<uint8_t, ConfigBlockSize> bytes{};
    uint8_t* data() { return bytes.data(); }
    const uint8_t* data() const { return bytes.data(); }
};

// One 16-byte key slot, copied as a unit.
struct KeySlot {
    std::array<uint8_t, KeySlotSize> bytes{};

    uint16_t Type() const { return ReadU16(bytes.data(), SlotTypeOffset); }
    uint16_t Identity() const { return ReadU16(bytes.data(), SlotIdentityOffset); }
    uint32_t Value() const { return ReadU32(bytes.data(), SlotValueOffset); }
    uint32_t Extra8() const { return ReadU32(bytes.data(), SlotExtra8Offset); }
    uint32_t Extra12() const { return ReadU32(bytes.data(), SlotExtra12Offset); }
    void SetType(uint16_t v) { WriteU16(bytes.data(), SlotTypeOffset, v); }
    void SetIdentity(uint16_t v) { WriteU16(bytes.data(), SlotIdentityOffset, v); }
    void SetValue(uint32_t v) { WriteU32(bytes.data(), SlotValueOffset, v); }
};

// Byte offset of slot s (0..2047) inside a block.
constexpr size_t SlotOffset(int slot) { return KeySlotsOffset + KeySlotSize * static_cast<size_t>(slot); }
KeySlot ReadKeySlot(const ConfigBlock& block, int slot);
void WriteKeySlot(ConfigBlock& block, int slot, const KeySlot& value);
// Direct field access for slot s; s must be 0..2047.
uint16_t SlotType(const ConfigBlock& block, int slot);
uint16_t SlotIdentity(const ConfigBlock& block, int slot);
uint32_t SlotValue(const ConfigBlock& block, int slot);
void SetSlotType(ConfigBlock& block, int slot, uint16_t type);
void SetSlotIdentity(ConfigBlock& block, int slot, uint16_t identity);
void SetSlotValue(ConfigBlock& block, int slot, uint32_t value);

// A string of the document's string table; entry i belongs to slot i.
// length is the byte length with the terminator, (characters + 1) * 2;
// 0 means no string.
struct StringEntry {
    std::u16string text;
    uint32_t length = 0;
};

struct ConfigDocument {
    std::recursive_mutex lock;
    std::unique_ptr<ConfigBlock> block;
    // macroCount consecutive macro blocks of MacroBlockSize bytes.
    std::vector<uint8_t> macros;
    uint16_t macroCount = 0;
    // Document only: 2048 entries between InitDocument and ShutdownDocuments.
    std::vector<StringEntry> strings;
    // Device copy only: the packed UTF-16LE string area.
    std::vector<uint8_t> packedStrings;
    // Document: sum of all entry lengths. Device copy: packedStrings' size.
    uint32_t stringBytes = 0;
    // The recorder and the key capture add their fields here.
};

extern ConfigDocument g_configDoc;
extern ConfigDocument g_deviceDoc;

// RAII guards in the one allowed order: DocumentLock, then DeviceCopyLock.
class DocumentLock {
public:
    DocumentLock();
    // take = false: the caller already holds it (the lock switch of saves).
    explicit DocumentLock(bool take);
    DocumentLock(const DocumentLock&) = delete;
    DocumentLock& operator=(const DocumentLock&) = delete;

private:
    std::unique_lock<std::recursive_mutex> guard_;
};

class DeviceCopyLock {
public:
    DeviceCopyLock();
    DeviceCopyLock(const DeviceCopyLock&) = delete;
    DeviceCopyLock& operator=(const DeviceCopyLock&) = delete;

private:
    std::lock_guard<std::recursive_mutex> guard_;
};

// Fills bytes 0..31 of a block, checksum last.
void BuildProfileHeader(uint8_t* block, uint16_t macroCount, uint32_t stringBytes, uint8_t flag);
// The 8-bit sum of header bytes 0..30.
uint8_t HeaderChecksum(const uint8_t* block);
// A default block: header (N 0, S 0, flag), identity area, zero slots with the
// macro-key identities in slots 256..273 of group 0.
std::unique_ptr<ConfigBlock> MakeDefaultBlock(uint8_t flag);
// inMemory: the new block replaces the document's block (the caller holds the
// document lock and has freed the old contents). Otherwise the 32832 bytes
// are written atomically to path. 1 done, 0 failure.
int32_t CreateDefaultBlock(const std::string& path, uint8_t flag, bool inMemory);

// The callers hold the matching lock.
void FreeDocumentStrings();
void FreeDocumentMacros();
void FreeDocumentBlock();
void FreeDeviceStrings();
void FreeDeviceMacros();
void FreeDeviceBlock();

// Packs the strings of type-3 and type-6 slots in slot order into buffer and
// writes each one's offset into its slot. Entries that do not fit in capacity
// or whose slot has another type are skipped; spare bytes are zeroed.
void PackStrings(ConfigBlock& block, const std::vector<StringEntry>& table, uint8_t* buffer, uint32_t capacity);

// Replace the document (caller holds the document lock) with a profile file's
// contents. Bad input never leaves a half-filled document: on failure the
// document is the default one (default block, no macros, no strings) and the
// result is 0.
int32_t LoadDocumentFromFile(const std::string& path);
int32_t LoadDocumentFromBytes(std::span<const uint8_t> file);
// Replace the document (caller holds the document lock) with the default one:
// default block, no macros, an empty string table.
void InstallDefaultDocument();

// Position of the first macro with that id, 0 when none has it.
int32_t FindMacroIndexById(uint16_t macroId);
// Id of the macro at the position, 0 when the position is out of range.
uint16_t GetMacroIdAt(int32_t position);
// The macro block at a position of a document, nullptr when out of range.
uint8_t* MacroBlockAt(ConfigDocument& doc, int position);
int32_t GetProfileCount();

// Main window initialisation: 2048 empty string entries, stringBytes 0, a
// default block, no macros.
void InitDocument();
// Frees the document (then its string table) and then the device copy, each
// under its lock.
void ShutdownDocuments();
