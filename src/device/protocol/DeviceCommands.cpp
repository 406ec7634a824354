#include "device/protocol/DeviceCommands.h"

#include "device/protocol/CommandFrame.h"
#include "device/protocol/KeyboardConversation.h"
#include "device/protocol/ReplyMatch.h"
#include "device/hid/HidDevice.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

namespace {

std::mutex g_timingsLock;
TransportTimings g_timings;

constexpr int Profiles = 3;
// A keyboard that floods its input must not keep a request from being sent.
constexpr int MaxDiscardedReports = 64;

// Under g_deviceLock: what the keyboard on the open handle was learned to be.
ReplyMatch g_replies;
std::weak_ptr<const HidHandle> g_repliesOf; // weak: a new handle may take a freed one's address

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(left.count(), 0));
}

void DiscardWaitingReports()
{
    Frame stale{};
    size_t n = 0;
    for (int i = 0; i < MaxDiscardedReports; ++i) {
        if (!g_configChannel.ReadReport(stale.data(), stale.size(), &n, 0))
            return;
    }
}

// Sends one request and turns the reply's status into the result.
int32_t Command(const Frame& request, Frame* replyOut = nullptr)
{
    Frame reply{};
    size_t n = 0;
    const int32_t result = Transact(request.data(), request.size(), reply.data(), reply.size(), &n);
    if (result != 1)
        return result;
    const int32_t status = StatusResult(ReplyStatus(reply));
    if (status == 1 && replyOut)
        *replyOut = reply;
    return status;
}

int32_t ChunkedRead(uint8_t command, std::span<uint8_t> buffer, uint32_t base)
{
    const size_t total = buffer.size();
    if (total == 0)
        return 1;
    if (base + total > 0x10000)
        return 0; // past what a 16-bit offset can address
    KeyboardConversation conversation;
    if (!conversation.Held())
        return conversation.Result();
    for (size_t p = 0; p < total; p += FrameDataBytes) {
        const size_t length = std::min(FrameDataBytes, total - p);
        Frame reply{};
        const int32_t result = Command(
            BuildRequest(command, static_cast<uint8_t>(length), static_cast<uint16_t>(base + p)), &reply);
        if (result != 1)
            return result;
        std::copy_n(reply.begin() + FrameDataOffset, length, buffer.begin() + p);
    }
    return 1;
}

int32_t ChunkedWrite(uint8_t command, std::span<const uint8_t> buffer, uint32_t base)
{
    const size_t total = buffer.size();
    if (total == 0)
        return 1;
    if (base + total > 0x10000)
        return 0;
    KeyboardConversation conversation;
    if (!conversation.Held())
        return conversation.Result();
    for (size_t p = 0; p < total; p += FrameDataBytes) {
        const size_t length = std::min(FrameDataBytes, total - p);
        const int32_t result = Command(BuildRequest(command, static_cast<uint8_t>(length),
                                                    static_cast<uint16_t>(base + p), buffer.subspan(p, length)));
        if (result != 1)
            return result;
    }
    return 1;
}

bool ValidProfile(int profile)
{
    return profile >= 0 && profile < Profiles;
}

size_t MapBytes()
{
    return static_cast<size_t>(g_keyMapBytes.load());
}

} // namespace

TransportTimings CurrentTransportTimings()
{
    std::lock_guard lock(g_timingsLock);
    return g_timings;
}

void SetTransportTimings(const TransportTimings& timings)
{
    std::lock_guard lock(g_timingsLock);
    g_timings = timings;
}

int32_t Transact(const uint8_t* request, size_t length, uint8_t* reply, size_t replyLength, size_t* transferred)
{
    if (transferred)
        *transferred = 0;
    if (g_deviceConnected.load() == 0)
        return 0;
    const Frame frame = FrameFromBytes(std::span<const uint8_t>(request, request ? length : 0));
    const TransportTimings timings = CurrentTransportTimings();
    KeyboardConversation conversation;
    if (!conversation.Held())
        return conversation.Result();
    bool skipped = false;
    for (int attempt = 0; attempt < timings.attempts; ++attempt) {
        // One attempt's write and read belong together: another thread's
        // request must not slip in and take this reply.
        std::lock_guard lock(g_deviceLock);
        if (std::shared_ptr<const HidHandle> open = g_configChannel.OpenHandle(); open != g_repliesOf.lock()) {
            g_repliesOf = open;
            g_replies.Forget();
        }
        DiscardWaitingReports();
        if (!g_configChannel.WriteReport(frame.data(), frame.size(), nullptr, timings.writeTimeoutMs))
            return -1;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timings.readTimeoutMs);
        size_t n = 0;
        while (g_configChannel.ReadReport(reply, replyLength, &n, MillisecondsLeft(deadline))) {
            if (g_replies.Accept(frame, std::span<const uint8_t>(reply, n))) {
                if (transferred)
                    *transferred = n;
                return 1;
            }
            skipped = true; // a late reply to another program's request
        }
    }
    if (skipped) {
        std::lock_guard lock(g_deviceLock);
        g_replies.Distrust();
    }
    return 0;
}

int32_t SendOnly(const uint8_t* request, size_t length)
{
    if (g_deviceConnected.load() == 0)
        return 0;
    const Frame frame = FrameFromBytes(std::span<const uint8_t>(request, request ? length : 0));
    const int timeout = CurrentTransportTimings().writeTimeoutMs;
    KeyboardConversation conversation;
    if (!conversation.Held())
        return conversation.Result();
    std::lock_guard lock(g_deviceLock);
    return g_configChannel.WriteReport(frame.data(), frame.size(), nullptr, timeout) ? 1 : 0;
}

int32_t BeginUpdate()
{
    return Command(BuildRequest(CmdBeginUpdate, 0, 0));
}

int32_t EndUpdate()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(CurrentTransportTimings().endUpdatePauseMs));
    return Command(BuildRequest(CmdEndUpdate, 0, 0));
}

int32_t ReadDeviceInfo(std::span<uint8_t, DeviceInfoBytes> info)
{
    Frame reply{};
    const int32_t result = Command(BuildRequest(CmdReadDeviceInfo, DeviceInfoBytes, 0), &reply);
    if (result == 1)
        std::copy_n(reply.begin() + FrameDataOffset, DeviceInfoBytes, info.begin());
    return result;
}

int32_t WriteDeviceInfo(std::span<const uint8_t, DeviceInfoBytes> info)
{
    return Command(BuildRequest(CmdWriteDeviceInfo, DeviceInfoBytes, 0, info));
}

int32_t ReadParams(std::span<uint8_t> buffer, int n, int offset)
{
    if (n < 0 || n > static_cast<int>(FrameDataBytes) || offset < 0 || offset > 0xFFFF)
        return 0;
    Frame reply{};
    const int32_t result =
        Command(BuildRequest(CmdReadParams, static_cast<uint8_t>(n), static_cast<uint16_t>(offset)), &reply);
    if (result == 1)
        std::copy_n(reply.begin() + FrameDataOffset, std::min(buffer.size(), FrameDataBytes), buffer.begin());
    return result;
}

int32_t WriteParams(std::span<const uint8_t> bytes, int offset)
{
    if (bytes.empty() || bytes.size() > FrameDataBytes || offset < 0 || offset > 0xFFFF)
        return 0;
    return Command(BuildRequest(CmdWriteParams, static_cast<uint8_t>(bytes.size()), static_cast<uint16_t>(offset), bytes));
}

int32_t ReadKeyMap(std::span<uint8_t> buffer, int profile)
{
    if (!ValidProfile(profile))
        return -201;
    const size_t bytes = MapBytes();
    if (buffer.size() < bytes)
        return 0;
    return ChunkedRead(CmdReadKeyMap, buffer.first(bytes), static_cast<uint32_t>(profile * bytes));
}

int32_t WriteKeyMap(std::span<const uint8_t> buffer, int profile)
{
    if (!ValidProfile(profile))
        return -201;
    const size_t bytes = MapBytes();
    if (buffer.size() < bytes)
        return 0;
    return ChunkedWrite(CmdWriteKeyMap, buffer.first(bytes), static_cast<uint32_t>(profile * bytes));
}

int32_t ReadMacroMemory(std::span<uint8_t> buffer)
{
    return ChunkedRead(CmdReadMacroMemory, buffer, 0);
}

int32_t WriteMacroMemory(std::span<const uint8_t> buffer)
{
    return ChunkedWrite(CmdWriteMacroMemory, buffer, 0);
}

int32_t ReadDefaultKeyMap(std::span<uint8_t> buffer)
{
    const size_t bytes = MapBytes();
    if (buffer.size() < bytes)
        return 0;
    return ChunkedRead(CmdReadDefaultKeyMap, buffer.first(bytes), 0);
}

int32_t WriteKeyColors(std::span<const uint8_t> bytes, int firstKey, int profile)
{
    if (!ValidProfile(profile))
        return -201;
    const long offset = profile * 512L + firstKey * 3L;
    if (bytes.empty() || bytes.size() > FrameDataBytes || firstKey < 0 || offset > 0xFFFF)
        return 0;
    return Command(BuildRequest(CmdWriteKeyColors, static_cast<uint8_t>(bytes.size()), static_cast<uint16_t>(offset), bytes));
}

int32_t EnterLoader()
{
    const Frame frame = BuildEnterLoaderFrame();
    return SendOnly(frame.data(), frame.size());
}
