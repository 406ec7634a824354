#include "support/FrameViolations.h"

#include "device/virtual/VirtualKeyboard.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <unistd.h>

namespace {

std::mutex g_lock;
std::vector<std::string> g_violations;

std::string& ChildFile()
{
    static std::string path;
    return path;
}

void Collect(const std::string& line)
{
    std::lock_guard lock(g_lock);
    if (g_violations.size() < 1000)
        g_violations.push_back(line);
}

class ViolationWatch : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { TakeFrameViolations(); }
    // Runs before the result is printed: end events go to listeners last
    // added first, so the failure still belongs to the test that caused it.
    void OnTestEnd(const testing::TestInfo&) override
    {
        const std::vector<std::string> lines = TakeFrameViolations();
        if (lines.empty())
            return;
        std::string text;
        for (const std::string& line : lines)
            text += "\n  " + line;
        ADD_FAILURE() << lines.size() << " frame(s) the keyboard would refuse:" << text;
    }
};

const bool g_installed = [] {
    SetFrameViolationSink(&Collect);
    ChildFile() = (std::filesystem::temp_directory_path()
                   / ("rt604-frame-violations-" + std::to_string(::getpid()) + ".log"))
                      .string();
    ::setenv("RT604_FRAME_VIOLATIONS", ChildFile().c_str(), 1);
    std::atexit([] { std::filesystem::remove(ChildFile()); });
    testing::UnitTest::GetInstance()->listeners().Append(new ViolationWatch);
    return true;
}();

} // namespace

std::vector<std::string> TakeFrameViolations()
{
    std::vector<std::string> lines;
    {
        std::lock_guard lock(g_lock);
        lines.swap(g_violations);
    }
    std::ifstream file(ChildFile());
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    file.close();
    std::filesystem::remove(ChildFile());
    return lines;
}
