#pragma once

#include <functional>
#include <string>

// Problems with installed or user files that the program works around (a
// missing language file, a skin control placed off its window, a window
// shape too detailed to use): told once each on standard error as
// "<program>: <text>", since a window that shows "#Error" cannot say why.
void ReportProblemOnce(const std::string& text);

// Tests hear the problems instead; an empty handler restores standard
// error. Returns the previous handler. Installing one also forgets what was
// told, so every test starts afresh.
using ProblemHandler = std::function<void(const std::string& text)>;
ProblemHandler SetProblemHandler(ProblemHandler handler);
