#include "device/protocol/ReplyMatch.h"

#include <algorithm>

namespace {

constexpr size_t EchoFirst = 3;
constexpr size_t EchoEnd = 7; // command, length, offset

} // namespace

bool EchoesRequest(const Frame& request, std::span<const uint8_t> reply)
{
    return reply.size() >= EchoEnd
        && std::equal(request.begin() + EchoFirst, request.begin() + EchoEnd, reply.begin() + EchoFirst);
}

bool ReplyMatch::Accept(const Frame& request, std::span<const uint8_t> reply)
{
    const bool echoes = EchoesRequest(request, reply);
    switch (echo_) {
    case Echo::Unknown:
        echo_ = echoes ? Echo::Echoes : Echo::Silent;
        return true;
    case Echo::Echoes:
        return echoes;
    case Echo::Silent:
        return true;
    }
    return true;
}
