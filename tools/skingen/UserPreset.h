#pragma once

#include <string>

// The preset user colour file ("UserDengColor_3.userd"): three named per-key
// colour schemes in the user mode file format, as text.
std::string UserPresetText();
