#pragma once

#include <string>

// Every file path the program uses, computed once at start-up and read-only
// afterwards. Paths use '/' and folders end with '/'. The data folder holds
// Skins/, Help/ and the language files: the program's own folder for a build
// run in place, <prefix>/share/orvan-rt604/ for an installed program.
struct ProgramPaths {
    std::string programFile;
    std::string programDrive;     // always empty on this platform
    std::string programDir;       // the data folder, with a trailing '/'
    std::string programFileName;  // file name of programFile
    std::string helpFolder;       // programDir + "Help/"
    std::string mainSkinIni;      // programDir + "Skins/Main.ini"
    std::string skinFolder;       // folder of mainSkinIni, trailing '/'
    std::string presetPrefix;     // programDir + "Skins/UserDengColor_"
    std::string profileIni, profileIniFolder;
    std::string updateIni, updateIniFolder;
    std::string packageFolder;    // programDir + "Package"
    std::string compositeIni, compositeIniFolder;
    std::string residentProgram;  // the companion program beside the program
    std::string userFolder;       // user data folder + "/Orvan RT-604"
    std::string userIni;          // userFolder + "/wskb.ini"
    std::string userPresetPrefix; // userFolder + "/UserDengColor_"
    std::string linkAddress;
};

extern ProgramPaths g_paths;

inline constexpr const char* DefaultLinkAddress = "https://www.orvan-gear.example/rt604";

// Fills g_paths for the program file at programFile (a full path). Called
// once at start-up before any window exists.
void ComputeProgramPaths(const std::string& programFile);
// Full path of the running program (/proc/self/exe), empty if unknown.
std::string RunningProgramFile();
// The data folder for a program file: its own folder when that holds
// "Skins" or "Lang0409.ini", else <prefix>/share/orvan-rt604/ beside the
// program folder's parent. Trailing '/'.
std::string DefaultDataDir(const std::string& programFile);
// $XDG_DATA_HOME (else ~/.local/share) + "/Orvan RT-604", no trailing '/'.
std::string DefaultUserFolder();
// Tests: every data path under dataDir, the per-user paths under userFolder.
void SetProgramPathsForTests(const std::string& dataDir, const std::string& userFolder);
