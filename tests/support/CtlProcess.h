#pragma once

// rt604ctl run as a user runs it, on a virtual keyboard kept in a state file
// of the test's own, in settings and data folders of its own.
#include "config/DeviceKeyMap.h"
#include "config/ConfigDocument.h"
#include "device/virtual/VirtualKeyboard.h"
#include "keys/KeyTable.h"
#include "macro/MacroBlock.h"
#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct CtlRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string Quote(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

class CtlKeyboardFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        namespace fs = std::filesystem;
        program = fs::path(RT604_BINARY_DIR) / "bin" / "rt604ctl";
        if (!fs::exists(program))
            GTEST_SKIP() << "rt604ctl is not built";
        dir = fs::temp_directory_path()
            / ("rt604-ctl-" + std::to_string(::getpid()) + "-"
               + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        // A runtime folder of its own: no window of the machine's owner is
        // told about the test's changes.
        fs::create_directories(dir / "run");
        fs::permissions(dir / "run", fs::perms::owner_all, fs::perm_options::replace);
        state = (dir / "kb.state").string();
    }
    void TearDown() override
    {
        if (!dir.empty())
            std::filesystem::remove_all(dir);
    }

    // On the virtual keyboard in `state` (the option after the arguments),
    // or, with virtualKeyboard false, on whatever keyboard the machine has.
    // A command that hangs is ended after a minute and gives status -1.
    CtlRun Ctl(const std::string& arguments, bool virtualKeyboard = true) const
    {
        return Shell(Quote(program.string()) + " " + arguments
                     + (virtualKeyboard ? " --virtual-keyboard=" + Quote(state) : std::string()));
    }
    // The whole command line after the environment, e.g. with options first.
    CtlRun Shell(const std::string& command, const std::string& before = {}) const
    {
        const std::string err = (dir / "stderr.txt").string();
        const std::string line = before + "XDG_RUNTIME_DIR=" + Quote((dir / "run").string())
            + " XDG_DATA_HOME=" + Quote((dir / "data").string())
            + " XDG_CONFIG_HOME=" + Quote((dir / "config").string())
            + " LANG=C LC_ALL= LC_MESSAGES= timeout -s KILL 60 " + command + " 2>" + Quote(err);
        CtlRun run;
        FILE* pipe = ::popen(line.c_str(), "r");
        if (!pipe)
            return run;
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            run.out.append(buffer, n);
        const int status = ::pclose(pipe);
        run.status = WIFEXITED(status) && WEXITSTATUS(status) != 137 ? WEXITSTATUS(status) : -1;
        ReadWholeFile(err, run.err, 1 << 20);
        return run;
    }

    KeyboardMemories Keyboard() const
    {
        std::string text;
        EXPECT_TRUE(ReadWholeFile(state, text, 1 << 20));
        KeyboardMemories memories;
        EXPECT_TRUE(DecodeKeyboardState(reinterpret_cast<const uint8_t*>(text.data()), text.size(), memories));
        return memories;
    }

    void SaveKeyboard(const KeyboardMemories& memories) const
    {
        ASSERT_TRUE(WriteFileAtomically(state, std::span<const uint8_t>(EncodeKeyboardState(memories))));
    }

    // A profile file: B on A in profile 1, the macro on Esc in profile 2;
    // with a long macro, one that needs more than `events` events' room.
    std::string WriteProfileFile(int events = 2, const std::string& name = "in.vpf") const
    {
        std::unique_ptr<ConfigBlock> block = MakeDefaultBlock(0);
        SetSlotType(*block, KeyCodeToIndex(30), 2);
        SetSlotValue(*block, KeyCodeToIndex(30), 48);
        SetSlotType(*block, SlotsPerGroup + KeyCodeToIndex(1), 4);
        SetSlotValue(*block, SlotsPerGroup + KeyCodeToIndex(1), 9);
        std::vector<uint8_t> macro(MacroBlockSize);
        MacroBlock view(macro.data());
        view.SetName("Hello");
        view.SetMacroId(9);
        view.SetCycles(2);
        std::vector<MacroEvent> list;
        for (int i = 0; i < events; ++i)
            list.push_back({20, 35, static_cast<uint16_t>(i % 2)});
        view.SetEvents(list);
        BuildProfileHeader(block->data(), 1, 0, 0);
        std::vector<uint8_t> file(block->bytes.begin(), block->bytes.end());
        file.insert(file.end(), macro.begin(), macro.end());
        const std::string path = (dir / name).string();
        EXPECT_TRUE(WriteFileAtomically(path, std::span<const uint8_t>(file)));
        return path;
    }

    std::filesystem::path program;
    std::filesystem::path dir;
    std::string state;
};
