#include "ui/MainWindow.h"

#include "actions/ProfileSwitch.h"
#include "autoprofile/gui/AutoProfileController.h"
#include "base/UserPrompts.h"
#include "device/protocol/DeviceState.h"
#include "platform/KeyboardChangeNotice.h"
#include "skin/gui/PngButton.h"
#include "text/LanguageTexts.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <algorithm>
#include <utility>

// Following what another program (rt604ctl) changed on the keyboard while
// the window runs.

namespace {

// A question of ours is open: looked at again this much later, as nothing
// tells us when a message box closes.
constexpr int ModalRetryMs = 250;

} // namespace

int32_t CVarkelinDlg::OnKeyboardChanged(uint32_t param)
{
    const std::optional<uint32_t> parts = DecodeKeyboardChange(param, KeyboardIdentity(options_.virtualStateFile));
    if (!parts)
        return 0;
    Trace("message CH " + std::to_string(*parts));
    outsidePending_ |= *parts;
    // Answered at once: the sender must not wait for the keyboard to be read.
    QueueOutsideFollow(0);
    return 1;
}

void CVarkelinDlg::QueueOutsideFollow(int delayMs)
{
    if (std::exchange(outsideFollowQueued_, true))
        return;
    QTimer::singleShot(delayMs, this, [this] {
        outsideFollowQueued_ = false;
        FollowOutsideChanges();
    });
}

void CVarkelinDlg::FollowOutsideChanges()
{
    if (outsidePending_ == 0 || exiting_)
        return;
    // An editor's or the profile manager's edits belong to what the window
    // showed when it opened, and an Apply is one group on the keyboard: the
    // reading waits for them (the sub-window's closing and the Apply's end
    // come back here).
    if (IsApplying() || IsKeyEditorOpen() || IsProfileDialogOpen())
        return;
    if (QApplication::activeModalWidget()) {
        QueueOutsideFollow(ModalRetryMs);
        return;
    }
    const uint32_t parts = std::exchange(outsidePending_, 0);
    if ((parts & KeyboardPart::Rules) && AutoProfiles())
        AutoProfiles()->ReloadSettings();
    // A keyboard found again is read whole anyway.
    if (!g_deviceConnected.load())
        return;
    Trace("follow " + std::to_string(parts));
    if (parts & (KeyboardPart::KeyMap | KeyboardPart::Macros)) {
        if (applyEnabled_) {
            ShowOutsideChangeNote(true);
        } else {
            ReloadFromDevice(false);
            Trace("keys-reread");
        }
    }
    const int32_t before = g_currentProfile.load();
    if (parts & (KeyboardPart::Profile | KeyboardPart::KeyMap | KeyboardPart::Macros))
        FollowKeyboardProfile();
    // A profile that changed has had its lighting read with it.
    const bool lightingShown = g_currentProfile.load() != before;
    if ((parts & (KeyboardPart::Lighting | KeyboardPart::KeyColours)) && !lightingShown)
        ReloadAndShowLighting(false);
}

void CVarkelinDlg::ShowOutsideChangeNote(bool shown)
{
    outsideChangeUnder_ = shown;
    if (!shown) {
        if (outsideNote_)
            outsideNote_->hide();
        return;
    }
    Trace("outside-change-noted");
    if (!outsideNote_) {
        outsideNote_ = new QLabel(this);
        outsideNote_->setObjectName(QStringLiteral("OutsideChangeNote"));
        outsideNote_->setWordWrap(true);
        outsideNote_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        outsideNote_->setStyleSheet(QStringLiteral("QLabel { color: #ffb347; background: transparent; }"));
    }
    outsideNote_->setText(QString::fromStdString(LoadText("MAIN_OUTSIDE_CHANGE_NOTE")));
    // In the footer beside the link, where nothing else stands, ending under
    // the buttons whose question it explains.
    CPngButton* link = Button(MainControl::Link);
    CPngButton* cancel = Button(MainControl::Cancel);
    if (link && cancel) {
        const int left = link->geometry().right() + 24;
        const int width = std::max(cancel->geometry().right() + 1 - left, 200);
        const int height = outsideNote_->heightForWidth(width);
        outsideNote_->setGeometry(left, link->geometry().center().y() - height / 2, width, height);
    }
    outsideNote_->show();
    outsideNote_->raise();
}

bool CVarkelinDlg::MayWriteOverOutsideChange()
{
    if (!outsideChangeUnder_ || !applyEnabled_)
        return true;
    if (!Prompts().AskYesNo(LoadText("MAIN_OUTSIDE_CHANGE_PROMPT"))) {
        Trace("apply-kept");
        return false;
    }
    ShowOutsideChangeNote(false);
    return true;
}
