#include "update/FirmwareUpdate.h"

#include "base/ProgramPaths.h"
#include "actions/ProfileImport.h"
#include "device/protocol/DeviceCommands.h"
#include "text/LanguageTexts.h"

#include <filesystem>
#include <mutex>
#include <system_error>

namespace {

std::mutex g_pathLock;
std::string g_updaterPath;

struct MessageText {
    UpdateText text;
    const char* key;
    const char* fallback; // the fixed text of language files without the key
};

constexpr MessageText MessageTexts[] = {
    {UpdateText::WrongFile, "UPDATE_WRONG_FILE", "请选择正确的更新文件! "},
    {UpdateText::NoLoader, "UPDATE_NO_LOADER", "无法进入Boot模式! "},
    {UpdateText::StartFailed, "UPDATE_START_FAILED", "无法执行更新文件! "},
    {UpdateText::NotStartable, "UPDATE_NO_HANDLER", "无法执行更新文件! "},
    {UpdateText::BackupDone, "UPDATE_BACKUP_DONE", "备份成功!"},
    {UpdateText::BackupFailed, "UPDATE_BACKUP_FAILED", "备份失败,请重新备份!"},
};

// Updaters come for the keyboard's other home, Windows, as well as for
// this one; both kinds are offered.
constexpr const char* UpdaterFilter = "(*)|*|(*.exe)|*.exe||";

void Show(UpdateText text, const std::string& path = {}, MessageStyle style = MessageStyle::Normal)
{
    Prompts().ShowMessage(FormatText(UpdateMessage(text), path), style);
}

} // namespace

std::string UpdateMessage(UpdateText text)
{
    for (const MessageText& m : MessageTexts) {
        if (m.text == text)
            return LoadTextOr(m.key, m.fallback);
    }
    return {};
}

std::string UpdaterPath()
{
    std::lock_guard lock(g_pathLock);
    return g_updaterPath;
}

void SetUpdaterPath(const std::string& path)
{
    std::lock_guard lock(g_pathLock);
    g_updaterPath = path;
}

FileChoice UpdaterFileChoice()
{
    FileChoice choice;
    choice.filter = UpdaterFilter;
    // A folder: the dialog starts there.
    choice.initialName = g_paths.packageFolder;
    return choice;
}

bool ChooseUpdater()
{
    const std::optional<std::string> chosen = Prompts().ChooseOpenFile(UpdaterFileChoice());
    // Whatever the dialog's outcome, relative names resolve in the package
    // folder from now on; a folder that does not exist changes nothing.
    std::error_code ignored;
    std::filesystem::current_path(g_paths.packageFolder, ignored);
    SetUpdaterPath(chosen.value_or(std::string()));
    return chosen.has_value();
}

UpdateOutcome StartUpdate(UpdaterLauncher& launcher)
{
    const std::string path = UpdaterPath();
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) {
        Show(UpdateText::WrongFile);
        return UpdateOutcome::WrongFile;
    }
    // Asked before the keyboard leaves: a file nothing can start would leave
    // it in its loader for nothing.
    if (!launcher.CanStart(path)) {
        Show(UpdateText::NotStartable, path);
        return UpdateOutcome::NotStartable;
    }
    if (EnterLoader() != 1) {
        Show(UpdateText::NoLoader, {}, MessageStyle::Topmost);
        return UpdateOutcome::NoLoader;
    }
    const bool started = launcher.Start(path);
    SetUpdaterPath(std::string());
    if (!started) {
        Show(UpdateText::StartFailed, path, MessageStyle::Topmost);
        return UpdateOutcome::StartFailed;
    }
    return UpdateOutcome::Started;
}

int32_t BackupConfiguration()
{
    const std::optional<std::string> path = Prompts().ChooseSaveFile(ExportFileChoice());
    if (!path)
        return 0;
    const int32_t written = ExportProfileFile(*path);
    Show(written == 1 ? UpdateText::BackupDone : UpdateText::BackupFailed);
    return written;
}
