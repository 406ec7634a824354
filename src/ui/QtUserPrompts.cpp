#include "ui/QtUserPrompts.h"

#include "ui/WindowState.h"
#include "ui/FileDialogView.h"
#include "ui/UiDispatcher.h"
#include "platform/gui/X11WindowManager.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStringList>

#include <string>

namespace {

// The window the owner works in: a modal editor above the main window, any
// other window of ours that is active, else the main window when shown.
QWidget* Owner()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    QWidget* window = g_mainWindow.load();
    return window && window->isVisible() ? window : nullptr;
}

// Asked of the X server once, not on a connection of its own for every
// box. Only a name found is kept, so a window manager that starts after the
// program is still seen.
const std::string& WindowManagerName()
{
    static std::string name;
    if (name.empty())
        name = X11WindowManagerName();
    return name;
}

} // namespace

void MakeMessageBoxDialog(QMessageBox& box, bool topmost)
{
    Qt::WindowFlags flags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    // Openbox draws its minimise and maximise buttons whatever a window
    // asks; only a window without a title bar has none. A box minimised
    // away would leave the window behind it waiting for an answer nobody
    // sees, so there the box goes without the frame and draws its own.
    if (QGuiApplication::platformName() == QLatin1String("xcb") && WindowManagerName() == "Openbox") {
        flags = Qt::Dialog | Qt::CustomizeWindowHint;
        box.setStyleSheet(QStringLiteral("QMessageBox { border: 1px solid palette(mid); }"));
    }
    if (topmost)
        flags |= Qt::WindowStaysOnTopHint;
    box.setWindowFlags(flags);
}

QString InitialFolderOrName(const FileChoice& choice)
{
    const QString initial = QString::fromStdString(choice.initialName);
    if (!initial.contains(QLatin1Char('*')))
        return initial;
    // A pattern names no file: start in its folder, or the current one.
    const qsizetype slash = initial.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : initial.left(slash + 1);
}

QString QtFileFilter(const std::string& windowsFilter)
{
    const QStringList parts = QString::fromStdString(windowsFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed();
        if (description.isEmpty() && patterns.isEmpty())
            break;
        QStringList globs = patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& glob : globs)
            glob = glob.trimmed();
        if (globs.isEmpty())
            continue;
        QString name = description;
        const qsizetype open = name.indexOf(QLatin1Char('('));
        if (open >= 0)
            name = name.left(open).trimmed();
        filters << (name.isEmpty() ? QString() : name + QLatin1Char(' ')) + QLatin1Char('(') +
                       globs.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QtUserPrompts::QtUserPrompts(UiDispatcher& dispatcher) : dispatcher_(dispatcher) {}

void QtUserPrompts::ShowMessage(const std::string& text, MessageStyle style)
{
    dispatcher_.Send([&] {
        // Messages about a device write report what the keyboard did not
        // take; the others inform.
        const bool topmost = style == MessageStyle::Topmost;
        QMessageBox box(topmost ? QMessageBox::Warning : QMessageBox::Information, QString(),
                        QString::fromStdString(text), QMessageBox::Ok, Owner());
        MakeMessageBoxDialog(box, topmost);
        box.exec();
    });
}

bool QtUserPrompts::AskYesNo(const std::string& text)
{
    bool yes = false;
    dispatcher_.Send([&] {
        QMessageBox box(QMessageBox::Question, QString(), QString::fromStdString(text),
                        QMessageBox::Yes | QMessageBox::No, Owner());
        MakeMessageBoxDialog(box, false);
        box.setDefaultButton(QMessageBox::No);
        yes = box.exec() == QMessageBox::Yes;
    });
    return yes;
}

std::optional<std::string> QtUserPrompts::ChooseOpenFile(const FileChoice& choice)
{
    std::optional<std::string> result;
    dispatcher_.Send([&] {
        // Qt's own file dialogs, not the desktop's: those follow the
        // desktop's language and theme, these the program's.
        QFileDialog dialog(Owner(), QString(), InitialFolderOrName(choice), QtFileFilter(choice.filter));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        PrepareFileDialogView(dialog);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            result = dialog.selectedFiles().constFirst().toStdString();
    });
    return result;
}

std::optional<std::string> QtUserPrompts::ChooseSaveFile(const FileChoice& choice)
{
    std::optional<std::string> result;
    dispatcher_.Send([&] {
        QFileDialog dialog(Owner(), QString(), QString(), QtFileFilter(choice.filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!choice.defaultExtension.empty())
            dialog.setDefaultSuffix(QString::fromStdString(choice.defaultExtension));
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !choice.confirmOverwrite);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        PrepareFileDialogView(dialog);
        const QString initial = InitialFolderOrName(choice);
        if (!initial.isEmpty())
            dialog.selectFile(initial);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            result = dialog.selectedFiles().constFirst().toStdString();
    });
    return result;
}
