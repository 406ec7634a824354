// The virtual keyboard against the literal frames: it answers the requests
// the tables define with exactly the replies they define, and refuses, logs
// and reports every frame the hardware would not take.
#include "device/protocol/CommandFrame.h"
#include "device/virtual/VirtualKeyboard.h"
#include "device/virtual/VirtualKeyboardChecks.h"
#include "support/FrameViolations.h"
#include "support/LiteralFrames.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(VirtualKeyboardLiterals, SessionGetsTheLiteralReplies)
{
    KeyboardMemories m = FactoryMemories(0x5000, 64);
    bool groupOpen = false;
    for (const LiteralExchange& e : LiteralSession()) {
        SCOPED_TRACE(e.name);
        const FirmwareOutcome out = HandleRequest(m, e.request, groupOpen);
        EXPECT_EQ(out.faults, 0u) << DescribeFrameFaults(out.faults);
        ASSERT_EQ(out.reply.has_value(), e.replied);
        if (e.replied)
            EXPECT_EQ(*out.reply, e.reply);
        else
            EXPECT_TRUE(out.enterLoader);
    }
    EXPECT_EQ(m.ActiveProfile(), 2);
}

TEST(VirtualKeyboardLiterals, RefusalsChangeNothingAndNameTheirRule)
{
    for (const LiteralRefusal& r : LiteralRefusals()) {
        SCOPED_TRACE(r.name);
        KeyboardMemories m = FactoryMemories(0x5000, 64);
        const KeyboardMemories before = m;
        bool groupOpen = r.inGroup;
        const FirmwareOutcome out = HandleRequest(m, r.request, groupOpen);
        EXPECT_EQ(out.faults, r.fault) << DescribeFrameFaults(out.faults);
        ASSERT_TRUE(out.reply);
        EXPECT_EQ(ReplyStatus(*out.reply), r.status);
        EXPECT_FALSE(out.changedMemory);
        EXPECT_FALSE(out.enterLoader);
        EXPECT_TRUE(m == before);
        EXPECT_EQ(groupOpen, r.inGroup);
    }
}

TEST(VirtualKeyboardLiterals, FactoryKeyMapCarriesTheUsageTablesUsages)
{
    for (uint16_t product : {uint16_t{0x5000}, uint16_t{0}}) {
        SCOPED_TRACE(product);
        const std::vector<uint8_t> map = FactoryKeyMap(product);
        const size_t keys = product == 0x5000 ? 128 : 126;
        ASSERT_EQ(map.size(), keys * 3);
        for (size_t k = 0; k < keys; ++k) {
            const std::array<uint8_t, 3> entry = {map[3 * k], map[3 * k + 1], map[3 * k + 2]};
            EXPECT_EQ(entry, LiteralFactoryKeyMap()[k]) << "position " << k;
        }
    }
}

// --- through the backend: the bus, the log and the reports ------------------

struct Handles {
    std::unique_ptr<HidHandle> config;
};

HidIo Send(HidHandle& h, std::span<const uint8_t> report, Frame* reply = nullptr)
{
    size_t n = 0;
    if (HidIo io = h.Write(report, n, 1000); io != HidIo::Done)
        return io;
    Frame discard{};
    return h.Read(reply ? *reply : discard, n, 200);
}

std::unique_ptr<HidHandle> OpenConfig(VirtualKeyboard& kb)
{
    HidOpenMode rw;
    rw.write = true;
    return kb.Open(kb.ConfigPath(), rw);
}

TEST(VirtualKeyboardStrict, LiteralSessionOverTheBus)
{
    VirtualKeyboard kb;
    std::unique_ptr<HidHandle> h = OpenConfig(kb);
    for (const LiteralExchange& e : LiteralSession()) {
        SCOPED_TRACE(e.name);
        Frame reply{};
        if (e.replied) {
            ASSERT_EQ(Send(*h, e.request, &reply), HidIo::Done);
            EXPECT_EQ(reply, e.reply);
        } else {
            size_t n = 0;
            EXPECT_EQ(h->Write(e.request, n, 1000), HidIo::Done);
        }
    }
    EXPECT_FALSE(kb.IsPlugged()); // the loader took it off the bus
    EXPECT_TRUE(kb.Violations().empty());
}

TEST(VirtualKeyboardStrict, BusRefusesReportsOfTheWrongIdOrLength)
{
    VirtualKeyboard kb;
    std::unique_ptr<HidHandle> h = OpenConfig(kb);
    const LiteralFrame readInfo = LiteralSession()[0].request;
    const std::vector<uint8_t> shorter(readInfo.begin(), readInfo.end() - 1);
    std::vector<uint8_t> longer(readInfo.begin(), readInfo.end());
    longer.push_back(0);
    LiteralFrame idZero = readInfo;
    idZero[0] = 0;
    for (std::span<const uint8_t> report :
         {std::span<const uint8_t>(shorter), std::span<const uint8_t>(longer), std::span<const uint8_t>(idZero)}) {
        size_t n = 0;
        EXPECT_EQ(h->Write(report, n, 1000), HidIo::Failed);
    }
    std::vector<uint32_t> logged;
    for (const LoggedFrame& f : kb.FrameLog()) {
        EXPECT_EQ(f.direction, FrameDirection::Request); // nothing answered
        logged.push_back(f.faults);
    }
    EXPECT_EQ(logged, (std::vector<uint32_t>{FaultWriteLength, FaultWriteLength, FaultReportId}));
    EXPECT_EQ(kb.Violations().size(), 3u);
    EXPECT_EQ(kb.Memories(), FactoryMemories(0x5000, 64));
    // Each one also reached the test's watch; taken here, as they were meant.
    const std::vector<std::string> reported = TakeFrameViolations();
    ASSERT_EQ(reported.size(), 3u);
    EXPECT_NE(reported[2].find("report id"), std::string::npos) << reported[2];
}

TEST(VirtualKeyboardStrict, GroupOpensAtBeginAndClosesAtEndOrUnplug)
{
    VirtualKeyboard kb;
    std::unique_ptr<HidHandle> h = OpenConfig(kb);
    const LiteralFrame begin = LiteralSession()[1].request;
    const LiteralFrame write = LiteralSession()[2].request; // effect 20 at offset 42
    const LiteralFrame end = LiteralSession()[9].request;
    Frame reply{};
    ASSERT_EQ(Send(*h, write, &reply), HidIo::Done);
    EXPECT_EQ(ReplyStatus(reply), StatusRefused);
    EXPECT_EQ(kb.Memories().params[42], 0x01);
    ASSERT_EQ(Send(*h, begin), HidIo::Done);
    ASSERT_EQ(Send(*h, begin), HidIo::Done); // a re-sent Begin changes nothing
    ASSERT_EQ(Send(*h, write, &reply), HidIo::Done);
    EXPECT_EQ(ReplyStatus(reply), 0x01);
    EXPECT_EQ(kb.Memories().params[42], 0x14);
    ASSERT_EQ(Send(*h, end), HidIo::Done);
    ASSERT_EQ(Send(*h, end), HidIo::Done); // nor a re-sent End
    ASSERT_EQ(Send(*h, write, &reply), HidIo::Done);
    EXPECT_EQ(ReplyStatus(reply), StatusRefused);

    ASSERT_EQ(Send(*h, begin), HidIo::Done);
    kb.Unplug();
    kb.Plug();
    h = OpenConfig(kb);
    ASSERT_EQ(Send(*h, write, &reply), HidIo::Done);
    EXPECT_EQ(ReplyStatus(reply), StatusRefused);

    std::vector<uint32_t> faults;
    for (const LoggedFrame& f : kb.FrameLog()) {
        if (f.faults)
            faults.push_back(f.faults);
    }
    EXPECT_EQ(faults, (std::vector<uint32_t>(3, FaultOutsideGroup)));
    EXPECT_EQ(TakeFrameViolations().size(), 3u);
}

TEST(VirtualKeyboardStrict, ViolationsBeyondTheLogAreKept)
{
    VirtualKeyboard kb;
    kb.SetFrameLogEnabled(false);
    std::unique_ptr<HidHandle> h = OpenConfig(kb);
    ASSERT_EQ(Send(*h, LiteralRefusals()[1].request), HidIo::Done); // bad checksum
    kb.ClearFrameLog();
    EXPECT_TRUE(kb.FrameLog().empty());
    ASSERT_EQ(kb.Violations().size(), 1u);
    EXPECT_NE(kb.Violations()[0].find("checksum"), std::string::npos);
    kb.ClearViolations();
    EXPECT_TRUE(kb.Violations().empty());
    EXPECT_EQ(TakeFrameViolations().size(), 1u);
}

const LiteralFrame& SessionFrame(const std::string& name)
{
    for (const LiteralExchange& e : LiteralSession()) {
        if (name == e.name)
            return e.request;
    }
    ADD_FAILURE() << "no literal " << name;
    return LiteralSession()[0].request;
}

// Two programs writing at once: a keyboard that checks conversations reports
// every request that cannot be part of the open group, yet acts on it as the
// hardware would, so the tests still see what the interleaving does.
TEST(VirtualKeyboardStrict, RequestsThatCrossAnotherGroupAreReportedAndActedOn)
{
    struct Case {
        std::vector<std::string> frames;
        std::vector<uint32_t> faults; // of the frames, in order
    };
    const std::vector<Case> cases = {
        {{"BeginUpdate", "BeginUpdate"}, {0, FaultGroupInGroup}},
        {{"BeginUpdate", "ReadDeviceInfo"}, {0, FaultForeignInGroup}},
        {{"BeginUpdate", "ReadKeyMapFirstChunk", "ReadMacroMemory", "ReadDefaultKeyMap"},
         {0, FaultForeignInGroup, FaultForeignInGroup, FaultForeignInGroup}},
        {{"BeginUpdate", "WriteParams", "WriteDeviceInfo", "EndUpdate"}, {0, 0, FaultForeignInGroup, 0}},
        // One program's own group and what it does outside it.
        {{"ReadDeviceInfo", "BeginUpdate", "WriteParams", "ReadParams", "WriteKeyColors", "WriteKeyMapFirstChunk",
          "WriteMacroMemory", "EndUpdate", "ReadMacroMemory", "WriteDeviceInfo", "BeginUpdate", "EndUpdate"},
         std::vector<uint32_t>(12, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frames[1]);
        VirtualKeyboardOptions options;
        options.strictConversations = true;
        VirtualKeyboard kb(options);
        std::unique_ptr<HidHandle> h = OpenConfig(kb);
        std::vector<uint32_t> reported;
        for (const std::string& name : c.frames) {
            Frame reply{};
            ASSERT_EQ(Send(*h, SessionFrame(name), &reply), HidIo::Done) << name;
            EXPECT_EQ(ReplyStatus(reply), 0x01) << name; // taken, not refused
            const std::vector<std::string> lines = TakeFrameViolations();
            reported.push_back(lines.empty() ? 0u
                               : lines[0].find("inside another group") != std::string::npos ? uint32_t{FaultGroupInGroup}
                               : lines[0].find("no group inside") != std::string::npos ? uint32_t{FaultForeignInGroup}
                                                                                       : ~0u);
        }
        EXPECT_EQ(reported, c.faults);
        EXPECT_EQ(kb.Violations().size(),
                  static_cast<size_t>(std::count_if(c.faults.begin(), c.faults.end(), [](uint32_t f) { return f != 0; })));
    }

    // Acted on: the profile switch inside the group took effect.
    VirtualKeyboardOptions options;
    options.strictConversations = true;
    VirtualKeyboard kb(options);
    std::unique_ptr<HidHandle> h = OpenConfig(kb);
    ASSERT_EQ(Send(*h, SessionFrame("BeginUpdate")), HidIo::Done);
    ASSERT_EQ(Send(*h, SessionFrame("WriteDeviceInfo")), HidIo::Done);
    EXPECT_EQ(kb.Memories().ActiveProfile(), 2);
    EXPECT_EQ(TakeFrameViolations().size(), 1u);

    // A keyboard that does not check conversations takes a re-sent Begin
    // without a word (see GroupOpensAtBeginAndClosesAtEndOrUnplug).
    VirtualKeyboard plain;
    h = OpenConfig(plain);
    ASSERT_EQ(Send(*h, SessionFrame("BeginUpdate")), HidIo::Done);
    ASSERT_EQ(Send(*h, SessionFrame("ReadDeviceInfo")), HidIo::Done);
    EXPECT_TRUE(plain.Violations().empty());
}

// A program the test starts reports through the file the environment names.
TEST(VirtualKeyboardStrict, AnotherProcessReportsThroughTheFile)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SetFrameViolationSink(nullptr); // as in a program, which installs none
        VirtualKeyboard kb;
        std::unique_ptr<HidHandle> h = OpenConfig(kb);
        Send(*h, LiteralRefusals()[2].request); // reserved byte
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const std::vector<std::string> reported = TakeFrameViolations();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find("reserved byte"), std::string::npos) << reported[0];
}

} // namespace
