#pragma once

#include <string>
#include <vector>

// rt604ctl lighting [PROFILE [FIELD=VALUE...]]: a profile's lighting record
// by name, or fields written as the window's lighting panel writes them.
int RunLighting(const std::vector<std::string>& args);
// rt604ctl key-colours PROFILE: the profile's user mode file to the keyboard.
int RunKeyColours(const std::vector<std::string>& args);
