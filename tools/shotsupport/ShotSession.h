#pragma once

// What every screenshot tool does around its own scenes: a fresh account, the
// real main window against the virtual keyboard, pictures of the screen.

#include "ui/QtDeviceEvents.h"
#include "ui/QtMainWindowLink.h"
#include "ui/QtUserPrompts.h"
#include "ui/UiDispatcher.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QHash>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <memory>

class QScreen;
class VirtualKeyboard;

// Runs the event loop for up to ms milliseconds, or until done says so.
void Spin(int ms, const std::function<bool()>& done = {});

// The "--name value" pairs of the command line; every tool needs --data (a
// build's bin folder) and --out.
class ShotOptions {
public:
    ShotOptions(int argc, char** argv);
    QString Value(const char* name, const QString& fallback = {}) const;
    QString Data() const { return Value("--data"); }
    QString Out() const { return Value("--out"); }
    // False, with usage on stderr, when --data or --out is missing.
    bool Complete(const char* usage) const;

private:
    QHash<QString, QString> values_;
};

// The application on a fresh account's folders, so nothing of the real one is
// read, with the program's data under data (a build's bin folder) in one
// language. argc must outlive it, as for QApplication.
class ShotProgram {
public:
    ShotProgram(int& argc, char** argv, const QString& data, int languageIndex);
    QString HomeFile(const QString& name) const { return home_.dir.filePath(name); }

private:
    // Set up before the QApplication, which reads the folders.
    struct Home {
        Home();
        QTemporaryDir dir;
    };

    Home home_;
    QApplication app_;
};

// The keyboard's active profile (0 to 2) as it starts.
void SetStartProfile(VirtualKeyboard& kb, int profile);

// The control of the main window's button for a key, 0 for none.
uint16_t ControlOf(uint16_t keyCode);

// area widened by margin around every tooltip on the screen.
QRect UniteTooltips(QRect area, int margin);

// Saves area of screen as a PNG; says on stderr, as tool, when it cannot.
bool SaveShot(QScreen* screen, const QRect& area, const QString& path, const char* tool);

// The main window as the program runs it with --virtual-keyboard, connected
// to kb (which outlives it). Close() takes it down in the order the device
// threads and the documents need; the destructor does it if nobody did.
class ShotSession {
public:
    ShotSession(VirtualKeyboard& kb, const CVarkelinDlg::Options& options, const char* tool);
    ~ShotSession();
    ShotSession(const ShotSession&) = delete;
    ShotSession& operator=(const ShotSession&) = delete;

    CVarkelinDlg& Window() { return *window_; }
    void Close();

private:
    // Hands the keyboard to the program before anything of the window exists.
    struct Backend {
        explicit Backend(VirtualKeyboard& kb);
    };

    Backend backend_;
    UiDispatcher dispatcher_;
    std::unique_ptr<CVarkelinDlg> window_;
    QtDeviceEvents events_;
    QtUserPrompts prompts_;
    QtMainWindowLink link_;
    bool threads_ = false;
    bool open_ = true;
};
