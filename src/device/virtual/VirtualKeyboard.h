#pragma once

#include "device/hid/HidBackend.h"
#include "device/protocol/CommandFrame.h"
#include "device/virtual/KeyboardMemories.h"
#include "device/virtual/VirtualKeyboardChecks.h"
#include "device/virtual/VirtualKeyboardFactory.h"
#include "device/virtual/VirtualKeyboardMemory.h"
#include "device/virtual/VirtualKeyboardOptions.h"
#include "device/virtual/VirtualKeyboardState.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class KeyboardStateFile;

// A software keyboard behind the HID backend seam: it keeps the keyboard's
// memories, answers command frames as the firmware does, sends notices on its
// Consumer Control collection, and can be unplugged or made to misbehave at
// any moment. Tests install it with SetHidBackend; the --virtual-keyboard mode
// of the program runs on it with its state kept in a file.
//
// Thread-safe: any thread may transfer on any handle or use the controls
// while another thread waits in a read.
//
// The firmware's answers are VirtualKeyboardMemory.h's, the checks of every
// frame VirtualKeyboardChecks.h's; this header brings those with it, and the
// factory memories and the state file's codec, for whoever runs a keyboard.

struct VirtualKeyboardCore;

class VirtualKeyboard final : public HidBackend {
public:
    explicit VirtualKeyboard(const VirtualKeyboardOptions& options = {});
    ~VirtualKeyboard() override;
    VirtualKeyboard(const VirtualKeyboard&) = delete;
    VirtualKeyboard& operator=(const VirtualKeyboard&) = delete;

    bool Enumerate(std::vector<HidInterfaceInfo>& out) override;
    std::unique_ptr<HidHandle> Open(const std::string& path, const HidOpenMode& mode) override;
    std::string NodeIdentity(const std::string& path) override;
    // Wakes at every plug, unplug and return from the loader.
    std::unique_ptr<HidChangeWatch> WatchChanges() override;

    std::string ConfigPath() const;
    std::string NotifyPath() const;
    std::string MousePath() const;

    // The cable. Unplugging fails every transfer in flight at once (the
    // device is gone) and kills every open handle; a replug needs a new Open,
    // as on hardware. Every plug makes new nodes under the same paths: a
    // handle opened before it stays dead, and NodeIdentity tells them apart.
    void Plug();
    void Unplug();
    // Out and back in at once, faster than any poll can see the gap.
    void Bounce();
    bool IsPlugged() const;

    // The firmware loader: entered by the EnterLoader frame, left by itself
    // after loaderTime, by LeaveLoader (what an updater's reset does) or by
    // a replug (Plug after Unplug). The memories stay as they were.
    bool InLoader() const;
    void LeaveLoader();

    // A notice on the Consumer Control collection: the usage, then its
    // release (0). 0x0402 is the keyboard's own reset: the factory memories
    // come back before the notice goes out.
    void SendNotice(uint16_t notice);
    // The owner pressed the keyboard's own effect key: the active profile's
    // lighting record moves to the next effect the keyboard offers, and
    // notice 0x0401 tells the program. Nothing when unplugged.
    void ChangeLightingOnKeyboard();

    // Faults, each for the next requests the keyboard receives.
    void DropReplies(int count);                 // received and acted on, reply lost
    void DelayNextReply(std::chrono::milliseconds delay);
    void DuplicateNextReply(std::chrono::milliseconds lateBy = std::chrono::milliseconds(0));
    void RefuseNextRequests(uint8_t status, int count = 1); // 0xFF or 0xFE, nothing changes
    // The same for the next requests of one command only; others are served.
    void RefuseNextRequestsOf(uint8_t command, uint8_t status, int count = 1);
    void FailNextWrites(int count = 1);          // the write itself fails
    // The cable bounces (Bounce) as the n-th request from now (1: the next)
    // is written; that write finds the device gone. 0: never.
    void BounceAtRequest(int n);
    void FailEnumeration(bool fail);
    // Bus time of every report written or read; 1 ms is a full-speed keyboard
    // polled every frame. 0 (the default) costs nothing.
    void SetReportLatency(std::chrono::microseconds latency);
    // Blocks until every reply and notice already scheduled has arrived.
    void WaitForScheduledReports() const;

    // The memories, as the firmware holds them.
    KeyboardMemories Memories() const;
    void SetMemories(const KeyboardMemories& memories); // sizes must match the model
    void ResetToFactory();
    // Number of requests received, for callers that count traffic.
    uint64_t RequestCount() const;

    // Every request received and every reply sent, in order.
    std::vector<LoggedFrame> FrameLog() const;
    // The frames refused as malformed since the last ClearViolations (kept
    // apart from the frame log, which tests clear as they go).
    std::vector<std::string> Violations() const;
    void ClearViolations();
    std::vector<Frame> Requests() const;
    void ClearFrameLog();
    void SetFrameLogEnabled(bool enabled);

    // The keyboard's memories in a file, once. A file that is damaged or of
    // the other model is refused and the current memories stay.
    bool SaveState(const std::string& path) const;
    bool LoadState(const std::string& path);
    // Runs the keyboard on a state file (see VirtualKeyboardStateFile.h,
    // OpenVirtualKeyboard): the memories become the file's, every request
    // takes the file's lock and sees what other processes wrote, every change
    // is saved before the lock goes. A group between BeginUpdate and
    // EndUpdate keeps the lock and is saved once, at its end. A request for
    // which the file cannot be locked or saved fails as a failed write does.
    void AttachStateFile(std::unique_ptr<KeyboardStateFile> file, const KeyboardMemories& memories);
    // The first problem the state file had, empty when none. The handler,
    // when set, hears of every problem as it happens (on the requesting
    // thread).
    std::string StateFileError() const;
    void SetStateFileErrorHandler(std::function<void(const std::string&)> handler);

private:
    std::shared_ptr<VirtualKeyboardCore> core_;
};

// A virtual keyboard of the model the file holds, running on the file (made
// as a factory keyboard of options' model when missing). Nothing, with
// error naming the file and the reason, when the file cannot be used.
std::unique_ptr<VirtualKeyboard> OpenVirtualKeyboard(const std::string& path, VirtualKeyboardOptions options,
                                                     std::string& error);
