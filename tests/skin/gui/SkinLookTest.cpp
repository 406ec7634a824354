// What Qt draws by itself next to the skinned windows: message boxes, menus
// and file dialogs in the skins' dark colours with readable text, and Qt's
// own words (standard buttons, file dialogs) in the chosen language.
#include "skin/gui/QtLanguage.h"
#include "skin/gui/SkinPalette.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QToolTip>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Contrast ratio of two colours as the web's accessibility rules count it
// (1 to 21); 4.5 is their floor for body text.
double Contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Mean lightness (0..255) of what a widget draws.
double MeanLightness(QWidget& widget)
{
    const QImage image = widget.grab().toImage();
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            sum += QColor(image.pixel(x, y)).lightness();
    }
    return sum / std::max(1, image.width() * image.height());
}

QString AcceptText(QFileDialog& dialog)
{
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    if (!buttons)
        return {};
    for (QAbstractButton* button : buttons->buttons()) {
        if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
            return button->text();
    }
    return {};
}

} // namespace

TEST(SkinLookTest, BoxesMenusAndFileDialogsAreDarkWithReadableText)
{
    ApplySkinPalette();
    EXPECT_EQ(QApplication::style()->name(), QStringLiteral("fusion"));
    EXPECT_LT(QToolTip::palette().color(QPalette::ToolTipBase).lightness(), 64);
    EXPECT_GE(Contrast(QToolTip::palette().color(QPalette::ToolTipText),
                       QToolTip::palette().color(QPalette::ToolTipBase)),
              7.0);

    QMessageBox box(QMessageBox::Question, QString(), QStringLiteral("Apply the changes?"),
                    QMessageBox::Yes | QMessageBox::No);
    QMenu menu;
    menu.addAction(QStringLiteral("Restore"));
    menu.addAction(QStringLiteral("Back up"))->setEnabled(false);
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QWidget* widgets[] = {&box, &menu, &dialog};
    for (QWidget* widget : widgets) {
        SCOPED_TRACE(widget->metaObject()->className());
        widget->ensurePolished();
        const QPalette p = widget->palette();
        EXPECT_LT(p.color(QPalette::Window).lightness(), 64);
        EXPECT_LT(p.color(QPalette::Base).lightness(), 64);
        EXPECT_GE(Contrast(p.color(QPalette::WindowText), p.color(QPalette::Window)), 7.0);
        EXPECT_GE(Contrast(p.color(QPalette::Text), p.color(QPalette::Base)), 7.0);
        EXPECT_GE(Contrast(p.color(QPalette::ButtonText), p.color(QPalette::Button)), 7.0);
        EXPECT_GE(Contrast(p.color(QPalette::HighlightedText), p.color(QPalette::Highlight)), 4.5);
        EXPECT_GE(Contrast(p.color(QPalette::ToolTipText), p.color(QPalette::ToolTipBase)), 7.0);
        // Disabled entries are dimmer, yet still legible.
        EXPECT_LT(Contrast(p.color(QPalette::Disabled, QPalette::Text), p.color(QPalette::Base)),
                  Contrast(p.color(QPalette::Text), p.color(QPalette::Base)));
        EXPECT_GE(Contrast(p.color(QPalette::Disabled, QPalette::Text), p.color(QPalette::Base)), 3.0);
    }
    // What they draw is dark, not a light theme's white.
    box.resize(box.sizeHint());
    menu.resize(menu.sizeHint());
    dialog.resize(640, 420);
    EXPECT_LT(MeanLightness(box), 80);
    EXPECT_LT(MeanLightness(menu), 80);
    EXPECT_LT(MeanLightness(dialog), 80);
}

TEST(SkinLookTest, QtTextsFollowTheChosenLanguageInOpenWindowsToo)
{
    const struct {
        int language;
        const char* yes;
        const char* no;
        const char* open;
        const char* save;
    } cases[] = {
        {0, "&Yes", "&No", "&Open", "&Save"},
        {1, "&Да", "&Нет", "&Открыть", "&Сохранить"},
        {0, "&Yes", "&No", "&Open", "&Save"},
    };
    // A box already on screen follows each switch.
    QMessageBox open(QMessageBox::Question, QString(), QStringLiteral("?"), QMessageBox::Yes | QMessageBox::No);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        ApplyQtLanguage(c.language);
        QCoreApplication::processEvents(); // windows hear of the switch through posted events
        ASSERT_EQ(QtLanguageLoaded(), c.language == 1) << "Qt's Russian catalogue (qt6-translations-l10n) is missing";
        QMessageBox box(QMessageBox::Question, QString(), QStringLiteral("?"), QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QString::fromUtf8(c.yes));
        EXPECT_EQ(box.button(QMessageBox::No)->text(), QString::fromUtf8(c.no));
        EXPECT_EQ(open.button(QMessageBox::Yes)->text(), QString::fromUtf8(c.yes));
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        EXPECT_EQ(AcceptText(dialog), QString::fromUtf8(c.open));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        EXPECT_EQ(AcceptText(dialog), QString::fromUtf8(c.save));
    }
}
