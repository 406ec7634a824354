#pragma once

// The desktop's opener (xdg-open) as a test sees it: a script of the test's
// own, first in PATH while the object lives, that notes each address it is
// asked to open (one a line) and then runs the given shell commands ("exit
// 3": no browser set up). Without an opener (body nullptr) PATH holds only
// the empty folder, so no xdg-open can be found at all.
#include "support/SpinUntil.h"

#include <QByteArray>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class FakeOpener {
public:
    FakeOpener(const std::filesystem::path& folder, const char* body = "exit 0")
        : folder_(folder), log_(folder / "opened.txt"), savedPath_(qgetenv("PATH"))
    {
        std::filesystem::create_directories(folder_);
        std::filesystem::remove(log_);
        const std::filesystem::path script = folder_ / "xdg-open";
        std::filesystem::remove(script);
        if (body) {
            std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << log_.string() << "'\n"
                                  << body << "\n";
            std::filesystem::permissions(script, std::filesystem::perms::owner_all);
            qputenv("PATH", QByteArray::fromStdString(folder_.string()) + ':' + savedPath_);
        } else {
            qputenv("PATH", QByteArray::fromStdString(folder_.string()));
        }
    }
    ~FakeOpener() { qputenv("PATH", savedPath_); }
    FakeOpener(const FakeOpener&) = delete;
    FakeOpener& operator=(const FakeOpener&) = delete;

    std::vector<std::string> Opened() const
    {
        std::ifstream in(log_);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    // Runs the event loop until count addresses were asked for.
    bool WaitFor(size_t count, int timeoutMs = 5000) const
    {
        return SpinUntil([&] { return Opened().size() >= count; }, timeoutMs);
    }

private:
    std::filesystem::path folder_;
    std::filesystem::path log_;
    QByteArray savedPath_;
};
