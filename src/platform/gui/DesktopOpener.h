#pragma once

#include <QString>

#include <functional>

class QObject;

// Opens a web address or a file with the desktop's handler for it
// (xdg-open, which asks the desktop, a portal or the preferred browser).
// failed runs, on context's thread, once it is known that nothing opened it:
// xdg-open is missing or does not start, or it ends with an error (no
// browser or handler set up). A handler still running (a browser it started
// in the foreground) counts as opened.
void OpenWithDesktop(const QString& target, QObject* context, std::function<void()> failed);
