#pragma once

#include <optional>
#include <string>

// How the core asks the user something or tells them something. The main
// window implements it with message boxes and file dialogs; tests implement
// it with a few lines that record and answer.
enum class MessageStyle {
    Normal,
    // Messages about a device write stay above every other window.
    Topmost,
};

struct FileChoice {
    std::string filter;           // e.g. "(*.vpf)|*.vpf|(*.*)|*.*||"
    std::string initialName;      // e.g. "*.vpf", or a folder + name
    std::string defaultExtension; // without the dot
    bool confirmOverwrite = false;
};

class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    virtual void ShowMessage(const std::string& text, MessageStyle style) = 0;
    // A Yes/No question whose default answer is No.
    virtual bool AskYesNo(const std::string& text) = 0;
    virtual std::optional<std::string> ChooseOpenFile(const FileChoice& choice) = 0;
    virtual std::optional<std::string> ChooseSaveFile(const FileChoice& choice) = 0;
};

// The prompts in use. Without a window they write messages to standard error
// and answer every question with No and every file choice with nothing.
UserPrompts& Prompts();
// nullptr restores the default. The caller keeps ownership.
void SetPrompts(UserPrompts* prompts);
