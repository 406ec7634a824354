#pragma once

#include <QString>

class QMessageBox;
class QWidget;

// Opens a web address or a local file (the help page) with the desktop; when
// nothing can open it, says so in a message (object name "AddressPrompt")
// holding the address, selectable and with a button that copies it, instead
// of failing silently. The message belongs to owner while owner is shown.
void OpenAddressOrExplain(const QString& address, QWidget* owner);

// That message, made but not shown.
QMessageBox* MakeAddressPrompt(const QString& address, QWidget* owner);
