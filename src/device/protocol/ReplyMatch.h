#pragma once

#include "device/protocol/CommandFrame.h"

#include <cstddef>
#include <cstdint>
#include <span>

// Tells a request's reply from replies meant for someone else. Every program
// that has the keyboard open receives every reply, so a late one to another
// program's request can arrive while we wait for ours. A keyboard that
// echoes the request's command, length and offset (bytes 3..6) in its
// replies shows which is ours; one that does not is served by order. Which
// kind it is, is learned from the first reply of each connection.
class ReplyMatch {
public:
    enum class Echo { Unknown, Echoes, Silent };

    // Whether reply answers request; the first reply after Forget teaches
    // which kind of keyboard this is, and is taken.
    bool Accept(const Frame& request, std::span<const uint8_t> reply);
    // A new connection: learn again.
    void Forget() { echo_ = Echo::Unknown; }
    // A request of an echoing keyboard went unanswered while replies were
    // skipped: perhaps the first reply echoed by chance, so learn again
    // rather than skip every reply from now on.
    void Distrust()
    {
        if (echo_ == Echo::Echoes)
            echo_ = Echo::Unknown;
    }
    Echo Learned() const { return echo_; }

private:
    Echo echo_ = Echo::Unknown;
};

bool EchoesRequest(const Frame& request, std::span<const uint8_t> reply);
