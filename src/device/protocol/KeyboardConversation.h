#pragma once

#include "platform/LockHolder.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class HidHandle;

// The keyboard talks to one program and one thread at a time. A thread holds
// a conversation for one whole transfer (a request and its reply, an update
// group, an import, an Apply...), so that no other thread of this program
// and no other program on the same keyboard puts its frames in between.
//
// Within a thread it nests: an inner conversation is free and always held.
// Lock order: a conversation first, then g_deviceLock. Never hold one while
// the owner is asked something or while waiting for another thread that may
// need it (the monitor waiting for the window).
class KeyboardConversation {
public:
    // Waits at most ConversationWaitLimit().
    KeyboardConversation();
    explicit KeyboardConversation(std::chrono::milliseconds limit);
    ~KeyboardConversation();
    KeyboardConversation(const KeyboardConversation&) = delete;
    KeyboardConversation& operator=(const KeyboardConversation&) = delete;

    bool Held() const { return held_; }
    // 1 held; KeyboardBusy when the wait ran out.
    int32_t Result() const;
    // Who held the keyboard when the wait ran out (this program's own pid
    // when another of its threads did).
    const LockHolder& Holder() const { return holder_; }

private:
    bool held_ = false;
    bool outer_ = false;
    LockHolder holder_;
    std::shared_ptr<const HidHandle> locked_;
};

// What every command gives when the keyboard stayed busy with another
// program (or thread) for the whole wait; nothing was sent.
inline constexpr int32_t KeyboardBusy = -104;

inline constexpr std::chrono::milliseconds DefaultConversationWait{10000};
std::chrono::milliseconds ConversationWaitLimit();
void SetConversationWaitLimit(std::chrono::milliseconds limit);

// Told once per conversation that has to wait for another program, on the
// waiting thread, before it waits. Empty: nobody is told.
void SetConversationWaitNotice(std::function<void(const LockHolder&)> notice);

// Told whenever a wait runs out, on the thread that gave up, holding no
// conversation. Empty: nobody is told.
void SetConversationBusyNotice(std::function<void(const LockHolder&)> notice);

// The holder named by the last wait that ran out, on any thread; for the
// message of whoever shows the failure later.
LockHolder LastBusyHolder();

// Whether this thread holds a conversation now.
bool InConversation();
