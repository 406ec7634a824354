#include "update/gui/UpdaterLauncher.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

namespace {

// xdg-mime reads a few small files; a hung one must not hang the window.
constexpr int HandlerQueryMs = 3000;

QString QueryDefaultHandler(const QString& xdgMime, const QString& mimeType)
{
    QProcess query;
    query.setStandardInputFile(QProcess::nullDevice());
    query.setStandardErrorFile(QProcess::nullDevice());
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(HandlerQueryMs)) {
        query.kill();
        query.waitForFinished(HandlerQueryMs);
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

} // namespace

bool IsExecutableFile(const std::string& path)
{
    const QFileInfo info(QString::fromStdString(path));
    return info.isFile() && info.isExecutable();
}

std::string DesktopHandlerFor(const std::string& path)
{
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return {};
    const QMimeType type = QMimeDatabase().mimeTypeForFile(QString::fromStdString(path));
    QStringList types{type.name()};
    types += type.allAncestors();
    for (const QString& name : types) {
        const QString handler = QueryDefaultHandler(xdgMime, name);
        if (!handler.isEmpty())
            return handler.toStdString();
    }
    return {};
}

bool DesktopUpdaterLauncher::CanStart(const std::string& path)
{
    return IsExecutableFile(path) || !DesktopHandlerFor(path).empty();
}

bool DesktopUpdaterLauncher::Start(const std::string& path)
{
    const QString file = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
    if (IsExecutableFile(path))
        return QProcess::startDetached(file, {});
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    return !opener.isEmpty() && QProcess::startDetached(opener, {file});
}
