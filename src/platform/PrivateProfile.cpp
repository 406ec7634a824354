#include "platform/PrivateProfile.h"

#include "platform/AsciiFold.h"
#include "platform/AtomicFile.h"
#include "platform/FileAccess.h"
#include "platform/FileLock.h"
#include "platform/Utf8.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string IndexKey(std::string_view section, std::string_view key)
{
    std::string folded;
    folded.reserve(section.size() + key.size() + 1);
    for (char c : section)
        folded.push_back(FoldAscii(c));
    folded.push_back('\n');
    for (char c : key)
        folded.push_back(FoldAscii(c));
    return folded;
}

bool HasUtf16LeBom(const std::string& bytes)
{
    return bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE;
}

bool HasUtf8Bom(std::string_view bytes)
{
    return bytes.size() >= 3 && static_cast<uint8_t>(bytes[0]) == 0xEF && static_cast<uint8_t>(bytes[1]) == 0xBB &&
           static_cast<uint8_t>(bytes[2]) == 0xBF;
}

// UTF-16LE (after its BOM) to UTF-8; unpaired surrogates and an odd last
// byte become U+FFFD.
std::string Utf16LeToUtf8(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size());
    size_t i = 2;
    auto unit = [&](size_t at) {
        return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) |
               static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8;
    };
    while (i + 1 < bytes.size()) {
        uint32_t u = unit(i);
        i += 2;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < bytes.size()) {
            uint32_t low = unit(i);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                i += 2;
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                continue;
            }
        }
        AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? 0xFFFD : u);
    }
    if (i < bytes.size())
        AppendUtf8(out, 0xFFFD);
    return out;
}

// The text of a file as UTF-8 without a BOM; utf8Bom tells whether a UTF-8
// BOM was there.
std::string DecodeIniBytes(const std::string& bytes, bool& utf8Bom, bool& utf16)
{
    utf8Bom = false;
    utf16 = HasUtf16LeBom(bytes);
    if (utf16)
        return Utf16LeToUtf8(bytes);
    if (HasUtf8Bom(bytes)) {
        utf8Bom = true;
        return bytes.substr(3);
    }
    return bytes;
}

enum class LineKind { Other, Section, Entry };

struct LineInfo {
    LineKind kind = LineKind::Other;
    std::string_view name;  // section name or key
    std::string_view value; // raw trimmed value
};

// The one place that decides what a line means, shared by reader and writer
// so that both agree on which line holds a key.
LineInfo ClassifyLine(std::string_view line)
{
    LineInfo info;
    if (line.find('\0') != std::string_view::npos)
        return info; // binary junk
    std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#')
        return info;
    if (t.front() == '[') {
        size_t close = t.find(']');
        info.kind = LineKind::Section;
        info.name = Trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
        return info;
    }
    size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return info;
    std::string_view key = Trim(t.substr(0, eq));
    if (key.empty())
        return info;
    info.kind = LineKind::Entry;
    info.name = key;
    info.value = Trim(t.substr(eq + 1));
    return info;
}

std::string UnquoteValue(std::string_view v)
{
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

template <typename F>
void ForEachLine(std::string_view text, F&& f)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        f(text.substr(start, end - start));
        start = end + 1;
    }
}

} // namespace

const std::string* ParsedIni::Find(std::string_view section, std::string_view key) const
{
    auto it = index.find(IndexKey(section, key));
    return it == index.end() ? nullptr : &it->second;
}

const ParsedIni::Section* ParsedIni::FindSection(std::string_view section) const
{
    for (const Section& s : sections) {
        if (EqualFolded(s.name, section))
            return &s;
    }
    return nullptr;
}

ParsedIni ParseIniText(const std::string& bytes)
{
    bool utf8Bom = false;
    bool utf16 = false;
    std::string text = DecodeIniBytes(bytes, utf8Bom, utf16);
    ParsedIni ini;
    ParsedIni::Section* current = nullptr;
    ForEachLine(text, [&](std::string_view line) {
        LineInfo info = ClassifyLine(line);
        if (info.kind == LineKind::Section) {
            ini.sections.push_back({std::string(info.name), {}});
            current = &ini.sections.back();
        } else if (info.kind == LineKind::Entry && current) {
            std::string value = UnquoteValue(info.value);
            current->entries.emplace_back(std::string(info.name), value);
            ini.index.try_emplace(IndexKey(current->name, info.name), std::move(value));
        }
    });
    return ini;
}

// Each cached file keeps its descriptor open: an fstat on it costs less than
// a stat of the path, and still sees every change. A write in place changes
// the time or size; a replacement by rename or a removal drops the old
// file's link count.
struct IniCache::Impl {
    struct Cached {
        int fd = -1;
        timespec mtime{};
        off_t size = 0;
        nlink_t links = 0;
        std::shared_ptr<const ParsedIni> parsed;
    };
    // Paths are few (language files, settings, skin files); a flood of them
    // only costs re-parsing.
    static constexpr size_t MaxFiles = 64;

    std::mutex mutex;
    std::unordered_map<std::string, Cached> files;

    static bool Same(const Cached& c, const struct stat& st)
    {
        return c.mtime.tv_sec == st.st_mtim.tv_sec && c.mtime.tv_nsec == st.st_mtim.tv_nsec &&
               c.size == st.st_size && c.links == st.st_nlink;
    }
    void Drop(std::unordered_map<std::string, Cached>::iterator it)
    {
        if (it->second.fd >= 0)
            ::close(it->second.fd);
        files.erase(it);
    }
    void DropAll()
    {
        for (auto& [path, c] : files) {
            if (c.fd >= 0)
                ::close(c.fd);
        }
        files.clear();
    }
};

IniCache::IniCache() : impl_(std::make_unique<Impl>()) {}

IniCache::~IniCache()
{
    impl_->DropAll();
}

IniCache& IniCache::Instance()
{
    static IniCache cache;
    return cache;
}

namespace {

bool ReadAllFrom(int fd, std::string& out, size_t size)
{
    out.resize(size);
    size_t got = 0;
    while (got < size) {
        ssize_t n = ::pread(fd, out.data() + got, size - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    out.resize(got);
    return true;
}

} // namespace

std::shared_ptr<const ParsedIni> IniCache::Get(const std::string& path, int* error)
{
    if (error)
        *error = 0;
    {
        std::lock_guard lock(impl_->mutex);
        auto it = impl_->files.find(path);
        if (it != impl_->files.end()) {
            struct stat st {};
            if (::fstat(it->second.fd, &st) == 0 && Impl::Same(it->second, st))
                return it->second.parsed;
            impl_->Drop(it);
        }
    }
    // A FIFO or a device planted under the name must not hang the lookup.
    int err = 0;
    struct stat st {};
    int fd = OpenRegularFile(path, err, st);
    std::string bytes;
    if (fd >= 0 && static_cast<uint64_t>(st.st_size) > MaxProfileFileBytes)
        err = FileErrorTooLarge;
    else if (fd >= 0 && !ReadAllFrom(fd, bytes, static_cast<size_t>(st.st_size)))
        err = errno;
    if (err != 0) {
        if (fd >= 0)
            ::close(fd);
        if (error)
            *error = err;
        return nullptr;
    }
    auto parsed = std::make_shared<const ParsedIni>(ParseIniText(bytes));
    // The fstat taken before reading describes at most an older version than
    // the bytes, so a change in between is caught by the next lookup.
    std::lock_guard lock(impl_->mutex);
    auto existing = impl_->files.find(path);
    if (existing != impl_->files.end())
        impl_->Drop(existing); // a racing reader got here first
    if (impl_->files.size() >= Impl::MaxFiles)
        impl_->DropAll();
    Impl::Cached& c = impl_->files[path];
    c.fd = fd;
    c.mtime = st.st_mtim;
    c.size = st.st_size;
    c.links = st.st_nlink;
    c.parsed = parsed;
    return parsed;
}

void IniCache::Invalidate(const std::string& path)
{
    std::lock_guard lock(impl_->mutex);
    auto it = impl_->files.find(path);
    if (it != impl_->files.end())
        impl_->Drop(it);
}

void IniCache::Clear()
{
    std::lock_guard lock(impl_->mutex);
    impl_->DropAll();
}

std::optional<std::string> ReadPrivateProfileValue(const std::string& section, const std::string& key,
                                                   const std::string& path)
{
    std::shared_ptr<const ParsedIni> ini = IniCache::Instance().Get(path);
    if (!ini)
        return std::nullopt;
    const std::string* value = ini->Find(section, key);
    if (!value)
        return std::nullopt;
    return *value;
}

size_t GetPrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& defaultValue, std::string& out, size_t bufferChars,
                               const std::string& path)
{
    out.clear();
    if (bufferChars == 0)
        return 0;
    std::shared_ptr<const ParsedIni> ini = IniCache::Instance().Get(path);
    const std::string* value = ini ? ini->Find(section, key) : nullptr;
    const std::string& source = value ? *value : defaultValue;
    out = CutUtf8Chars(source, bufferChars - 1);
    return CountUtf8Chars(out);
}

std::vector<std::pair<std::string, std::string>> GetPrivateProfileSection(const std::string& section,
                                                                          const std::string& path)
{
    std::vector<std::pair<std::string, std::string>> result;
    std::shared_ptr<const ParsedIni> ini = IniCache::Instance().Get(path);
    if (!ini)
        return result;
    std::vector<std::string> seen;
    for (const ParsedIni::Section& s : ini->sections) {
        if (!EqualFolded(s.name, section))
            continue;
        for (const auto& [key, value] : s.entries) {
            // Same rule as single look-ups: the first of duplicates wins.
            bool dup = false;
            for (const std::string& k : seen)
                dup = dup || EqualFolded(k, key);
            if (dup)
                continue;
            seen.push_back(key);
            result.emplace_back(key, value);
        }
    }
    return result;
}

namespace {

// A section or key that can be written as one INI line and read back as it
// was written.
bool WritableNames(const std::string& section, const std::string& key)
{
    auto unsafe = [](std::string_view s) {
        return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
    };
    std::string_view trimmedSection = Trim(section);
    std::string_view trimmedKey = Trim(key);
    return !(trimmedSection.empty() || unsafe(section) || section.find(']') != std::string::npos ||
             trimmedKey.empty() || unsafe(key) || key.find('=') != std::string::npos ||
             trimmedKey.front() == '[' || trimmedKey.front() == ';' || trimmedKey.front() == '#');
}

// The value as a line holds it: line breaks become spaces, and a value that
// would not read back as written (surrounding blanks or quotes) is quoted.
std::string SafeValue(const std::string& value)
{
    std::string safeValue = value;
    for (char& c : safeValue) {
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    }
    std::string_view trimmedValue = Trim(safeValue);
    if (trimmedValue.size() != safeValue.size() ||
        (safeValue.size() >= 2 && safeValue.front() == '"' && safeValue.back() == '"'))
        safeValue = "\"" + safeValue + "\"";
    return safeValue;
}

// text with section/key set to value: an existing entry is replaced in place,
// a new one goes after the section's last non-blank line, a new section at
// the end. Every other line stays; lines end with eol.
std::string SetEntry(const std::string& text, const std::string& eol, std::string_view section,
                     std::string_view key, const std::string& value)
{
    const std::string newLine = std::string(key) + "=" + value;
    std::vector<std::string_view> lines;
    ForEachLine(text, [&](std::string_view line) { lines.push_back(line); });

    // Find the first matching section and, inside it, the first matching key.
    std::optional<size_t> sectionLine;
    std::optional<size_t> keyLine;
    size_t insertAfter = 0;
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        LineInfo info = ClassifyLine(lines[i]);
        if (info.kind == LineKind::Section) {
            if (inSection)
                break;
            if (!sectionLine && EqualFolded(info.name, section)) {
                sectionLine = i;
                inSection = true;
                insertAfter = i;
            }
        } else if (inSection) {
            if (info.kind == LineKind::Entry && EqualFolded(info.name, key)) {
                keyLine = i;
                break;
            }
            if (!Trim(lines[i]).empty())
                insertAfter = i;
        }
    }

    std::string result;
    result.reserve(text.size() + newLine.size() + section.size() + 8);
    auto emit = [&](std::string_view line) {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        result.append(line);
        result += eol;
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        if (keyLine && i == *keyLine) {
            emit(newLine);
            continue;
        }
        emit(lines[i]);
        if (!keyLine && sectionLine && i == insertAfter)
            emit(newLine);
    }
    if (!sectionLine) {
        emit("[" + std::string(section) + "]");
        emit(newLine);
    }
    return result;
}

} // namespace

namespace {

// Read-modify-write under the file's update lock, so that two writers (two
// threads, or the window and rt604ctl) never lose each other's values: the
// file is read only once the lock is held.
bool WriteEntries(const std::string& section, const std::vector<std::pair<std::string, std::string>>& entries,
                  const std::string& path, int& error)
{
    for (const auto& [key, value] : entries) {
        if (!WritableNames(section, key)) {
            error = EINVAL;
            return false;
        }
    }
    FileUpdateLock lock(path);
    if (!lock.Held()) {
        error = lock.Error();
        return false;
    }
    std::string bytes;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        // A folder or an over-large file is not ours to replace.
        if (!S_ISREG(st.st_mode)) {
            error = FileKindError(st.st_mode);
            return false;
        }
        if (!ReadWholeFile(path, bytes, MaxProfileFileBytes, &error))
            return false;
    } else if (errno != ENOENT) {
        error = errno;
        return false;
    }
    bool utf8Bom = false;
    bool utf16 = false;
    std::string text = DecodeIniBytes(bytes, utf8Bom, utf16);
    // Windows-made files keep their CR LF line ends.
    const std::string eol = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    for (const auto& [key, value] : entries)
        text = SetEntry(text, eol, Trim(section), Trim(key), SafeValue(value));

    std::string result;
    if (utf8Bom || utf16)
        result = "\xEF\xBB\xBF";
    result += text;
    const bool ok = WriteFileAtomically(path, result, &error);
    IniCache::Instance().Invalidate(path);
    return ok;
}

} // namespace

bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& path, int* error)
{
    return WritePrivateProfileStrings(section, {{key, value}}, path, error);
}

bool WritePrivateProfileStrings(const std::string& section,
                                const std::vector<std::pair<std::string, std::string>>& entries,
                                const std::string& path, int* error)
{
    int err = 0;
    const bool ok = WriteEntries(section, entries, path, err);
    if (error)
        *error = ok ? 0 : err;
    return ok;
}
