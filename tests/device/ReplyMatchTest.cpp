#include "FakeHidBackend.h"
#include "HidTestDescriptors.h"

#include "device/hid/CurrentHidBackend.h"
#include "device/hid/HidDevice.h"
#include "device/protocol/CommandFrame.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceState.h"
#include "device/protocol/ReplyMatch.h"
#include "state/ProcessState.h"

#include <gtest/gtest.h>

#include <array>

namespace {

// Every program that has the node open receives every reply. Here another
// program's reply to its request (parameters at offset 84) reaches us just
// before the keyboard's answer to ours, as the kernel hands them out.
class ForeignRepliesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FakeHidBackend::Device device;
        device.info.path = "cfg";
        device.info.vendorId = KeyboardVendorId;
        device.info.productId = 0x5000;
        device.info.usagePage = ConfigUsagePage;
        device.info.usage = ConfigUsage;
        device.descriptor = VendorCollection;
        backend_.Add(device);
        line_ = backend_.lines["cfg"];
        SetHidBackend(&backend_);
        ASSERT_TRUE(g_configChannel.Open("cfg", true, true, true, false));
        g_deviceConnected = 1;
        TransportTimings t;
        t.readTimeoutMs = 30;
        t.endUpdatePauseMs = 0;
        SetTransportTimings(t);
    }
    void TearDown() override
    {
        ResetProcessStateForTests();
        SetHidBackend(nullptr);
    }

    // Our keyboard's answer: the request's header echoed or not, status OK,
    // data 0x11; the other program's reply first when `foreign` is set.
    void Answer(bool echoes, const bool& foreign)
    {
        line_->answer = [this, echoes, &foreign](const std::vector<uint8_t>& written) {
            if (foreign)
                line_->reports.push_back(foreignReply_); // the line's lock is held here
            std::vector<uint8_t> reply(64, 0x11);
            reply[0] = 0x04;
            for (size_t i = 1; i < 7; ++i)
                reply[i] = echoes ? written[i] : 0;
            reply[7] = StatusOk;
            return reply;
        };
    }

    // The reply to "read 56 parameter bytes at 84" (05 38 54 00), data 0xEE.
    std::vector<uint8_t> foreignReply_ = [] {
        std::vector<uint8_t> r(64, 0xEE);
        const std::array<uint8_t, 8> head = {0x04, 0x91, 0x00, 0x05, 0x38, 0x54, 0x00, 0x01};
        std::copy(head.begin(), head.end(), r.begin());
        return r;
    }();
    FakeHidBackend backend_;
    std::shared_ptr<FakeHidBackend::Line> line_;
};

TEST_F(ForeignRepliesTest, AnEchoingKeyboardsRepliesToOtherRequestsAreSkipped)
{
    bool foreign = false;
    Answer(true, foreign);
    std::array<uint8_t, 56> record{};
    // The first reply of the connection is ours and shows the echo.
    ASSERT_EQ(ReadParams(record, 42, 0), 1);
    foreign = true;
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        record.fill(0);
        ASSERT_EQ(ReadParams(record, 42, 0), 1);
        EXPECT_EQ(record[0], 0x11) << "took the other program's reply";
        EXPECT_EQ(record[41], 0x11);
    }
    // One write per request: skipping is not retrying.
    EXPECT_EQ(line_->written.size(), 6u);
}

TEST_F(ForeignRepliesTest, AKeyboardThatDoesNotEchoIsServedByOrder)
{
    bool foreign = false;
    Answer(false, foreign);
    std::array<uint8_t, 56> record{};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(ReadParams(record, 42, 0), 1);
        EXPECT_EQ(record[0], 0x11);
    }
}

TEST(ReplyMatch, LearnsFromTheFirstReplyAndLearnsAgainWhenDistrusted)
{
    const Frame request = BuildRequest(CmdReadParams, 42, 42);
    Frame echo = BuildReply(request, StatusOk);
    Frame other = BuildReply(BuildRequest(CmdReadParams, 42, 84), StatusOk);
    Frame silent{};
    silent[0] = 0x04;
    silent[7] = StatusOk;

    ReplyMatch match;
    EXPECT_TRUE(match.Accept(request, echo));
    EXPECT_EQ(match.Learned(), ReplyMatch::Echo::Echoes);
    EXPECT_FALSE(match.Accept(request, other));
    EXPECT_FALSE(match.Accept(request, std::span<const uint8_t>(echo.data(), 6))) << "too short to show the echo";
    match.Distrust();
    EXPECT_TRUE(match.Accept(request, silent));
    EXPECT_EQ(match.Learned(), ReplyMatch::Echo::Silent);
    EXPECT_TRUE(match.Accept(request, other));
    match.Forget();
    EXPECT_EQ(match.Learned(), ReplyMatch::Echo::Unknown);
}

} // namespace
