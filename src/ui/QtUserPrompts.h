#pragma once

#include "base/UserPrompts.h"

#include <QString>

class UiDispatcher;
class QMessageBox;
class QWidget;

// Message boxes and file dialogs. Calls from other threads (the device
// monitor's message about the default key map) are carried to the
// user-interface thread and wait for the answer; after shutdown has begun
// they return at once with the default answer.
class QtUserPrompts final : public UserPrompts {
public:
    explicit QtUserPrompts(UiDispatcher& dispatcher);

    void ShowMessage(const std::string& text, MessageStyle style) override;
    bool AskYesNo(const std::string& text) override;
    std::optional<std::string> ChooseOpenFile(const FileChoice& choice) override;
    std::optional<std::string> ChooseSaveFile(const FileChoice& choice) override;

private:
    UiDispatcher& dispatcher_;
};

// "(*.vpf)|*.vpf|(*.*)|*.*||" as Qt's "(*.vpf);;(*.*)": each pair of a
// description and a pattern list becomes one filter, the patterns of the
// second half (separated by ';') replacing those of the description.
QString QtFileFilter(const std::string& windowsFilter);
// Where a file dialog starts: the initial name itself (a file or a folder),
// or for a pattern ("*.vpf", "/some/folder/*.vpf") the pattern's folder,
// empty for the current folder.
QString InitialFolderOrName(const FileChoice& choice);

// A message box is a dialog with a title and a close button, never a window
// to minimise or maximise, whether or not a window of ours is shown to own it;
// topmost keeps it above every other window. Under Openbox, which draws
// those buttons on every title bar, the box has no title bar but a frame of
// its own.
void MakeMessageBoxDialog(QMessageBox& box, bool topmost);
