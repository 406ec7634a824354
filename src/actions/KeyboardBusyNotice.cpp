#include "actions/KeyboardBusyNotice.h"

#include "base/UserPrompts.h"
#include "device/protocol/KeyboardConversation.h"
#include "text/LanguageTexts.h"

#include <atomic>
#include <memory>

std::string KeyboardBusyText(const LockHolder& holder)
{
    if (holder.pid <= 0)
        return LoadText("KEYBOARD_BUSY_OTHER_PROMPT");
    const std::string name = holder.name.empty() ? "?" : holder.name;
    // The number first: the name is the holder's own choice and may hold
    // something that looks like a directive.
    return FormatText(FormatText(LoadText("KEYBOARD_BUSY_PROMPT"), holder.pid), name);
}

void TellKeyboardBusyThrough(std::function<void(std::function<void()>)> post)
{
    auto pending = std::make_shared<std::atomic<bool>>(false);
    SetConversationBusyNotice([post = std::move(post), pending](const LockHolder& holder) {
        if (pending->exchange(true))
            return;
        post([pending, holder] {
            pending->store(false);
            Prompts().ShowMessage(KeyboardBusyText(holder), MessageStyle::Topmost);
        });
    });
}

void StopTellingKeyboardBusy()
{
    SetConversationBusyNotice(nullptr);
}
