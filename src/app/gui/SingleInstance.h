#pragma once

#include "app/gui/ShellMessages.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

class QLocalServer;

// One instance per user session. The pieces stand in for the Windows ones
// whose behaviour the rest of the program relies on:
//  - the named mutex "QM40T17B": an flock()ed file in the session's runtime
//    folder; the kernel drops it with its holder, so a crash leaves no lock
//    behind, while a lock held by some other program still counts as taken;
//  - the process snapshot: /proc, by the executable's file name (a copy of the
//    program under another name is another program);
//  - the marked main window: a local socket per instance in the same runtime
//    folder, which carries 8-byte messages (message and tag, little-endian)
//    and answers with a 4-byte result once the window has handled them.

inline constexpr const char* InstanceMutexName = "QM40T17B";

// $XDG_RUNTIME_DIR/orvan-rt604, else /tmp/orvan-rt604-<uid>; created with
// mode 0700. Empty when no safe folder can be had (a /tmp folder that is not
// ours, or a symbolic link).
std::string InstanceRuntimeFolder();

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // true: this process now holds the lock. false: someone holds it (or the
    // runtime folder is unusable).
    bool TryAcquire(const std::string& folder);
    void Release();
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Processes of this user, other than self, whose executable's file name is
// fileName (ignoring case), in ascending pid order.
std::vector<pid_t> FindProgramProcesses(const std::string& fileName, pid_t self);

// Where the instance with that pid listens.
std::string InstanceEndpointPath(const std::string& folder, pid_t pid);

enum class SendResult {
    NoInstance, // no other instance of this program has a window here
    Delivered,  // handled; answer holds the window's result
    NoAnswer,   // delivered, but the window did not answer in time
};

// Finds the other instance (FindProgramProcesses, then the first of them that
// listens in folder) and sends it the message, waiting up to timeoutMs for
// the answer.
SendResult SendToOtherInstance(const std::string& folder, const std::string& fileName, uint32_t message,
                               uint32_t tag, int timeoutMs, int32_t* answer = nullptr);
// Sends to one endpoint path.
SendResult SendToEndpoint(const std::string& path, uint32_t message, uint32_t tag, int timeoutMs,
                          int32_t* answer = nullptr);

// This instance's listening end. Lives on the user-interface thread; the
// handler runs there and its result is the answer.
class InstanceEndpoint : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<int32_t(uint32_t message, uint32_t tag)>;

    explicit InstanceEndpoint(QObject* parent = nullptr);
    ~InstanceEndpoint() override;

    bool Listen(const std::string& path, Handler handler);
    void Close();
    bool IsListening() const;

private:
    void OnConnection();

    QLocalServer* server_ = nullptr;
    Handler handler_;
    std::string path_;
};
