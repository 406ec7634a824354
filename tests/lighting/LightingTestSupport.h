#pragma once

// The lighting core against a connected virtual keyboard: the lighting state,
// the key colour table and the user modes start empty, the user folder holds
// the three user mode files seeded from the installation's preset, and the
// keyboard's requests can be read back as plain {command, length, offset,
// data} records to compare with bytes typed in from the tables.

#include "support/ConnectedKeyboard.h"

#include "config/ProfileFile.h"
#include "actions/ProfileFileActions.h"
#include "lighting/UserModePreset.h"
#include "lighting/KeyColours.h"
#include "lighting/LightingState.h"
#include "platform/PrivateProfile.h"

#include <ostream>

struct Request {
    uint8_t command = 0;
    uint8_t length = 0;
    uint16_t offset = 0;
    std::vector<uint8_t> data;
    bool operator==(const Request&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Request& r)
{
    out << "{cmd " << int(r.command) << ", len " << int(r.length) << ", off " << r.offset << ", data";
    for (uint8_t b : r.data)
        out << ' ' << int(b);
    return out << '}';
}

// Shorthands for the expected groups.
inline Request Begin() { return {CmdBeginUpdate, 0, 0, {}}; }
inline Request End() { return {CmdEndUpdate, 0, 0, {}}; }
inline Request Params(uint16_t offset, std::vector<uint8_t> data)
{
    return {CmdWriteParams, static_cast<uint8_t>(data.size()), offset, std::move(data)};
}
inline Request Colours(uint16_t offset, std::vector<uint8_t> data)
{
    return {CmdWriteKeyColors, static_cast<uint8_t>(data.size()), offset, std::move(data)};
}

class LightingTest : public ConnectedKeyboardTest {
protected:
    using ConnectedKeyboardTest::ConnectedKeyboardTest;

    // The installation's preset user mode file the tests copy from.
    static constexpr const char* PresetText =
        "[PRESENTMODE]\nmode=1\n[MODENAME]\n0=Warm\n1=Cold\n[Mode1]\n0=10,20,30,0\n76=40,50,60,1\n"
        "125=70,80,90,0\ntool=1\njcolor=40,50,60\ncolor=1,2,3\n";

    void SetUp() override
    {
        ConnectedKeyboardTest::SetUp();
        std::filesystem::create_directories(dir / "preset");
        g_paths.presetPrefix = (dir / "preset" / "UserDengColor_").string();
        WriteText(g_paths.presetPrefix + "3.userd", PresetText);
        IniCache::Instance().Clear();
        ASSERT_EQ(EnsureUserFolder(), 1);
    }

    // The requests received since the last ClearFrameLog, with the data a
    // write carries (length bytes) and none for reads.
    std::vector<Request> Received() const
    {
        std::vector<Request> out;
        for (const Frame& f : kb->Requests()) {
            Request r{f[3], f[4], ReadU16(f.data(), 5), {}};
            const bool write = r.command == CmdWriteParams || r.command == CmdWriteKeyColors
                               || r.command == CmdWriteDeviceInfo;
            if (write)
                r.data.assign(f.begin() + 8, f.begin() + 8 + std::min<int>(r.length, 56));
            out.push_back(std::move(r));
        }
        return out;
    }

    // Reads the keyboard's lighting with the given profile viewed, then
    // forgets the frames of the reload.
    void Reload(int viewedProfile = 0)
    {
        g_lighting.viewedProfile = viewedProfile;
        ASSERT_EQ(ReloadLighting(), 0);
        BuildEffectList();
        kb->ClearFrameLog();
    }

    void SetRecordBytes(int profile, size_t field, std::vector<uint8_t> bytes)
    {
        KeyboardMemories m = kb->Memories();
        std::copy(bytes.begin(), bytes.end(), m.params.begin() + 42 * profile + static_cast<std::ptrdiff_t>(field));
        kb->SetMemories(m);
    }

    std::vector<uint8_t> RecordBytes(int profile, size_t field, size_t count) const
    {
        const KeyboardMemories m = kb->Memories();
        auto first = m.params.begin() + 42 * profile + static_cast<std::ptrdiff_t>(field);
        return std::vector<uint8_t>(first, first + static_cast<std::ptrdiff_t>(count));
    }

    std::vector<uint8_t> KeyboardColours(int profile, int index, int keys = 1) const
    {
        const KeyboardMemories m = kb->Memories();
        auto first = m.keyColors.begin() + profile * 512 + index * 3;
        return std::vector<uint8_t>(first, first + keys * 3);
    }

    std::string UserFile(int profile) const { return UserModeFilePath(profile); }

    static void WriteText(const std::string& path, const std::string& text)
    {
        ASSERT_TRUE(WriteFileAtomically(path, text));
        IniCache::Instance().Invalidate(path);
    }

    static std::string ReadText(const std::string& path)
    {
        std::string text;
        ReadWholeFile(path, text, 1 << 24);
        return text;
    }
};
