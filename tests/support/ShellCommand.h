#pragma once

// Runs shell commands from tests that check what outside tools make of the
// project (packaging, desktop files): their output and exit status.
#include <cstdio>
#include <string>
#include <sys/wait.h>

// text in single quotes for sh, its own single quotes escaped.
inline std::string ShellQuoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct ShellResult {
    int status = -1; // exit status; -1 when it did not exit normally
    std::string output; // standard output and error together
};

inline ShellResult RunShell(const std::string& command)
{
    ShellResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
