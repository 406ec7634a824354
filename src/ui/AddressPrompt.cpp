#include "ui/AddressPrompt.h"

#include "ui/EventLog.h"
#include "platform/gui/DesktopOpener.h"
#include "text/LanguageTexts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

QMessageBox* MakeAddressPrompt(const QString& address, QWidget* owner)
{
    auto* box = new QMessageBox(QMessageBox::Information, QString(),
                                QString::fromStdString(LoadText("OPEN_ADDRESS_FAILED")) + QStringLiteral("\n\n") +
                                    address,
                                QMessageBox::Ok, owner);
    box->setObjectName(QStringLiteral("AddressPrompt"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPushButton* copy =
        box->addButton(QString::fromStdString(LoadText("OPEN_ADDRESS_COPY")), QMessageBox::ActionRole);
    QObject::connect(copy, &QPushButton::clicked, box,
                     [address] { QGuiApplication::clipboard()->setText(address); });
    box->setDefaultButton(QMessageBox::Ok);
    // Without a Cancel the box would not close from its title bar.
    box->setEscapeButton(QMessageBox::Ok);
    return box;
}

void OpenAddressOrExplain(const QString& address, QWidget* owner)
{
    QObject* context = owner ? static_cast<QObject*>(owner) : static_cast<QObject*>(qApp);
    QPointer<QWidget> guardedOwner(owner);
    OpenWithDesktop(address, context, [address, guardedOwner, hadOwner = owner != nullptr] {
        if (hadOwner && !guardedOwner)
            return;
        LogEvent("open-failed " + address.toStdString());
        QWidget* parent = guardedOwner && guardedOwner->isVisible() ? guardedOwner.data() : nullptr;
        QMessageBox* box = MakeAddressPrompt(address, parent);
        box->show();
        box->raise();
        box->activateWindow();
    });
}
