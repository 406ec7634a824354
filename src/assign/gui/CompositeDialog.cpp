#include "assign/gui/CompositeDialog.h"

#include "base/MainWindowLink.h"
#include "base/ProgramPaths.h"
#include "assign/KeyAssignment.h"
#include "assign/gui/CompositeKeyTab.h"
#include "assign/gui/CompositeListTab.h"
#include "assign/gui/CompositeMacroTab.h"
#include "config/ConfigDocument.h"
#include "keys/KeyTable.h"
#include "keys/MediaTable.h"
#include "platform/KeyboardGrab.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinFont.h"
#include "skin/gui/SkinPlacement.h"
#include "skin/gui/SkinStyles.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>

namespace {

constexpr const char* Section = "BUTTONINFO";
// Captions are drawn on the panel in this grey.
const QColor CaptionColour(228, 228, 228);

struct TextOf {
    int id;
    const char* key;
};

// Texts the language message sets, by control.
constexpr TextOf LanguageTexts[] = {
    {CompositeControl::PlayCountCaption, "MACRO_CYCLES"},
    {CompositeControl::RecordDelaysCaption, "RECORD_DELAY"},
    {CompositeControl::KeyboardCaption, "IDS_MACRO_KB_KEY"},
    {CompositeControl::MouseCaption, "IDS_MACRO_MOU_KEY"},
    {CompositeControl::SingleCaption, "SINGLE_STATIC"},
    {CompositeControl::MacroNameCaption, "MACRO_NAME_SETTING"},
    {CompositeControl::MediaCaption, "MEDIA_EDIT_TISHI"},
    {CompositeControl::FunctionCaption, "FUNCTION_TISHI"},
    {CompositeControl::TabKey, "SINGLE_KEY"},
    {CompositeControl::TabMacro, "MACRO_SETTING1"},
    {CompositeControl::TabMedia, "MULTI_MEDIA"},
    {CompositeControl::TabFunction, "FUNCTION_KEY"},
    {CompositeControl::MoveTop, "A_TOP"},
    {CompositeControl::MoveUp, "A_UP"},
    {CompositeControl::MoveDown, "A_DOWN"},
    {CompositeControl::MoveBottom, "A_BOTTOM"},
    {CompositeControl::DeleteEvent, "A_DELETE"},
    {CompositeControl::ClearEvents, "A_CLEAR"},
    {CompositeControl::Ok, "MACRO_OK"},
    {CompositeControl::Cancel, "MACRO_CANCLE"},
    {CompositeControl::Apply, "PROFILE_APPLY"},
};

// The buttons whose texts are also their tooltips.
constexpr int TooltipButtons[] = {
    CompositeControl::MoveTop,     CompositeControl::MoveUp,      CompositeControl::MoveDown,
    CompositeControl::MoveBottom,  CompositeControl::DeleteEvent, CompositeControl::ClearEvents,
};

// The shared field and table looks, with what this editor adds: dimmed
// fields, and lists that open at their own height, not as a menu the height
// of the screen (the key cell's list holds 105 keys).
const QString FieldStyle = DarkFieldStyle() + QStringLiteral(
    "QComboBox:disabled, QLineEdit:disabled { color: #6e737a; border-color: #2c3036; }"
    "QComboBox { combobox-popup: 0; }");
const QString ListStyle = DarkTableStyle() + QStringLiteral(
    "QTableView QLineEdit, QTableView QComboBox { background: #0f1012; color: #eceef1;"
    " border: 1px solid #ff8200; border-radius: 0; padding: 0 4px; }"
    "QTableView QComboBox { combobox-popup: 0; }"
    "QTableView QComboBox::drop-down { border: none; width: 16px; }"
    "QTableView QComboBox QAbstractItemView { background: #16181b; color: #eceef1; border: 1px solid #41464e;"
    " selection-background-color: #ff8200; selection-color: #16181b; outline: 0; }");
const QString ChoiceStyle = QStringLiteral(
    "QRadioButton, QCheckBox { background: transparent; color: #e4e4e4; spacing: 0; }"
    "QRadioButton::indicator, QCheckBox::indicator { width: 12px; height: 12px; border: 2px solid #8a9098;"
    " background: #16181b; }"
    "QRadioButton::indicator { border-radius: 8px; }"
    "QCheckBox::indicator { border-radius: 3px; }"
    "QRadioButton::indicator:hover, QCheckBox::indicator:hover { border-color: #ff8200; }"
    "QRadioButton::indicator:checked { border-color: #ff8200; background: qradialgradient(cx: 0.5, cy: 0.5,"
    " radius: 0.5, fx: 0.5, fy: 0.5, stop: 0 #ff8200, stop: 0.55 #ff8200, stop: 0.65 #16181b, stop: 1 #16181b); }"
    "QCheckBox::indicator:checked { border-color: #ff8200; background: #ff8200; }");

// Captions are drawn at this size, or smaller down to the minimum where a
// language's text is longer than its button.
constexpr double ButtonPointSize = 9;
constexpr double MinButtonPointSize = 6.5;

// Captions that stand side by side share one size: the four tabs, the
// event buttons, the dialog's own buttons.
const std::vector<std::vector<int>> CaptionRows = {
    {CompositeControl::TabKey, CompositeControl::TabMacro, CompositeControl::TabMedia, CompositeControl::TabFunction},
    {CompositeControl::MoveTop, CompositeControl::MoveUp, CompositeControl::MoveDown, CompositeControl::MoveBottom},
    {CompositeControl::DeleteEvent, CompositeControl::ClearEvents},
    {CompositeControl::Record},
    {CompositeControl::Ok, CompositeControl::Cancel, CompositeControl::Apply},
};

constexpr CompositeListTab::Layout MediaTabLayout = {"MediaTab", CompositeControl::MediaCaption,
                                                     "MEDIA_SETTING_TISHI", CompositeControl::MediaList,
                                                     "FUNC_MEDIA_SELECT"};
constexpr CompositeListTab::Layout FunctionTabLayout = {"FunctionTab", CompositeControl::FunctionCaption,
                                                        "FUNCTION_KEY_SETTING_TISHI", CompositeControl::FunctionList,
                                                        "FUNC_FUNCTION_SELECT"};

std::vector<QString> MediaNames()
{
    std::vector<QString> names;
    for (int index = 0; index < static_cast<int>(MediaTable.size()); ++index)
        names.push_back(QString::fromStdString(GetKeyName(MediaKeyCode(index))));
    return names;
}

std::vector<QString> FunctionNames()
{
    std::vector<QString> names;
    for (const char* key : KeyboardFunctions)
        names.push_back(QString::fromStdString(LoadText(key)));
    return names;
}

} // namespace

Varkelin_DlgComposite::Varkelin_DlgComposite(QWidget* parent)
    : CBaseDialog(parent, QString::fromStdString(g_paths.compositeIni),
                  QString::fromStdString(g_paths.compositeIniFolder), Qt::Dialog),
      grab_(std::make_unique<NoKeyboardGrab>())
{
    setObjectName(QStringLiteral("Varkelin_DlgComposite"));
    setModal(true);
    monotonic_.start();
    clock_ = [this] { return static_cast<uint64_t>(monotonic_.elapsed()); };
    LoadPictures();
    CreateControls();
    StyleControls();
    ConnectControls();
    FillLists();
    SetChanged(false);
}

Varkelin_DlgComposite::~Varkelin_DlgComposite()
{
    qApp->removeEventFilter(this);
    if (grab_)
        grab_->Release();
}

void Varkelin_DlgComposite::LoadPictures()
{
    // A missing one ends the program (SkinImages.h), as a window without its
    // faces cannot be shown.
    const struct {
        QPixmap* set;
        const char* prefix;
        bool hasDisabled;
    } sets[] = {{key_, "key", false}, {macro_, "macro", true}, {macro2_, "macro2", true},
                {media_, "media", false}, {function_, "function", false}};
    for (const auto& s : sets) {
        const QString prefix = QString::fromLatin1(s.prefix);
        s.set[0] = Images().Pixmap(prefix + QStringLiteral("_normal.jpg"));
        s.set[1] = Images().Pixmap(prefix + QStringLiteral("_over.jpg"));
        s.set[2] = Images().Pixmap(prefix + QStringLiteral("_down.jpg"));
        s.set[3] = s.hasDisabled ? Images().Pixmap(prefix + QStringLiteral("_disable.jpg")) : QPixmap();
    }
    // The pictures without a disabled state borrow the macro set's: the
    // buttons common to every tab look the same in all of them.
    for (QPixmap* set : {key_, media_, function_})
        set[3] = macro_[3];
}

CPngButton* Varkelin_DlgComposite::AddFacedButton(int id, const char* skinKey, const QPixmap* set)
{
    CPngButton* button = AddButton(id, skinKey, {set[0], set[1], set[2], set[3], set[2]});
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

void Varkelin_DlgComposite::CreateControls()
{
    using namespace CompositeControl;
    // The panel first: everything of the tabs lies above it.
    CPngButton* panel = AddFacedButton(Panel, "CONTROL_MASK", key_);
    panel->setEnabled(false);
    panel->setAttribute(Qt::WA_TransparentForMouseEvents);
    CPngButton* title = AddFacedButton(Title, "CONTROL_TITLE", key_);
    title->setEnabled(false);
    title->setAttribute(Qt::WA_TransparentForMouseEvents);
    AddFacedButton(OnScreenKeyboard, "CONTROL_OSK", key_);
    AddFacedButton(TabKey, "CONTROL_KEY", key_);
    AddFacedButton(TabMacro, "CONTROL_MACRO", key_);
    AddFacedButton(TabMedia, "CONTROL_MEDIA", key_);
    AddFacedButton(TabFunction, "CONTROL_FUNCTION", key_);
    AddFacedButton(Clear, "CONTROL_CLEAR", key_);
    AddFacedButton(Ok, "CONTROL_OK", key_);
    AddFacedButton(Cancel, "CONTROL_CANCEL", key_);
    AddFacedButton(Apply, "CONTROL_APPLY", key_);

    AddControl<QLabel>(SettingCaption, "KEY_SETTING");

    keyTab_ = new CompositeKeyTab(*this);
    CompositeMacroTab::Links links;
    links.isOpen = [this] { return IsOpen(); };
    links.now = [this] { return clock_(); };
    links.changed = [this] { SetChanged(true); };
    links.recordingChanged = [this] { UpdateKeyboardTaking(); };
    macroTab_ = new CompositeMacroTab(*this, macro_, std::move(links));
    mediaTab_ = new CompositeListTab(*this, MediaTabLayout, MediaNames);
    functionTab_ = new CompositeListTab(*this, FunctionTabLayout, FunctionNames);
    // The tabs lie under the window's own buttons: their empty parts must
    // not take the buttons' presses.
    for (QWidget* tab : std::initializer_list<QWidget*>{keyTab_, macroTab_, mediaTab_, functionTab_})
        tab->stackUnder(title);

    status_ = AddControl<QLabel>(Status, "CONTROL_STATUS");
    status_->setWordWrap(true);
    status_->hide();

    panel->lower();
}

void Varkelin_DlgComposite::StyleControls()
{
    using namespace CompositeControl;
    const SkinTextStyle buttons = MainCaptionStyle(ButtonPointSize);
    for (int id : {TabKey, TabMacro, TabMedia, TabFunction, Ok, Cancel, Apply, Record, DeleteEvent, ClearEvents,
                   MoveTop, MoveUp, MoveDown, MoveBottom}) {
        Button(id)->SetTextStyle(buttons);
        Button(id)->SetTextMargins(2, -2, 0, 0);
    }
    QComboBox* macroList = macroTab_->MacroList();
    QLineEdit* playCount = macroTab_->PlayCount();
    QTableView* eventView = macroTab_->EventView();
    const QString fontFamily = ResolveSkinFontFamily(QStringLiteral("Arial Unicode MS"));
    keyTab_->KeyField()->setFont(SkinFont(fontFamily, 14, false));
    for (QWidget* list : {static_cast<QWidget*>(mediaTab_->List()), static_cast<QWidget*>(functionTab_->List()),
                          static_cast<QWidget*>(keyTab_->MouseList()), static_cast<QWidget*>(macroList)})
        list->setFont(SkinFont(fontFamily, 12, false));
    playCount->setFont(SkinFont(fontFamily, 12, false));
    eventView->setFont(SkinFont(fontFamily, 8, false));
    eventView->horizontalHeader()->setFont(SkinFont(fontFamily, 8, true));
    for (int id : {SettingCaption, MacroNameCaption, SingleCaption, MediaCaption, FunctionCaption,
                   PlayCountCaption, RecordDelaysCaption, KeyboardCaption, MouseCaption, Status, MemoryCaption}) {
        auto* label = static_cast<QLabel*>(Control(id));
        label->setFont(SkinFont(fontFamily, id >= SettingCaption && id <= FunctionCaption ? 10.8 : 10,
                                id == SettingCaption));
        label->setAttribute(Qt::WA_TranslucentBackground);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, id == Status ? QColor(255, 130, 0) : CaptionColour);
        label->setPalette(palette);
    }
    const QString arrow = DropDownArrowStyle(ImageFolder());
    for (QWidget* field : {static_cast<QWidget*>(keyTab_->KeyField()), static_cast<QWidget*>(playCount),
                           static_cast<QWidget*>(keyTab_->MouseList()), static_cast<QWidget*>(mediaTab_->List()),
                           static_cast<QWidget*>(functionTab_->List()), static_cast<QWidget*>(macroList)})
        field->setStyleSheet(FieldStyle + arrow + ToolTipStyle());
    OpenListOnClick(macroList);
    eventView->setStyleSheet(ListStyle + arrow + ToolTipStyle());
    for (QWidget* choice : {static_cast<QWidget*>(keyTab_->KeyboardChoice()),
                            static_cast<QWidget*>(keyTab_->MouseChoice()),
                            static_cast<QWidget*>(macroTab_->RecordDelays())})
        choice->setStyleSheet(ChoiceStyle);
}

void Varkelin_DlgComposite::ConnectControls()
{
    using namespace CompositeControl;
    for (int tab : {TabKey, TabMacro, TabMedia, TabFunction})
        connect(Button(tab), &QAbstractButton::clicked, this, [this, tab] { OnTab(tab); });
    connect(Button(Clear), &QAbstractButton::clicked, this, &Varkelin_DlgComposite::OnClear);
    connect(Button(Ok), &QAbstractButton::clicked, this, &Varkelin_DlgComposite::accept);
    connect(Button(Cancel), &QAbstractButton::clicked, this, &Varkelin_DlgComposite::reject);
    connect(Button(Apply), &QAbstractButton::clicked, this, &Varkelin_DlgComposite::OnApplyButton);
    connect(Button(OnScreenKeyboard), &QAbstractButton::clicked, this, &Varkelin_DlgComposite::OnOnScreenKeyboard);
    connect(keyTab_, &CompositeKeyTab::keyboardChosen, this, &Varkelin_DlgComposite::OnKeyboardChoice);
    connect(keyTab_, &CompositeKeyTab::mouseChosen, this, &Varkelin_DlgComposite::OnMouseChoice);
    connect(keyTab_, &CompositeKeyTab::mouseActionPicked, this, [this] { SetChanged(true); });
    for (CompositeListTab* tab : {mediaTab_, functionTab_})
        connect(tab, &CompositeListTab::picked, this, [this] { SetChanged(true); });
}

void Varkelin_DlgComposite::FillLists()
{
    keyTab_->FillMouseList();
    mediaTab_->FillList();
    functionTab_->FillList();
}

CompositeTab* Varkelin_DlgComposite::Tab(int tabId) const
{
    using namespace CompositeControl;
    return tabId == TabMacro ? static_cast<CompositeTab*>(macroTab_)
           : tabId == TabMedia ? static_cast<CompositeTab*>(mediaTab_)
           : tabId == TabFunction ? static_cast<CompositeTab*>(functionTab_)
                                  : static_cast<CompositeTab*>(keyTab_);
}

bool Varkelin_DlgComposite::IsChanged() const
{
    return Button(CompositeControl::Apply)->isEnabled();
}

void Varkelin_DlgComposite::SetChanged(bool changed)
{
    Button(CompositeControl::Apply)->setEnabled(changed);
    // Every edit of the macros enables Apply: the gauge follows them here.
    if (changed)
        macroTab_->UpdateMemoryGauge();
}

void Varkelin_DlgComposite::SetStatus(const QString& text)
{
    status_->setText(text);
    status_->setVisible(!text.isEmpty());
}

void Varkelin_DlgComposite::SetKeyboardGrab(std::unique_ptr<KeyboardGrab> grab)
{
    if (grab_)
        grab_->Release();
    grab_ = grab ? std::move(grab) : std::make_unique<NoKeyboardGrab>();
}

bool Varkelin_DlgComposite::IsKeyboardGrabbed() const
{
    return grab_ && grab_->IsGrabbed();
}

QPoint Varkelin_DlgComposite::Placement(const QRect& screen, const QRect& key, const QSize& dialog, bool centred)
{
    const int w = dialog.width();
    const int h = dialog.height();
    if (centred)
        return QPoint(screen.x() + (screen.width() - w) / 2, screen.y() + (screen.height() - h) / 2);
    // Exclusive right and bottom edges, as the button rectangle's own.
    const int right = key.x() + key.width();
    const int bottom = key.y() + key.height();
    const int spaceRight = screen.x() + screen.width() - right;
    const int spaceLeft = key.x() - screen.x();
    const int spaceBelow = screen.y() + screen.height() - bottom;
    const int spaceAbove = key.y() - screen.y();
    if (spaceRight >= w) {
        if (spaceBelow >= h)
            return QPoint(right, bottom);
        if (spaceAbove >= h)
            return QPoint(right, key.y() - h);
    }
    if (spaceLeft >= w) {
        if (spaceBelow >= h)
            return QPoint(key.x() - w, bottom);
        if (spaceAbove >= h)
            return QPoint(key.x() - w, key.y() - h);
    }
    return QPoint(right, bottom);
}

bool Varkelin_DlgComposite::EditKey(int controlId, const QRect& keyRect)
{
    if (IsOpen())
        return false;
    int keyIndex = -1;
    for (size_t n = 0; n < MacroKeyButtons.size(); ++n) {
        if (MacroKeyButtons[n] == controlId)
            keyIndex = 256 + static_cast<int>(n);
    }
    for (const ButtonKey& key : ButtonKeyTable) {
        if (key.controlId == controlId)
            keyIndex = KeyCodeToIndex(key.keyCode);
    }
    if (keyIndex < 0)
        return false;
    layer_ = 0;
    keyIndex_ = static_cast<uint16_t>(keyIndex);
    controlId_ = controlId;
    macroOnly_ = controlId == MacroOnlyControlId;
    if (buttonLook_)
        buttonLook_(controlId_, true);
    Open();
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (QScreen* under = QGuiApplication::screenAt(keyRect.center()))
        screen = under;
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1920, 1080);
    move(Placement(area, keyRect, size(), macroOnly_));
    show();
    raise();
    activateWindow();
    UpdateKeyboardTaking();
    return true;
}

void Varkelin_DlgComposite::Open()
{
    using namespace CompositeControl;
    ++openCounter_;
    macroOnly_ = controlId_ == MacroOnlyControlId;
    FillLists();
    keyTab_->ResetMouseList();
    mediaTab_->Choose(0);
    functionTab_->Choose(0);
    captureDown_.clear();
    // Nothing captured yet in this opening: a later switch to the single-key
    // tab must not find the key of an earlier one.
    capturedKey_ = 0;
    firstMacroSwitch_ = true;
    macroTab_->Open();
    SetChanged(false);
    {
        DocumentLock lock;
        const int group = ShownSlotGroup();
        if (g_configDoc.block && group >= 0) {
            const KeySlot slot = ReadKeySlot(*g_configDoc.block, SlotsPerGroup * group + keyIndex_);
            chosenType_ = slot.Type();
            slotValue_ = slot.Value();
        } else {
            chosenType_ = AssignDefault;
            slotValue_ = 0;
        }
    }
    const bool normalMode = !macroOnly_;
    for (int id : {TabKey, TabMedia, TabFunction, Clear})
        Button(id)->setEnabled(normalMode);
    const QPixmap* tabSet = macroOnly_ ? macro2_ : key_;
    for (int id : {TabKey, TabMedia, TabFunction, Title, Clear, TabMacro}) {
        CPngButton* button = Button(id);
        const QPixmap* set = id == TabMacro ? key_ : tabSet;
        button->SetFaceImages(set[0], set[1], set[2], set[3], set[2], false);
    }
    // The title is a picture: it shows its disabled face.
    const QPixmap& titleFace = macroOnly_ ? macro2_[0] : key_[0];
    Button(Title)->SetFaceImages(titleFace, titleFace, titleFace, titleFace, titleFace, false);
    if (macroOnly_)
        chosenType_ = AssignMacro;
    SetStatus(QString());
    SwitchTab(true);
    SetChanged(false);
    ApplyLanguage(GetLanguageIndex());
    macroTab_->UpdateMemoryGauge();
}

void Varkelin_DlgComposite::Close()
{
    macroTab_->StopRecording();
    macroTab_->EndCellEditing();
    hide();
    StopCapture();
    macroTab_->Clear();
    SetChanged(false);
    if (openCounter_ > 0)
        --openCounter_;
    hide();
    if (buttonLook_)
        buttonLook_(controlId_, false);
}

void Varkelin_DlgComposite::ApplyKeyFunction()
{
    macroTab_->StoreEdits();
    switch (chosenType_) {
    case AssignKey:
        if (keyTab_->MouseChoice()->isChecked()) {
            StoreKeyAssignment(keyIndex_, AssignKey, keyTab_->MouseActionCode(), 0);
        } else {
            StoreKeyAssignment(keyIndex_, AssignKey, capturedKey_, 0);
        }
        break;
    case AssignMacro:
        StoreKeyAssignment(keyIndex_, AssignMacro, macroTab_->ChosenMacroId(), macroTab_->Cycles());
        break;
    case AssignMedia:
        StoreKeyAssignment(keyIndex_, AssignMedia, static_cast<uint32_t>(mediaTab_->Choice()), 0);
        break;
    case AssignFunction:
        StoreKeyAssignment(keyIndex_, AssignFunction, static_cast<uint32_t>(functionTab_->Choice()), 0);
        break;
    case AssignDefault:
        StoreKeyAssignment(keyIndex_, AssignDefault, 0, 0);
        break;
    default:
        // A disabled key, a program or a text block came from a file and
        // the editor cannot make one: storing over it would lose its string.
        break;
    }
    {
        DocumentLock lock;
        if (g_configDoc.block)
            RefreshKeyDescriptions();
    }
    SetChanged(false);
    MainWindow().SetApplyEnabled(true);
}

void Varkelin_DlgComposite::CloseKeyEditor()
{
    if (IsOpen())
        reject();
}

void Varkelin_DlgComposite::OnApplyButton()
{
    if (macroTab_->ConfirmMacroMemory())
        ApplyKeyFunction();
}

void Varkelin_DlgComposite::accept()
{
    if (!macroTab_->ConfirmMacroMemory())
        return;
    ApplyKeyFunction();
    Close();
    setResult(QDialog::Accepted);
    emit finished(QDialog::Accepted);
}

void Varkelin_DlgComposite::reject()
{
    if (!IsOpen()) {
        hide();
        return;
    }
    Close();
    setResult(QDialog::Rejected);
    emit finished(QDialog::Rejected);
}

void Varkelin_DlgComposite::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

void Varkelin_DlgComposite::ApplyLanguage(int languageIndex)
{
    using namespace CompositeControl;
    languageIndex_ = languageIndex == 1 ? 1 : 0;
    for (const TextOf& text : LanguageTexts) {
        const QString value = QString::fromStdString(LoadText(text.key, languageIndex_));
        if (auto* label = qobject_cast<QLabel*>(Control(text.id)))
            label->setText(value);
        else if (auto* button = qobject_cast<QAbstractButton*>(Control(text.id)))
            button->setText(value);
    }
    static_cast<QLabel*>(Control(SettingCaption))
        ->setText(QString::fromStdString(LoadText(macroOnly_ ? "MACRO_EDIT_TISHI" : "KEY_SETTING_TISHI", languageIndex_)));
    for (int id : TooltipButtons)
        Button(id)->SetTooltip(Button(id)->text(), true);
    Button(OnScreenKeyboard)->SetTooltip(QString::fromStdString(LoadText("COMPOSITE_PROMPT_OSK", languageIndex_)), true);
    // Their captions are the statics beside them.
    keyTab_->KeyboardChoice()->setText(QString());
    keyTab_->MouseChoice()->setText(QString());
    setWindowTitle(Button(TabKey)->isEnabled() ? QString::fromStdString(LoadText("KEY_SETTING_TISHI", languageIndex_))
                                               : QString::fromStdString(LoadText("MACRO_EDIT_TISHI", languageIndex_)));
    macroTab_->ApplyLanguage(languageIndex_);
    for (const std::vector<int>& row : CaptionRows) {
        std::vector<CPngButton*> buttons;
        for (int id : row) {
            if (CPngButton* button = Button(id))
                buttons.push_back(button);
        }
        FitCaptionsTogether(buttons, ButtonPointSize, MinButtonPointSize);
    }
    // Lists keep their selections across the refill.
    FillLists();
    ShowCapturedKey();
    if (status_->isVisible())
        SetStatus(QString::fromStdString(LoadText("COMPOSITE_NO_GRAB", languageIndex_)));
    macroTab_->UpdateMemoryGauge();
    update();
}
