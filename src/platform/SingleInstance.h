#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

// One instance per user session. The pieces stand in for the Windows ones
// whose behaviour the rest of the program relies on:
//  - the named mutex "QM40T17B": an flock()ed file in the session's runtime
//    folder; the kernel drops it with its holder, so a crash leaves no lock
//    behind, while a lock held by some other program still counts as taken.
//    The holder writes its pid into it, so that a second start knows whom
//    to wait for;
//  - the process snapshot: /proc, by the executable's file name (a copy of the
//    program under another name is another program);
//  - the marked main window: a local socket per instance in the same runtime
//    folder (InstanceEndpoint, on the Qt side), which carries 8-byte
//    messages (message and first parameter, little-endian) and answers with
//    a 4-byte result once the window has handled them.
//
// All of this runs before any window exists, so none of it needs Qt.

inline constexpr const char* InstanceMutexName = "QM40T17B";

// $XDG_RUNTIME_DIR/orvan-rt604, else /tmp/orvan-rt604-<uid>; created with
// mode 0700. A folder that is not ours alone (another user made it first, it
// is a symbolic link, or others may write to it) is refused: in /tmp the
// next free name of ours (/tmp/orvan-rt604-<uid>.1 to .9) is taken instead.
// Empty when no private folder can be had. problem (when given) gets what
// was refused, also when another name was taken, so that it can be told.
std::string InstanceRuntimeFolder(std::string* problem = nullptr);
// Where the private folders above go instead of /tmp (empty: /tmp again).
void SetSharedTempFolderForTests(const std::string& folder);

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // true: this process now holds the lock (and its pid is in the file).
    // false: someone holds it (or the runtime folder is unusable).
    bool TryAcquire(const std::string& folder);
    void Release();
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The pid the lock's holder wrote into the lock file; 0 when there is none
// (no file, a holder that has not written it yet, or a lock that is not
// ours). Only a hint: the caller checks who that process is.
pid_t InstanceLockHolder(const std::string& folder);

// Whether pid is a process of this user whose executable's file name is
// fileName (ignoring case).
bool IsProgramProcess(pid_t pid, const std::string& fileName);
// Processes of this user, other than self, whose executable's file name is
// fileName (ignoring case), in ascending pid order.
std::vector<pid_t> FindProgramProcesses(const std::string& fileName, pid_t self);

// The longest socket path every listener takes: sun_path holds 108 bytes
// with the closing zero. One byte short of that, as earlier versions
// listened, so that they and this one agree on where an instance is.
inline constexpr size_t LongestEndpointPath = 106;

// Where the instance with that pid listens: in folder, or, where that path
// would be longer than LongestEndpointPath, in the private folder
// /tmp/orvan-rt604-<uid> (created when missing) under a name that carries
// folder's digest. Empty when neither can be had: no instance can listen
// then, and a start never finds one.
std::string InstanceEndpointPath(const std::string& folder, pid_t pid);

// A message for the running instance's main window: the message number and
// its first parameter (the tag, or a command id), as the window takes it.
struct InstanceMessage {
    uint32_t message = 0;
    uint32_t param = 0;
};

// On the wire: the message, then its parameter, each little-endian; the
// answer is one little-endian 32-bit result.
inline constexpr size_t InstanceMessageBytes = 8;
inline constexpr size_t InstanceAnswerBytes = 4;

enum class SendResult {
    NoInstance, // nothing listens there
    Delivered,  // handled; answer holds the window's result
    NoAnswer,   // delivered, but the window did not answer in time
};

// Sends to one endpoint path and waits up to timeoutMs for the answer.
SendResult SendToEndpoint(const std::string& path, InstanceMessage message, int timeoutMs,
                          int32_t* answer = nullptr);
// Finds another instance (FindProgramProcesses, then the first of them that
// listens in folder) and sends it the message.
SendResult SendToOtherInstance(const std::string& folder, const std::string& fileName, InstanceMessage message,
                               int timeoutMs, int32_t* answer = nullptr);

// What a start is, once it has settled with any instance already running.
enum class StartRole {
    Instance,     // this process holds the lock: it is the one instance
    HandedOver,   // a running instance took the message: this process ends
    NotAnswering, // an instance of ours holds the lock but never listened: this process ends
    Unlocked,     // the lock is not ours and no instance of ours answers: run without it
};

struct HandOverTimings {
    // How long a start waits for the lock's holder (an instance still
    // starting up) to listen.
    int waitForInstanceMs = 10000;
    // How long a sent message may take the window.
    int answerMs = 5000;
    // How long a lock whose holder cannot be told is taken for one of ours
    // that has not written its pid yet.
    int unknownHolderMs = 1000;
};

// Takes the lock or hands the message to the instance that has it. Two
// starts at the same instant are the case this is for: the loser finds the
// lock taken before the winner listens, so it waits (on the folder's
// changes, not in a busy loop) until the winner's endpoint answers, or the
// lock comes free (the winner ended: try again), or the time is up.
StartRole TakeLockOrHandOver(InstanceLock& lock, const std::string& folder, const std::string& fileName,
                             InstanceMessage message, const HandOverTimings& timings = {},
                             int32_t* answer = nullptr);
