#include "lighting/UserModes.h"

#include "lighting/KeyColours.h"
#include "lighting/LightingState.h"
#include "lighting/UserModeFile.h"

int32_t LoadUserModes(LoadOnly loadOnly)
{
    const int profile = ViewedProfile();
    g_userModes.userMode = ReadUserMode(profile);
    g_userModes.tools = ReadTools(profile, g_userModes.userMode);
    for (uint16_t id : KeyColourButtons()) {
        const int index = KeyColourIndexOf(id);
        const KeyColourEntry entry = ReadKeyColour(profile, g_userModes.userMode, index);
        SetTableColour(profile, index, entry.colour);
        g_userModes.marks[static_cast<size_t>(profile)][static_cast<size_t>(index)] = entry.mark;
    }
    return loadOnly == LoadOnly::Yes ? 1 : SendKeyColours();
}

std::vector<std::string> UserModeNames(int count)
{
    std::vector<std::string> names;
    for (int mode = 0; mode < count; ++mode)
        names.push_back(ReadModeName(ViewedProfile(), mode));
    return names;
}

int32_t ChooseUserMode(int mode)
{
    if (mode < 0 || mode > MaxUserMode)
        return 0;
    g_userModes.userMode = mode;
    WriteUserMode(ViewedProfile(), mode);
    return LoadUserModes();
}

void RenameUserMode(const std::string& text)
{
    WriteModeName(ViewedProfile(), g_userModes.userMode, text);
}

int32_t RestoreUserColourDefaults()
{
    RestoreUserModeFile(ViewedProfile());
    return LoadUserModes();
}

void RestoreUserModesOfProfile(int profile)
{
    g_lighting.viewedProfile = profile;
    RestoreUserModeFile(ViewedProfile());
    LoadUserModes(LoadOnly::Yes);
}
