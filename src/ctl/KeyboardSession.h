#pragma once

#include <cstdint>
#include <memory>
#include <string>

class KeyboardConversation;
class VirtualKeyboard;

// The keyboard for one command: found and opened as the device monitor does,
// with its factory map and macro capacity read as the connection handler
// reads them; or, with --virtual-keyboard=STATEFILE, the virtual keyboard
// kept in that file, shared with any other program running on it.
//
// The whole command is one conversation with the keyboard: other programs
// wait until it ends, and it waits (at most Options().waitMs) for theirs.
class KeyboardSession {
public:
    KeyboardSession();
    ~KeyboardSession();
    KeyboardSession(const KeyboardSession&) = delete;
    KeyboardSession& operator=(const KeyboardSession&) = delete;

    // ExitOk when connected, else the exit code (the reason already printed);
    // ExitBusy when another program kept the keyboard for the whole wait.
    int Connect();
    // The exit code of a command that would end with result: a virtual
    // keyboard whose state file could not be saved turns success into
    // failure (the reason was printed when it happened).
    int Finish(int result) const;
    // The command is about to change these parts (KeyboardChangeNotice.h)
    // of the keyboard. Once the keyboard is let go, a running window is told,
    // also when a write failed half-way: what it shows may be stale either way.
    void Changed(uint32_t parts) { changed_ |= parts; }

private:
    std::unique_ptr<VirtualKeyboard> virtual_;
    uint32_t changed_ = 0;
    std::unique_ptr<KeyboardConversation> conversation_;
};
