#include "ui/AutoProfileBridge.h"

#include "autoprofile/AutoProfileSwitcher.h"
#include "autoprofile/gui/AutoProfileController.h"
#include "autoprofile/gui/AutoProfileDialog.h"
#include "device/protocol/DeviceState.h"

#include <QWidget>

namespace {

class WindowHost final : public AutoProfileHost {
public:
    explicit WindowHost(AutoProfileBridge::Window window) : window_(std::move(window)) {}

    int32_t KnownProfile() override { return g_currentProfile.load(); }
    int32_t ReadActiveProfile() override { return window_.readActiveProfile(); }
    bool IsBusy() override { return window_.isBusy(); }
    bool HasUnappliedChanges() override { return window_.hasUnappliedChanges(); }
    int32_t SwitchProfile(int32_t profile) override { return window_.switchProfile(profile); }
    void WaitChanged(AutoProfileWait, int32_t) override { window_.waitChanged(); }

private:
    AutoProfileBridge::Window window_;
};

} // namespace

AutoProfileBridge::AutoProfileBridge(Window window) : QObject(window.widget), window_(std::move(window)) {}

void AutoProfileBridge::Start()
{
    controller_ = new AutoProfileController(std::make_unique<WindowHost>(window_), this);
    connect(controller_, &AutoProfileController::switched, this, &AutoProfileBridge::switched);
    controller_->Start();
}

void AutoProfileBridge::Stop()
{
    if (controller_)
        controller_->Stop();
    if (dialog_)
        dialog_->reject();
}

void AutoProfileBridge::Resume()
{
    if (controller_)
        controller_->Resume();
}

QString AutoProfileBridge::TipNote() const
{
    const QString note = controller_ ? controller_->WaitNote() : QString();
    return note.isEmpty() ? note : QStringLiteral("\n") + note;
}

void AutoProfileBridge::OpenDialog()
{
    if (!controller_)
        return;
    if (!dialog_)
        dialog_ = new AutoProfileDialog(*controller_, window_.widget);
    dialog_->Open();
}

void AutoProfileBridge::ApplyTexts()
{
    if (dialog_ && dialog_->isVisible())
        dialog_->ApplyLanguage();
}
