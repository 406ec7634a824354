// The captions of the main window's row of profile buttons, Macros and
// Defaults: one size for the row, small enough for the longest caption, in
// every language.
#include "MainWindowTestSupport.h"

#include "skin/gui/SkinFont.h"

#include <QFontMetricsF>

TEST_F(MainWindowTest, TheProfileRowsCaptionsShareOneSizeThatFits)
{
    PrepareKeyboard(0, {});
    Start();
    const int row[] = {MainControl::Profile1, MainControl::Profile2, MainControl::Profile3, MainControl::Macro,
                       MainControl::Defaults};
    for (int language : {1, 0}) {
        SCOPED_TRACE(language);
        SetLanguageIndex(language);
        window->ApplyLanguage(language);
        const double size = window->Button(MainControl::Profile1)->TextStyle().pointSize;
        EXPECT_LE(size, 10);
        for (int id : row) {
            CPngButton* button = window->Button(id);
            EXPECT_EQ(button->TextStyle().pointSize, size) << button->text().toStdString();
            const QFont font = SkinFont(ResolveSkinFontFamily(button->TextStyle().fontName), size, false);
            EXPECT_LE(QFontMetricsF(font).horizontalAdvance(button->text()), button->width() - 8)
                << button->text().toStdString();
        }
    }
    // English words fit at the profile buttons' own size.
    EXPECT_EQ(window->Button(MainControl::Profile1)->TextStyle().pointSize, 10);
}
