#include "device/protocol/CommandFrame.h"

#include "platform/Bytes.h"

#include <algorithm>

uint16_t FrameChecksum(const Frame& frame)
{
    uint32_t sum = 0;
    for (size_t i = 3; i < FrameBytes; ++i)
        sum += frame[i];
    return static_cast<uint16_t>(sum);
}

bool FrameChecksumValid(const Frame& frame)
{
    return ReadU16(frame.data(), 1) == FrameChecksum(frame);
}

Frame BuildRequest(uint8_t command, uint8_t length, uint16_t offset, std::span<const uint8_t> data)
{
    Frame frame{};
    frame[0] = FrameReportId;
    frame[3] = command;
    frame[4] = length;
    WriteU16(frame.data(), 5, offset);
    std::copy_n(data.begin(), std::min(data.size(), FrameDataBytes), frame.begin() + FrameDataOffset);
    WriteU16(frame.data(), 1, FrameChecksum(frame));
    return frame;
}

Frame BuildEnterLoaderFrame()
{
    Frame frame{};
    frame[0] = FrameReportId;
    frame[3] = CmdEnterLoader;
    frame[4] = CmdEnterLoader;
    return frame;
}

bool IsEnterLoaderFrame(const Frame& frame)
{
    return frame[3] == CmdEnterLoader && frame[4] == CmdEnterLoader;
}

FrameRequest ParseRequest(const Frame& frame)
{
    FrameRequest request;
    request.command = frame[3];
    request.length = frame[4];
    request.offset = ReadU16(frame.data(), 5);
    request.data = std::span<const uint8_t>(frame.data() + FrameDataOffset,
                                            std::min<size_t>(request.length, FrameDataBytes));
    return request;
}

Frame BuildReply(const Frame& request, uint8_t status, std::span<const uint8_t> data)
{
    Frame reply{};
    std::copy_n(request.begin(), 7, reply.begin());
    reply[7] = status;
    std::copy_n(data.begin(), std::min(data.size(), FrameDataBytes), reply.begin() + FrameDataOffset);
    return reply;
}

uint8_t ReplyStatus(const Frame& reply)
{
    return reply[7];
}

int32_t StatusResult(uint8_t status)
{
    if (status == StatusBadChecksum)
        return -102;
    if (status == StatusRefused)
        return -103;
    return 1;
}

Frame FrameFromBytes(std::span<const uint8_t> bytes)
{
    Frame frame{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), FrameBytes), frame.begin());
    return frame;
}
