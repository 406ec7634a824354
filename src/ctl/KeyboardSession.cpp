#include "ctl/KeyboardSession.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <optional>
#include <span>

#include "ctl/CtlCommands.h"
#include "config/DeviceKeyMap.h"
#include "device/hid/CurrentHidBackend.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceMonitor.h"
#include "device/protocol/DeviceState.h"
#include "device/protocol/KeyboardConnection.h"
#include "device/protocol/KeyboardConversation.h"
#include "device/hid/HidDevice.h"
#include "device/virtual/VirtualKeyboard.h"
#include "device/virtual/VirtualKeyboardStateFile.h"
#include "platform/KeyboardChangeNotice.h"

namespace {

bool OpenKeyboard()
{
    if (!g_configChannel.EnumerateInterfaces())
        return false;
    bool found = false;
    while (std::optional<HidInterfaceInfo> info = g_configChannel.NextInterface()) {
        if (!IsKeyboardPath(info->path, info->vendorId, info->productId)
            || !MayBeCollection(*info, ConfigUsagePage, ConfigUsage))
            continue;
        if (!g_configChannel.Open(info->path, true, true, true, false))
            continue;
        if (IsConfigCollection(g_configChannel) && TakeKeyboardModel()) {
            g_deviceConnected = 1;
            found = true;
            break;
        }
        g_configChannel.Close();
    }
    g_configChannel.FreeInterfaceList();
    return found;
}

std::string HolderText(const LockHolder& holder)
{
    if (holder.pid <= 0)
        return "another program";
    return (holder.name.empty() ? std::string("another program") : holder.name) + " (pid " +
           std::to_string(holder.pid) + ")";
}

} // namespace

void TellRunningWindow(uint32_t parts)
{
    // Short: a script must not stall on a window that hangs. The window
    // answers before it re-reads, so a live one is far quicker than this.
    constexpr int AnswerMs = 1000;
    if (TellRunningInstance(parts, Options().virtualKeyboard, AnswerMs) == SendResult::NoAnswer)
        CtlError("the running window did not answer; it may show what the keyboard held before");
}

KeyboardSession::KeyboardSession() = default;

KeyboardSession::~KeyboardSession()
{
    conversation_.reset();
    g_deviceConnected = 0;
    g_configChannel.Close();
    g_currentProfile = -1;
    if (virtual_) {
        SetHidBackend(nullptr);
        virtual_.reset();
    }
    if (changed_)
        TellRunningWindow(changed_);
}

int KeyboardSession::Connect()
{
    if (const std::string& state = Options().virtualKeyboard; !state.empty()) {
        std::string error;
        virtual_ = OpenVirtualKeyboard(state, VirtualKeyboardOptions{}, error);
        if (!virtual_) {
            CtlError(error);
            return ExitFailed;
        }
        // Each problem is told when it happens, next to what it spoiled.
        virtual_->SetStateFileErrorHandler([](const std::string& problem) { CtlError(problem); });
        SetHidBackend(virtual_.get());
    }
    if (!OpenKeyboard()) {
        CtlError("no Orvan RT-604 keyboard is connected (or it cannot be opened: see the udev rule in the README)");
        return ExitNoKeyboard;
    }
    SetConversationWaitNotice([](const LockHolder& holder) {
        CtlError("the keyboard is busy with " + HolderText(holder) + "; waiting\u2026");
    });
    const int waitMs = Options().waitMs;
    conversation_ = std::make_unique<KeyboardConversation>(std::chrono::milliseconds(waitMs));
    SetConversationWaitNotice(nullptr);
    if (!conversation_->Held()) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", waitMs / 1000.0);
        CtlError("the keyboard is still busy with " + HolderText(conversation_->Holder()) + " after " + seconds +
                 " s; nothing was sent (see --wait)");
        return ExitBusy;
    }
    if (!ConnectKeyboard().Done()) {
        CtlError("the keyboard does not answer");
        return ExitNoKeyboard;
    }
    g_currentProfile = -1;
    return ExitOk;
}

int KeyboardSession::Finish(int result) const
{
    if (result == ExitOk && virtual_ && !virtual_->StateFileError().empty())
        return ExitFailed;
    return result;
}
