#pragma once

#include "platform/SingleInstance.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

// The listening end of an instance's endpoint (see SingleInstance.h), in
// plain POSIX calls; the user-interface side only watches its descriptors.

// How many connections the kernel holds for us before a start's connect()
// answers EAGAIN (which the start takes as "busy, try again").
inline constexpr int EndpointBacklog = 50;

class EndpointListener {
public:
    EndpointListener() = default;
    ~EndpointListener();
    EndpointListener(const EndpointListener&) = delete;
    EndpointListener& operator=(const EndpointListener&) = delete;

    // Listens at path: a socket only its user may connect to, non-blocking,
    // that appears at path only once it accepts connections. A file left
    // there by a crashed process (whose pid we now have) is replaced.
    bool Listen(const std::string& path, int backlog = EndpointBacklog);
    // Stops listening and removes the socket file, unless it is no longer
    // ours (replaced by someone else since).
    void Close();
    bool IsListening() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    // The next waiting connection, non-blocking and closed on exec; -1 with
    // errno when there is none (EAGAIN) or accepting failed.
    int Accept() const;

private:
    int fd_ = -1;
    std::string path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

// Collects one message from a connection. It never reads past the message,
// so whatever else a peer sends stays in the kernel's buffers, not in ours.
class EndpointMessageReader {
public:
    enum class State {
        Reading,  // more to come; read again once the connection is readable
        Complete, // Message() holds it
        Closed,   // the peer ended (or failed) before the message was whole
    };

    // Reads what is there without waiting.
    State ReadFrom(int fd);
    InstanceMessage Message() const;

private:
    std::array<uint8_t, InstanceMessageBytes> bytes_{};
    size_t got_ = 0;
};

// Writes the answer without waiting and without SIGPIPE for a peer that is
// gone; false when it did not all go.
bool SendEndpointAnswer(int fd, int32_t answer);
