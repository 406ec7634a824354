#pragma once

#include <string>
#include <vector>

// rt604ctl rules: the rules of automatic profiles in the settings store,
// listed and edited. A running program follows every change. With --json the
// rules (after the edit, for an edit) are printed as one JSON object.
int RunRules(const std::vector<std::string>& args);
