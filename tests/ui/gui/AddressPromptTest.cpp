// Help pages and web links open with the desktop's handler (xdg-open); when
// nothing can open them, a message holds the address to copy.
#include "support/ShellTestSupport.h"

#include "ui/AddressPrompt.h"
#include "text/LanguageTexts.h"
#include "support/FakeOpener.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPushButton>

namespace {

class AddressPromptTest : public ShellTest {
protected:
    void TearDown() override
    {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String("AddressPrompt"))
                delete top;
        }
        ShellTest::TearDown();
    }

    static QMessageBox* Prompt()
    {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(top);
            if (box && box->objectName() == QLatin1String("AddressPrompt") && box->isVisible())
                return box;
        }
        return nullptr;
    }
};

} // namespace

TEST_F(AddressPromptTest, AMessageWithTheAddressComesOnlyWhenNothingOpensIt)
{
    const QString address = QStringLiteral("https://www.orvan-gear.example/rt604");
    const struct {
        const char* what;
        const char* opener; // nullptr: no xdg-open at all
        bool prompt;
    } cases[] = {
        {"no xdg-open", nullptr, true},
        {"no browser set up", "exit 3", true},
        {"the browser failed", "exit 4", true},
        {"opened", "exit 0", false},
        // A browser xdg-open runs in the foreground: still running is opened.
        {"browser still running", "sleep 5", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeOpener opener(dir_ / "bin", c.opener);
        OpenAddressOrExplain(address, nullptr);
        const bool shown = SpinUntil([] { return Prompt() != nullptr; }, c.prompt ? 5000 : 600);
        EXPECT_EQ(shown, c.prompt);
        if (c.opener) {
            ASSERT_TRUE(opener.WaitFor(1));
            EXPECT_EQ(opener.Opened(), std::vector<std::string>{address.toStdString()});
        }
        if (QMessageBox* box = Prompt()) {
            EXPECT_TRUE(box->text().contains(address));
            EXPECT_TRUE(box->text().startsWith(QString::fromStdString(LoadText("OPEN_ADDRESS_FAILED"))));
            EXPECT_TRUE(box->textInteractionFlags() & Qt::TextSelectableByMouse);
            box->close();
            EXPECT_TRUE(SpinUntil([] { return Prompt() == nullptr; })) << "the message does not close";
        }
    }
}

TEST_F(AddressPromptTest, CopyPutsTheAddressOnTheClipboard)
{
    const QString page = QStringLiteral("/usr/share/orvan-rt604/Help/index.html");
    QMessageBox* box = MakeAddressPrompt(page, nullptr);
    box->show();
    QPushButton* copy = nullptr;
    for (QAbstractButton* button : box->buttons()) {
        if (button->text().toStdString() == LoadText("OPEN_ADDRESS_COPY"))
            copy = qobject_cast<QPushButton*>(button);
    }
    ASSERT_NE(copy, nullptr);
    QApplication::clipboard()->clear();
    copy->click();
    EXPECT_EQ(QApplication::clipboard()->text(), page);
    box->close();
}
