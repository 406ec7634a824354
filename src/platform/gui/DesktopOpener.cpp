#include "platform/gui/DesktopOpener.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <memory>
#include <utility>

void OpenWithDesktop(const QString& target, QObject* context, std::function<void()> failed)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        QTimer::singleShot(0, context, std::move(failed));
        return;
    }
    // Its answer is awaited without blocking: xdg-open may run a browser in
    // the foreground for as long as the browser lives.
    auto* process = new QProcess(context);
    process->setProgram(opener);
    process->setArguments({target});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    auto report = std::make_shared<std::function<void()>>(std::move(failed));
    QObject::connect(process, &QProcess::errorOccurred, process, [process, report](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        if (*report)
            std::exchange(*report, nullptr)();
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::finished, process,
                     [process, report](int exitCode, QProcess::ExitStatus status) {
                         // A handler still running when the program ends is
                         // killed then; that is no failure to report.
                         if (QCoreApplication::closingDown())
                             return;
                         if ((status != QProcess::NormalExit || exitCode != 0) && *report)
                             std::exchange(*report, nullptr)();
                         process->deleteLater();
                     });
    process->start();
}
