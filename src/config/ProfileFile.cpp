#include "config/ProfileFile.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "app/AppState.h"
#include "app/ProgramPaths.h"
#include "app/UserPrompts.h"
#include "config/ConfigDocument.h"
#include "config/UserModePreset.h"
#include "platform/AtomicFile.h"
#include "skin/LanguageTexts.h"

namespace {

constexpr uint64_t FourGiB = uint64_t{1} << 32;

struct HeaderRead {
    ProfileFault fault = ProfileFault::None;
    uint64_t fileSize = 0;
    std::array<uint8_t, ProfileHeaderSize> header{};
};

bool PathExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Reads the header only: the checks need nothing else, and a huge file must
// not decide an allocation.
HeaderRead ReadHeader(const std::string& path)
{
    HeaderRead out;
    if (!PathExists(path)) {
        out.fault = ProfileFault::Missing;
        return out;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        out.fault = ProfileFault::CannotOpen;
        return out;
    }
    out.fileSize = static_cast<uint64_t>(st.st_size);
    if (out.fileSize >= FourGiB) {
        out.fault = ProfileFault::TooLarge;
    } else if (out.fileSize < ConfigBlockSize) {
        out.fault = ProfileFault::TooShort;
    } else {
        size_t got = 0;
        while (got < out.header.size()) {
            ssize_t n = ::read(fd, out.header.data() + got, out.header.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        if (got != out.header.size())
            out.fault = ProfileFault::CannotOpen;
        else
            out.fault = CheckProfileHeader(out.header);
    }
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

int32_t SaveLocked(const std::string& path)
{
    std::vector<uint8_t> bytes = BuildProfileFileBytes();
    if (bytes.empty())
        return 0;
    return WriteFileAtomically(path, std::span<const uint8_t>(bytes)) ? 1 : 0;
}

} // namespace

const char* ProfileFaultText(ProfileFault fault)
{
    switch (fault) {
    case ProfileFault::None: return "valid";
    case ProfileFault::Missing: return "file does not exist";
    case ProfileFault::CannotOpen: return "file cannot be opened or read";
    case ProfileFault::TooShort: return "too short: a profile file has at least 32832 bytes";
    case ProfileFault::TooLarge: return "too large: 4 GiB or more";
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
    return ProfileFault::None;
}

ProfileFault ExamineProfileFile(const std::string& path)
{
    HeaderRead read = ReadHeader(path);
    if (read.fault != ProfileFault::None)
        return read.fault;
    return LengthFault(read);
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
    if (total >= FourGiB || doc.macros.size() < macroBytes)
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

int32_t SaveDocumentToFile(int lockSwitch, const std::string& path)
{
    DocumentLock lock(lockSwitch != 0);
    return SaveLocked(path);
}

int32_t SaveDocumentToProfileCache(int lockSwitch)
{
    const std::string path = ProfileCachePath(g_app.currentProfile.load());
    DocumentLock lock(lockSwitch != 0);
    // The cache comes into being only from the keyboard's own contents.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    return SaveLocked(path);
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
