#pragma once

// A virtual keyboard connected as the device monitor leaves it after the
// connection handler ran, with a fresh document, the real language files,
// a temporary user folder, recording prompts and a headless main window.
// Any frame the keyboard refuses as malformed fails the test
// (support/FrameViolations.h).

#include "base/MainWindowLink.h"
#include "base/ProgramPaths.h"
#include "base/UserPrompts.h"
#include "actions/ApplyChanges.h"
#include "device/protocol/ActiveProfile.h"
#include "config/DeviceKeyMap.h"
#include "config/ConfigDocument.h"
#include "actions/ProfileSwitch.h"
#include "device/hid/CurrentHidBackend.h"
#include "device/protocol/BusyIndicator.h"
#include "device/protocol/CommandFrame.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceEvents.h"
#include "device/protocol/DeviceState.h"
#include "device/protocol/KeyboardConnection.h"
#include "device/hid/HidDevice.h"
#include "device/virtual/VirtualKeyboard.h"
#include "keys/KeyTable.h"
#include "actions/MacroApply.h"
#include "macro/MacroBlock.h"
#include "platform/AtomicFile.h"
#include "platform/SettingsStore.h"
#include "state/ProcessState.h"
#include "text/LanguageTexts.h"

#include "support/RecordingPrompts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unistd.h>
#include <vector>

class ConnectedKeyboardTest : public ::testing::Test {
protected:
    explicit ConnectedKeyboardTest(uint16_t productId = 0x5000, uint8_t macroUnits = 64)
    {
        options.productId = productId;
        options.macroUnits = macroUnits;
    }

    void SetUp() override
    {
        namespace fs = std::filesystem;
        dir = fs::temp_directory_path()
            / ("rt604-kb-" + std::to_string(::getpid()) + "-"
               + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        ResetProcessStateForTests();
        SetProgramPathsForTests(RT604_DATA_DIR, (dir / "user" / "Orvan RT-604").string());
        SetSettingsFolderForTests((dir / "cfg").string());
        SetLanguageIndex(0);
        SetPrompts(&prompts);
        SetMainWindowLink(&window);
        InitDocument();

        TransportTimings t;
        t.readTimeoutMs = 30;
        t.attempts = 2;
        t.endUpdatePauseMs = 0;
        SetTransportTimings(t);
        SetApplyShowDelay(std::chrono::milliseconds(0));
        SetBusyHideDelay(std::chrono::milliseconds(0));

        kb = std::make_unique<VirtualKeyboard>(options);
        SetHidBackend(kb.get());
        Connect();
    }

    void TearDown() override
    {
        WaitForBusyIndicators();
        ResetProcessStateForTests();
        kb.reset();
        std::filesystem::remove_all(dir);
    }

    // What the monitor and its connection handler do when the keyboard is
    // found: open the channel, pick the model, read the factory map and the
    // macro capacity. The active profile is left for GetCurrentProfile.
    void Connect()
    {
        ASSERT_TRUE(g_configChannel.Open(kb->ConfigPath(), true, true, true, false));
        ASSERT_TRUE(TakeKeyboardModel());
        g_deviceConnected = 1;
        const KeyboardConnectReads reads = ConnectKeyboard();
        ASSERT_EQ(reads.defaultKeyMap, 1);
        ASSERT_EQ(reads.deviceInfo, 1);
        kb->ClearFrameLog();
    }

    void Disconnect()
    {
        g_deviceConnected = 0;
        g_configChannel.Close();
        g_currentProfile = -1;
    }

    // The document read from the keyboard with `profile` current, the frame
    // log and the messages empty: where a test of an edit and its Apply
    // starts.
    void StartFromKeyboard(int profile = 0)
    {
        ASSERT_EQ(SetCurrentProfile(profile), 1);
        ASSERT_EQ(ReloadFromDevice(false), 1);
        kb->ClearFrameLog();
        prompts.ClearMessages();
    }

    // The main window's Apply, which runs only while its button is enabled.
    int32_t Apply()
    {
        window.applyEnabled = true;
        return ApplyChanges();
    }

    // ---- the keyboard's side ----

    KeyboardMemories Memories() const { return kb->Memories(); }

    // The position of a key on the keyboard (from its factory map).
    int PositionOf(uint16_t keyCode) const
    {
        const std::vector<uint16_t> codes = FactoryKeyCodes(options.productId);
        auto it = std::find(codes.begin(), codes.end(), keyCode);
        return it == codes.end() ? -1 : static_cast<int>(it - codes.begin());
    }

    KeyMapEntry EntryAt(const KeyboardMemories& m, int profile, int position) const
    {
        const size_t bytes = static_cast<size_t>(m.keyMapBytes);
        std::span<const uint8_t> map(m.keyMaps.data() + bytes * static_cast<size_t>(profile), bytes);
        return ReadKeyMapEntry(map, position);
    }

    std::vector<uint8_t> KeyMapOf(const KeyboardMemories& m, int profile) const
    {
        const size_t bytes = static_cast<size_t>(m.keyMapBytes);
        auto first = m.keyMaps.begin() + static_cast<std::ptrdiff_t>(bytes * static_cast<size_t>(profile));
        return std::vector<uint8_t>(first, first + static_cast<std::ptrdiff_t>(bytes));
    }

    // The commands the keyboard received, a run of chunks of one command
    // counted once: {0x01, 0x0A, 0x08, 0x02} for a whole Apply.
    std::vector<uint8_t> CommandRuns() const
    {
        std::vector<uint8_t> out;
        for (const Frame& f : kb->Requests()) {
            if (out.empty() || out.back() != f[3] || (f[3] != CmdWriteMacroMemory && f[3] != CmdWriteKeyMap
                                                      && f[3] != CmdReadKeyMap && f[3] != CmdReadMacroMemory))
                out.push_back(f[3]);
        }
        return out;
    }

    // Profiles whose key map was written, in order (from the chunks at offset
    // profile × keyMapBytes).
    std::vector<int> WrittenProfiles() const
    {
        std::vector<int> out;
        for (const Frame& f : kb->Requests()) {
            if (f[3] != CmdWriteKeyMap)
                continue;
            const int profile = ReadU16(f.data(), 5) / g_keyMapBytes.load();
            if (ReadU16(f.data(), 5) % g_keyMapBytes.load() == 0)
                out.push_back(profile);
        }
        return out;
    }

    size_t CountRequests(uint8_t command) const
    {
        size_t n = 0;
        for (const Frame& f : kb->Requests())
            n += f[3] == command;
        return n;
    }

    // ---- the document's side ----

    static void SetSlot(int profile, uint16_t keyIndex, uint16_t type, uint32_t value)
    {
        DocumentLock lock;
        const int slot = SlotsPerGroup * profile + keyIndex;
        SetSlotType(*g_configDoc.block, slot, type);
        SetSlotValue(*g_configDoc.block, slot, value);
    }

    static KeySlot SlotOf(int profile, uint16_t keyCode)
    {
        DocumentLock lock;
        return ReadKeySlot(*g_configDoc.block, SlotsPerGroup * profile + KeyCodeToIndex(keyCode));
    }

    // Appends a macro to the document: a press and release of key A.
    static void AddMacro(uint16_t id, const std::u16string& name, int events = 2)
    {
        DocumentLock lock;
        g_configDoc.macros.resize(g_configDoc.macros.size() + MacroBlockSize);
        MacroBlock macro(g_configDoc.macros.data() + size_t{g_configDoc.macroCount} * MacroBlockSize);
        macro.SetName16(name);
        macro.SetCycles(static_cast<uint8_t>(id));
        macro.SetMacroId(id);
        std::vector<MacroEvent> list;
        for (int i = 0; i < events; ++i)
            list.push_back({static_cast<uint32_t>(10 * (i + 1)), 30, static_cast<uint16_t>(i % 2)});
        macro.SetEvents(list);
        ++g_configDoc.macroCount;
    }

    // Slots and macros of the document; the header is left out, as every
    // save rebuilds it from the counts.
    static std::vector<uint8_t> DocumentBytes()
    {
        DocumentLock lock;
        const uint8_t* block = g_configDoc.block->data();
        std::vector<uint8_t> out(ConfigBlockSize - ProfileHeaderSize + g_configDoc.macros.size());
        std::memcpy(out.data(), block + ProfileHeaderSize, ConfigBlockSize - ProfileHeaderSize);
        if (!g_configDoc.macros.empty())
            std::memcpy(out.data() + ConfigBlockSize - ProfileHeaderSize, g_configDoc.macros.data(), g_configDoc.macros.size());
        return out;
    }

    static std::vector<uint8_t> ReadBytes(const std::string& path)
    {
        std::string text;
        if (!ReadWholeFile(path, text, uint64_t{1} << 32))
            return {};
        return std::vector<uint8_t>(text.begin(), text.end());
    }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    VirtualKeyboardOptions options;
    std::unique_ptr<VirtualKeyboard> kb;
    std::filesystem::path dir;
    RecordingPrompts prompts;
    HeadlessMainWindow window;
};

// The keyboard read into the document with profile 0 active, as the main
// window holds it once connected; the frame log starts empty.
class LoadedKeyboardTest : public ConnectedKeyboardTest {
protected:
    void SetUp() override
    {
        ConnectedKeyboardTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(ReloadFromDevice(false), 1);
        ASSERT_EQ(g_currentProfile.load(), 0);
        kb->ClearFrameLog();
    }
};
