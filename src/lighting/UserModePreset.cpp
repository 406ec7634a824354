#include "lighting/UserModePreset.h"

#include "base/ProgramPaths.h"
#include "platform/AtomicFile.h"

#include <cstdio>
#include <mutex>
#include <set>

namespace {

// Preset files are small INI texts; anything larger is not a preset.
constexpr uint64_t MaxPresetBytes = 1 << 20;
constexpr int PresetNumber = 3;

std::mutex g_reportedLock;
std::set<std::string> g_reported; // preset paths already said to be missing

} // namespace

std::string ReadUserModePreset()
{
    const std::string path = g_paths.presetPrefix + std::to_string(PresetNumber) + ".userd";
    std::string bytes;
    if (ReadWholeFile(path, bytes, MaxPresetBytes))
        return bytes;
    std::lock_guard lock(g_reportedLock);
    if (g_reported.insert(path).second) {
        std::fprintf(stderr, "rt604: the preset user colour file %s cannot be read; user modes restored from it "
                             "start from the default colours\n", path.c_str());
    }
    return {};
}

std::string UserModeFilePath(int profile)
{
    const std::string prefix =
        g_paths.userPresetPrefix.empty() ? g_paths.userFolder + "/UserDengColor_" : g_paths.userPresetPrefix;
    return prefix + std::to_string(profile) + ".userd";
}
