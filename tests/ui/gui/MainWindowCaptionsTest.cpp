// The captions of the main window's row of profile buttons, Macros and
// Defaults: one size for the row, small enough for the longest caption, in
// every language.
#include "MainWindowTestSupport.h"

#include "support/ButtonCaptions.h"

#include <vector>

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
        std::vector<CPngButton*> buttons;
        for (int id : row)
            buttons.push_back(window->Button(id));
        EXPECT_LE(ExpectOneCaptionSizeThatFits(buttons, 8), 10);
    }
    // English words fit at the profile buttons' own size.
    EXPECT_EQ(window->Button(MainControl::Profile1)->TextStyle().pointSize, 10);
}
