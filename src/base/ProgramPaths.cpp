#include "base/ProgramPaths.h"

#include "platform/HomeFolder.h"

#include <cstdlib>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

ProgramPaths g_paths;

namespace {

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Folder part of a path with its trailing '/', or "./" when it has none.
std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

void FillDataPaths(ProgramPaths& p)
{
    const std::string& dir = p.programDir;
    p.helpFolder = dir + "Help/";
    p.mainSkinIni = dir + "Skins/Main.ini";
    p.skinFolder = FolderOf(p.mainSkinIni);
    p.presetPrefix = dir + "Skins/UserDengColor_";
    p.profileIni = dir + "Skins/Profile.ini";
    p.profileIniFolder = FolderOf(p.profileIni);
    p.updateIni = dir + "Skins/UpdateDlg.ini";
    p.updateIniFolder = FolderOf(p.updateIni);
    p.packageFolder = dir + "Package";
    p.compositeIni = dir + "Skins/Composite.ini";
    p.compositeIniFolder = FolderOf(p.compositeIni);
}

void FillUserPaths(ProgramPaths& p, const std::string& userFolder)
{
    p.userFolder = userFolder;
    while (p.userFolder.size() > 1 && p.userFolder.back() == '/')
        p.userFolder.pop_back();
    p.userIni = p.userFolder + "/wskb.ini";
    p.userPresetPrefix = p.userFolder + "/UserDengColor_";
}

} // namespace

std::string RunningProgramFile()
{
    char buffer[PATH_MAX + 1];
    ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0)
        return {};
    return std::string(buffer, static_cast<size_t>(n));
}

std::string DefaultDataDir(const std::string& programFile)
{
    std::string own = FolderOf(programFile);
    if (Exists(own + "Skins") || Exists(own + "Lang0409.ini"))
        return own;
    // Installed layout: <prefix>/bin/program and <prefix>/share/orvan-rt604/.
    std::string trimmed = own.size() > 1 ? own.substr(0, own.size() - 1) : own;
    std::string prefix = FolderOf(trimmed);
    return prefix + "share/orvan-rt604/";
}

std::string DefaultUserFolder()
{
    return XdgBaseFolder("XDG_DATA_HOME", ".local/share") + "/Orvan RT-604";
}

void ComputeProgramPaths(const std::string& programFile)
{
    ProgramPaths p;
    p.programFile = programFile;
    p.programDrive.clear();
    p.programFileName = FileNameOf(programFile);
    p.programDir = WithSlash(DefaultDataDir(programFile));
    FillDataPaths(p);
    p.residentProgram = FolderOf(programFile) + "Tarnwick";
    FillUserPaths(p, DefaultUserFolder());
    p.linkAddress = DefaultLinkAddress;
    g_paths = p;
}

void SetProgramPathsForTests(const std::string& dataDir, const std::string& userFolder)
{
    ProgramPaths p;
    p.programDir = WithSlash(dataDir);
    p.programFile = p.programDir + "rt604";
    p.programFileName = "rt604";
    FillDataPaths(p);
    p.residentProgram = p.programDir + "Tarnwick";
    FillUserPaths(p, userFolder);
    p.linkAddress = DefaultLinkAddress;
    g_paths = p;
}
