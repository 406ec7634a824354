#pragma once

// The owner as the tests play it: records what the program tells and asks
// and answers as the test set it. Messages may come from the device threads
// or the Apply's thread, so the records are kept under the mutex; a test
// reading them while those threads run takes it too.
#include "base/UserPrompts.h"
#include "text/LanguageTexts.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class RecordingPrompts : public UserPrompts {
public:
    void ShowMessage(const std::string& text, MessageStyle style) override
    {
        {
            std::lock_guard lock(mutex);
            messages.push_back(text);
            styles.push_back(style);
        }
        // What happens while the box waits for the owner.
        if (whileShown)
            whileShown();
    }
    bool AskYesNo(const std::string& text) override
    {
        {
            std::lock_guard lock(mutex);
            questions.push_back(text);
        }
        if (onQuestion)
            onQuestion();
        return answerYes;
    }
    std::optional<std::string> ChooseOpenFile(const FileChoice& choice) override
    {
        std::lock_guard lock(mutex);
        choices.push_back(choice);
        return openPath;
    }
    std::optional<std::string> ChooseSaveFile(const FileChoice& choice) override
    {
        std::lock_guard lock(mutex);
        choices.push_back(choice);
        return savePath;
    }

    // Whether the text of a language key was shown.
    bool Said(const std::string& key) const
    {
        const std::string text = LoadText(key);
        std::lock_guard lock(mutex);
        return std::find(messages.begin(), messages.end(), text) != messages.end();
    }
    std::vector<std::string> Texts() const
    {
        std::lock_guard lock(mutex);
        return messages;
    }
    // Forgets the messages shown so far; messages and styles stay in step.
    void ClearMessages()
    {
        std::lock_guard lock(mutex);
        messages.clear();
        styles.clear();
    }

    mutable std::mutex mutex;
    std::vector<std::string> messages;
    std::vector<MessageStyle> styles; // one per message
    std::vector<std::string> questions;
    std::vector<FileChoice> choices;
    bool answerYes = false;
    std::function<void()> onQuestion;
    std::function<void()> whileShown;
    std::optional<std::string> openPath;
    std::optional<std::string> savePath;
};
