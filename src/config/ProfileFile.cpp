#include "config/ProfileFile.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "device/protocol/DeviceState.h"
#include "base/ProgramPaths.h"
#include "base/UserPrompts.h"
#include "config/ConfigDocument.h"
#include "lighting/UserModePreset.h"
#include "platform/AtomicFile.h"
#include "platform/FileAccess.h"
#include "text/LanguageTexts.h"

namespace {

struct HeaderRead {
    ProfileFault fault = ProfileFault::None;
    int error = 0;
    uint64_t fileSize = 0;
    std::array<uint8_t, ProfileHeaderSize> header{};
};

// Opens the file and checks its size and header; the checks need nothing
// else, and a huge file must not decide an allocation. The descriptor stays
// open for a caller that reads on (-1 when the file is refused).
int OpenProfile(const std::string& path, HeaderRead& out)
{
    struct stat st {};
    const int fd = OpenRegularFile(path, out.error, st);
    if (fd < 0) {
        out.fault = IsMissingFileError(out.error) ? ProfileFault::Missing : ProfileFault::CannotOpen;
        return -1;
    }
    out.fileSize = static_cast<uint64_t>(st.st_size);
    if (out.fileSize > LargestProfileFileBytes)
        out.fault = ProfileFault::TooLarge;
    else if (out.fileSize < ConfigBlockSize)
        out.fault = ProfileFault::TooShort;
    else if (!ReadExactly(fd, out.header.data(), out.header.size(), out.error))
        out.fault = out.error != 0 ? ProfileFault::CannotOpen : ProfileFault::TooShort;
    else
        out.fault = CheckProfileHeader(out.header);
    if (out.fault != ProfileFault::None) {
        ::close(fd);
        return -1;
    }
    return fd;
}

HeaderRead ReadHeader(const std::string& path)
{
    HeaderRead out;
    const int fd = OpenProfile(path, out);
    if (fd >= 0)
        ::close(fd);
    return out;
}

void ShowFormatError(const std::string& path)
{
    Prompts().ShowMessage(FormatText(LoadText("PROFILE_FORMAT_ERROR"), path), MessageStyle::Normal);
}

int32_t ValidationResult(const HeaderRead& read, const std::string& path)
{
    switch (read.fault) {
    case ProfileFault::None:
        return 1;
    case ProfileFault::Missing:
    case ProfileFault::TooShort:
    case ProfileFault::TooLarge:
        return 0;
    case ProfileFault::CannotOpen:
        return -2;
    default:
        ShowFormatError(path);
        return 0;
    }
}

ProfileFault LengthFault(const HeaderRead& read)
{
    const uint32_t total = ReadU32(read.header.data(), HeaderTotalLengthOffset);
    if (read.fileSize < total)
        return ProfileFault::Truncated;
    if (read.fileSize > total)
        return ProfileFault::TrailingBytes;
    return ProfileFault::None;
}

int32_t SaveLocked(const std::string& path, int* error)
{
    std::vector<uint8_t> bytes;
    try {
        bytes = BuildProfileFileBytes();
    } catch (const std::bad_alloc&) {
        bytes.clear();
    }
    if (bytes.empty()) {
        if (error)
            *error = ENOMEM;
        return 0;
    }
    return WriteFileAtomically(path, std::span<const uint8_t>(bytes), error) ? 1 : 0;
}

} // namespace

const char* ProfileFaultText(ProfileFault fault)
{
    switch (fault) {
    case ProfileFault::None: return "valid";
    case ProfileFault::Missing: return "file does not exist";
    case ProfileFault::CannotOpen: return "file cannot be opened or read";
    case ProfileFault::TooShort: return "too short: a profile file has at least 32832 bytes";
    case ProfileFault::TooLarge: return "too large: a profile file has at most 137501760 bytes";
    case ProfileFault::BadSignature: return "bad signature: the file does not start with 46 44";
    case ProfileFault::BadHeaderLength: return "bad header length: offset 2 is not 32";
    case ProfileFault::BadProfileCount: return "bad profile count: offset 4 is not 3";
    case ProfileFault::BadVersion: return "bad format version: offset 6 is not 1";
    case ProfileFault::TotalTooSmall: return "bad total length: offset 8 is below 32832";
    case ProfileFault::BadSlotCount: return "bad key slot count: offset 12 is not 2048";
    case ProfileFault::TooManyMacros: return "too many macros: offset 14 is above 100";
    case ProfileFault::BadFlag: return "bad flag: offset 30 is above 1";
    case ProfileFault::LengthMismatch:
        return "length mismatch: total length is not 32832 + macros * 32512 + string bytes";
    case ProfileFault::BadChecksum: return "bad checksum: byte 31 is not the sum of bytes 0 to 30";
    case ProfileFault::Truncated: return "truncated: the file is shorter than its header's total length";
    case ProfileFault::TrailingBytes: return "trailing bytes: the file is longer than its header's total length";
    }
    return "unknown fault";
}

std::string ProfileCheck::Reason() const
{
    std::string text = ProfileFaultText(fault);
    if (fault == ProfileFault::CannotOpen && error != 0)
        text += ": " + FileErrorText(error);
    return text;
}

ProfileFault CheckProfileHeader(std::span<const uint8_t> header)
{
    if (header.size() < ProfileHeaderSize)
        return ProfileFault::TooShort;
    const uint8_t* h = header.data();
    if (ReadU16(h, HeaderSignatureOffset) != ProfileSignature)
        return ProfileFault::BadSignature;
    if (ReadU16(h, HeaderLengthOffset) != ProfileHeaderSize)
        return ProfileFault::BadHeaderLength;
    if (ReadU16(h, HeaderProfilesOffset) != ProfileCount)
        return ProfileFault::BadProfileCount;
    if (ReadU16(h, HeaderVersionOffset) != ProfileFormatVersion)
        return ProfileFault::BadVersion;
    const uint32_t total = ReadU32(h, HeaderTotalLengthOffset);
    if (total < ConfigBlockSize)
        return ProfileFault::TotalTooSmall;
    if (ReadU16(h, HeaderSlotCountOffset) != KeySlotCount)
        return ProfileFault::BadSlotCount;
    const uint16_t macroCount = ReadU16(h, HeaderMacroCountOffset);
    if (macroCount > MaxMacroCount)
        return ProfileFault::TooManyMacros;
    if (h[HeaderFlagOffset] > 1)
        return ProfileFault::BadFlag;
    if (uint64_t{total}
        != uint64_t{macroCount} * MacroBlockSize + ReadU32(h, HeaderStringBytesOffset) + ConfigBlockSize)
        return ProfileFault::LengthMismatch;
    if (h[HeaderChecksumOffset] != HeaderChecksum(h))
        return ProfileFault::BadChecksum;
    if (total > LargestProfileFileBytes)
        return ProfileFault::TooLarge;
    return ProfileFault::None;
}

ProfileCheck InspectProfileFile(const std::string& path)
{
    const HeaderRead read = ReadHeader(path);
    if (read.fault != ProfileFault::None)
        return {read.fault, read.error};
    return {LengthFault(read), 0};
}

ProfileFault ExamineProfileFile(const std::string& path)
{
    return InspectProfileFile(path).fault;
}

std::vector<uint8_t> ReadProfileFileBytes(const std::string& path, ProfileCheck& check)
{
    HeaderRead read;
    const int fd = OpenProfile(path, read);
    check = {read.fault, read.error};
    if (fd < 0)
        return {};
    check.fault = LengthFault(read);
    std::vector<uint8_t> bytes;
    if (check.fault == ProfileFault::None) {
        try {
            bytes.resize(static_cast<size_t>(read.fileSize));
        } catch (const std::bad_alloc&) {
            check = {ProfileFault::CannotOpen, ENOMEM};
        }
    }
    if (!bytes.empty()) {
        std::memcpy(bytes.data(), read.header.data(), read.header.size());
        if (!ReadExactly(fd, bytes.data() + read.header.size(), bytes.size() - read.header.size(), check.error)) {
            // The file shrank after it was measured.
            check.fault = check.error != 0 ? ProfileFault::CannotOpen : ProfileFault::Truncated;
            bytes.clear();
        }
    }
    ::close(fd);
    return bytes;
}

int32_t ValidateProfileFile(const std::string& path)
{
    return ValidationResult(ReadHeader(path), path);
}

int32_t CheckProfileFileComplete(const std::string& path)
{
    HeaderRead read = ReadHeader(path);
    int32_t result = ValidationResult(read, path);
    if (result != 1)
        return result;
    if (LengthFault(read) != ProfileFault::None) {
        ShowFormatError(path);
        return 0;
    }
    return 1;
}

std::vector<uint8_t> BuildProfileFileBytes()
{
    ConfigDocument& doc = g_configDoc;
    if (!doc.block)
        return {};
    const size_t macroBytes = size_t{doc.macroCount} * MacroBlockSize;
    const uint64_t total = ConfigBlockSize + uint64_t{macroBytes} + doc.stringBytes;
    // The header's total length is 32 bits, and the macro area must really
    // hold macroCount blocks.
    if (total > UINT32_MAX || doc.macros.size() < macroBytes)
        return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(total));
    BuildProfileHeader(doc.block->data(), doc.macroCount, doc.stringBytes, 0);
    PackStrings(*doc.block, doc.strings, bytes.data() + ConfigBlockSize + macroBytes, doc.stringBytes);
    std::memcpy(bytes.data(), doc.block->data(), ConfigBlockSize);
    // A program or text slot without a string keeps whatever offset it had,
    // which may now point at another slot's string: the next load would hand
    // that string to it. In the file it points past the area instead. (With
    // stringBytes the sum of all entries, every entry with a string fits.)
    for (int i = 0; i < KeySlotCount; ++i) {
        const uint16_t type = SlotType(*doc.block, i);
        const bool hasString = static_cast<size_t>(i) < doc.strings.size() && doc.strings[static_cast<size_t>(i)].length != 0;
        if ((type == 3 || type == 6) && !hasString)
            WriteU32(bytes.data(), SlotOffset(i) + SlotValueOffset, doc.stringBytes);
    }
    if (macroBytes != 0)
        std::memcpy(bytes.data() + ConfigBlockSize, doc.macros.data(), macroBytes);
    return bytes;
}

int32_t SaveDocumentToFile(int lockSwitch, const std::string& path, int* error)
{
    DocumentLock lock(lockSwitch != 0);
    return SaveLocked(path, error);
}

int32_t SaveDocumentToProfileCache(int lockSwitch, int* error)
{
    const std::string path = ProfileCachePath(g_currentProfile.load());
    DocumentLock lock(lockSwitch != 0);
    // The cache comes into being only from the keyboard's own contents.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (error)
            *error = ENOENT;
        return 0;
    }
    return SaveLocked(path, error);
}

void ShowSaveFailure(const std::string& path, int error)
{
    Prompts().ShowMessage(FormatText(LoadText("MAIN_PROMPT_SAVE_FAILED"), path + " (" + FileErrorText(error) + ")"),
                          MessageStyle::Normal);
}

int32_t EnsureUserFolder()
{
    const std::string& folder = g_paths.userFolder;
    if (folder.empty())
        return 0;
    std::error_code error;
    if (std::filesystem::is_directory(folder, error))
        return 1;
    if (!std::filesystem::create_directories(folder, error) && !std::filesystem::is_directory(folder, error))
        return 0;
    const std::string preset = ReadUserModePreset();
    int32_t result = 1;
    for (int i = 0; i < 3; ++i) {
        if (!WriteFileAtomically(UserModeFilePath(i), preset))
            result = 0;
    }
    return result;
}

std::string ProfileCachePath(int)
{
    // Without the folder the path is still the right one; whoever opens it
    // then fails and reports that.
    EnsureUserFolder();
    return g_paths.userFolder + "/$Profile0";
}
