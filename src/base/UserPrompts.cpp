#include "base/UserPrompts.h"

#include <atomic>
#include <cstdio>

namespace {

class ConsolePrompts final : public UserPrompts {
public:
    void ShowMessage(const std::string& text, MessageStyle) override
    {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    bool AskYesNo(const std::string& text) override
    {
        std::fprintf(stderr, "%s [No]\n", text.c_str());
        return false;
    }
    std::optional<std::string> ChooseOpenFile(const FileChoice&) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const FileChoice&) override { return std::nullopt; }
};

ConsolePrompts g_consolePrompts;
std::atomic<UserPrompts*> g_prompts{nullptr};

} // namespace

UserPrompts& Prompts()
{
    UserPrompts* current = g_prompts.load();
    return current ? *current : g_consolePrompts;
}

void SetPrompts(UserPrompts* prompts)
{
    g_prompts.store(prompts);
}
