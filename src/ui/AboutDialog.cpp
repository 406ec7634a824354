#include "ui/AboutDialog.h"

#include "base/ProgramPaths.h"
#include "ui/AddressPrompt.h"
#include "text/LanguageTexts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);

    introduction_ = new QLabel(this);
    introduction_->setObjectName(QStringLiteral("GUANYU_JIESHAO"));
    introduction_->setWordWrap(true);
    introduction_->setTextFormat(Qt::PlainText);
    // Name and number read the same in every language; a word here would not.
    auto* version = new QLabel(QStringLiteral("Orvan RT-604 %1").arg(QStringLiteral(RT604_VERSION)), this);
    copyright_ = new QLabel(this);
    copyright_->setObjectName(QStringLiteral("GUANYU_BANQUAN"));
    copyright_->setWordWrap(true);
    copyright_->setTextFormat(Qt::PlainText);
    const QString address = QString::fromStdString(g_paths.linkAddress).toHtmlEscaped();
    link_ = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(address), this);
    link_->setTextInteractionFlags(Qt::TextBrowserInteraction);
    connect(link_, &QLabel::linkActivated, this, [this](const QString& address) { OpenAddressOrExplain(address, this); });

    ok_ = new QPushButton(this);
    ok_->setObjectName(QStringLiteral("LANG_ABOUT_OK"));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(introduction_);
    texts->addWidget(version);
    texts->addWidget(copyright_);
    texts->addWidget(link_);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}

void AboutDialog::ApplyLanguage(int languageIndex)
{
    setWindowTitle(QString::fromStdString(LoadText("LANG_ABOUT_TITLE", languageIndex)));
    introduction_->setText(QString::fromStdString(LoadText("GUANYU_JIESHAO", languageIndex)));
    copyright_->setText(QString::fromStdString(LoadText("GUANYU_BANQUAN", languageIndex)));
    ok_->setText(QString::fromStdString(LoadText("LANG_ABOUT_OK", languageIndex)));
}
