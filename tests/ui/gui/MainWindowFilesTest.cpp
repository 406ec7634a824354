#include "MainWindowTestSupport.h"

#include "assign/KeyAssignment.h"
#include "config/ProfileFile.h"
#include "actions/ProfileFileActions.h"
#include "platform/AtomicFile.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QScreen>

namespace {

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::string text;
    if (!ReadWholeFile(path, text, uint64_t{1} << 32))
        return {};
    return std::vector<uint8_t>(text.begin(), text.end());
}

} // namespace

class MainWindowFilesTest : public MainWindowTest {
protected:
    // Presses the button menu and chooses its entry for command.
    void ChooseFromButtonMenu(int command)
    {
        window->Button(MainControl::Menu)->click();
        QMenu* menu = window->ButtonMenu();
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(SpinUntil([menu] { return menu->isVisible(); }, 2000));
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->data().toInt() == command)
                chosen = action;
        }
        ASSERT_NE(chosen, nullptr);
        menu->hide();
        chosen->trigger();
    }

    // A profile file with an assignment in each profile, made by the core.
    std::string MakeProfileFile()
    {
        const std::string path = Path("three.vpf");
        {
            DocumentLock lock;
            SetSlotType(*g_configDoc.block, SlotsPerGroup * 0 + KeyCodeToIndex(KeyEsc), AssignDisabled);
            SetSlotType(*g_configDoc.block, SlotsPerGroup * 1 + KeyCodeToIndex(KeyQ), AssignKey);
            SetSlotValue(*g_configDoc.block, SlotsPerGroup * 1 + KeyCodeToIndex(KeyQ), KeyA);
            SetSlotType(*g_configDoc.block, SlotsPerGroup * 2 + KeyCodeToIndex(KeyF5), AssignDisabled);
            EXPECT_EQ(SaveDocumentToFile(0, path), 1);
        }
        // Back to what the keyboard holds.
        window->HandleMessage(0x5452, 0x50524F46);
        kb->ClearFrameLog();
        return path;
    }
};

// Import, export and, for desktops without a notification area, About.
TEST_F(MainWindowFilesTest, ButtonMenuOffersImportExportAndAboutInTheChosenLanguage)
{
    PrepareKeyboard(0, {});
    Start();
    window->Button(MainControl::Menu)->click();
    QMenu* menu = window->ButtonMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(SpinUntil([menu] { return menu->isVisible(); }, 2000));
    ASSERT_EQ(menu->actions().size(), 5);
    EXPECT_EQ(menu->actions()[0]->text().toStdString(), LoadText("MENU_1"));
    EXPECT_EQ(menu->actions()[1]->text().toStdString(), LoadText("MENU_2"));
    EXPECT_EQ(menu->actions()[2]->text().toStdString(), LoadText("MENU_AUTO_PROFILES"));
    EXPECT_TRUE(menu->actions()[3]->isSeparator());
    EXPECT_EQ(menu->actions()[4]->text().toStdString(), LoadText("MENU_22"));
    menu->hide();

    ChooseFromButtonMenu(CmdAbout);
    ASSERT_NE(window->About(), nullptr);
    EXPECT_TRUE(window->About()->isVisible());
    window->About()->reject();

    SetLanguageIndex(1);
    window->Button(MainControl::Menu)->click();
    ASSERT_TRUE(SpinUntil([menu] { return menu->isVisible(); }, 2000));
    EXPECT_EQ(menu->actions()[0]->text().toStdString(), LoadText("MENU_1", 1));
    menu->hide();
}

// A click opens the menu at the pointer. Opened from the keyboard the pointer
// may be anywhere (and on Wayland it is not known at all): the menu then
// hangs below its button instead of at a far corner.
TEST_F(MainWindowFilesTest, ButtonMenuOpensAtThePointerOnItsButtonElseBelowTheButton)
{
    PrepareKeyboard(0, {});
    Start();
    QWidget* button = window->Button(MainControl::Menu);
    const QPoint belowButton = button->mapToGlobal(QPoint(0, button->height()));
    const QPoint onButton = button->mapToGlobal(QPoint(button->width() / 2, button->height() / 2));
    const struct {
        const char* name;
        QPoint pointer;
        QPoint menuAt;
    } cases[] = {
        {"clicked", onButton, onButton},
        {"pointer elsewhere", QPoint(3, 3), belowButton},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QCursor::setPos(c.pointer);
        ASSERT_EQ(QCursor::pos(), c.pointer);
        window->Button(MainControl::Menu)->click();
        QMenu* menu = window->ButtonMenu();
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(SpinUntil([menu] { return menu->isVisible(); }, 2000));
        // The screen's edge may move it sideways, never up or down.
        EXPECT_EQ(menu->geometry().top(), c.menuAt.y());
        if (menu->geometry().right() < menu->screen()->geometry().right()) {
            EXPECT_EQ(menu->geometry().left(), c.menuAt.x());
        }
        menu->hide();
    }
}

TEST_F(MainWindowFilesTest, ImportOfAValidFileWritesAllThreeProfiles)
{
    PrepareKeyboard(1, {});
    Start();
    prompts.openPath = MakeProfileFile();
    ASSERT_FALSE(KeyButton(KeyQ)->IsMarked());

    ChooseFromButtonMenu(CmdImportProfile);

    ASSERT_EQ(prompts.choices.size(), 1u);
    EXPECT_EQ(prompts.choices[0].filter, "(*.vpf)|*.vpf|(*.*)|*.*||");
    EXPECT_EQ(prompts.choices[0].initialName, "*.vpf");
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(KeyboardEntry(0, KeyEsc), (KeyMapEntry{0, 0, 0}));
    EXPECT_EQ(KeyboardEntry(1, KeyQ), (KeyMapEntry{2, 2, 0x04}));
    EXPECT_EQ(KeyboardEntry(2, KeyF5), (KeyMapEntry{0, 0, 0}));
    EXPECT_EQ(DocumentSlot(1, KeyQ).Type(), AssignKey);
    // The window shows the imported keys of the active profile.
    EXPECT_TRUE(KeyButton(KeyQ)->IsMarked());
    EXPECT_FALSE(KeyButton(KeyEsc)->IsMarked());
    EXPECT_FALSE(window->IsApplyEnabled());
}

TEST_F(MainWindowFilesTest, ImportOfAnInvalidFileShowsBothMessagesAndChangesNothing)
{
    PrepareKeyboard(0, {{0, KeyEsc, AssignKey, KeyA}});
    Start();
    const std::string valid = MakeProfileFile();
    std::vector<uint8_t> bytes = ReadBytes(valid);
    ASSERT_GT(bytes.size(), 40u);
    bytes[14] ^= 0x01; // macro count no longer matches the checksum
    const std::string path = Path("broken.vpf");
    ASSERT_TRUE(WriteFileAtomically(path, std::string(bytes.begin(), bytes.end())));
    prompts.openPath = path;
    const KeyboardMemories before = kb->Memories();

    ChooseFromButtonMenu(CmdImportProfile);

    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0], FormatText(LoadText("PROFILE_FORMAT_ERROR"), path));
    EXPECT_EQ(prompts.messages[1], LoadText("MAIN_PROMPT_INPORT"));
    EXPECT_TRUE(kb->Memories() == before);
    EXPECT_EQ(CountRequests(CmdWriteKeyMap), 0u);
    EXPECT_EQ(DocumentSlot(0, KeyEsc).Type(), AssignKey);
    EXPECT_TRUE(KeyButton(KeyEsc)->IsMarked());
}

TEST_F(MainWindowFilesTest, ExportWritesWhatTheCoreSaves)
{
    PrepareKeyboard(2, {{2, KeyEsc, AssignKey, KeyA}, {0, KeyQ, AssignDisabled, 0}});
    Start();
    const std::string path = Path("export.vpf");
    prompts.savePath = path;

    ChooseFromButtonMenu(CmdExportProfile);

    ASSERT_EQ(prompts.choices.size(), 1u);
    EXPECT_TRUE(prompts.choices[0].confirmOverwrite);
    EXPECT_EQ(prompts.choices[0].filter, "(*.vpf)|*.vpf|(*.*)|*.*||");
    EXPECT_TRUE(kb->Requests().empty());
    const std::string reference = Path("reference.vpf");
    ASSERT_EQ(SaveDocumentToFile(1, reference), 1);
    const std::vector<uint8_t> exported = ReadBytes(path);
    EXPECT_GE(exported.size(), size_t{ConfigBlockSize});
    EXPECT_EQ(exported, ReadBytes(reference));
    EXPECT_EQ(ValidateProfileFile(path), 1);
}
