#pragma once

#include <memory>
#include <string>
#include <vector>

class VirtualKeyboard;

// The keyboard for one rt604ctl command: found and opened as the device
// monitor does, with its factory map and macro capacity read as the
// connection handler reads them; or, with --virtual-keyboard=STATEFILE, the
// virtual keyboard kept in that file, whose state is saved after every write.
class KeyboardSession {
public:
    KeyboardSession();
    ~KeyboardSession();
    KeyboardSession(const KeyboardSession&) = delete;
    KeyboardSession& operator=(const KeyboardSession&) = delete;

    // Takes the option out of args, so that the arguments can be checked
    // before any keyboard is looked for. ExitOk, or ExitUsage (printed).
    int TakeOption(std::vector<std::string>& args);
    // ExitOk when connected, else the exit code (the reason already printed).
    int Connect();

private:
    int StartVirtualKeyboard();

    std::string statePath_;
    bool wantVirtual_ = false;
    std::unique_ptr<VirtualKeyboard> virtual_;
};
