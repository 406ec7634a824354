#include "ui/MainWindow.h"

#include "keys/KeyTable.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"

#include <QAbstractButton>

#include <algorithm>
#include <set>
#include <vector>

// Working the main window from the keyboard: the Tab order over its controls
// and Enter on a focused button. Controls that have nothing to do yet are
// shown as such.

namespace {

using namespace MainControl;

// The panels around the keyboard picture, in the order Tab visits them
// after the keyboard; inside a panel the ids keep this order.
constexpr int ProfilePanel[] = {Profiles, Profile1, Profile2, Profile3, Macro, Defaults};
constexpr int ApplyPanel[] = {Report1, Report2, Report3, Report4, ColourR, ColourG, ColourB, Apply, Ok, Cancel};
constexpr int LinkBar[] = {Network, Facebook, Twitter, Link};
constexpr int TopBar[] = {LanguageList, Menu, Help, Minimize, Close};

// Reading order: rows from the top (a key counts in the row of its top
// edge, so the tall Enter and + keys come with their first row), then from
// the left.
void SortByPosition(std::vector<QWidget*>& widgets)
{
    std::stable_sort(widgets.begin(), widgets.end(), [](const QWidget* a, const QWidget* b) {
        const int rowTolerance = std::max(1, std::min(a->height(), b->height()) / 2);
        if (std::abs(a->y() - b->y()) >= rowTolerance)
            return a->y() < b->y();
        return a->x() < b->x();
    });
}

} // namespace

void CVarkelinDlg::ArrangeTabOrder()
{
    std::vector<QWidget*> order;
    std::set<QWidget*> placed;
    auto take = [&](QWidget* widget) {
        if (widget && placed.insert(widget).second)
            order.push_back(widget);
    };

    // The keyboard first: the macro keys beside it, the flip switches and
    // the D keys above it, then its keys row by row.
    for (uint16_t id : MacroKeyButtons)
        take(Control(id));
    take(Control(Flip1));
    for (int id = FirstD; id < FirstD + 6; ++id)
        take(Control(id));
    take(Control(Flip2));
    std::vector<QWidget*> keys;
    for (const ButtonKey& key : ButtonKeyTable)
        keys.push_back(Control(key.controlId));
    keys.push_back(Control(Fn));
    keys.erase(std::remove(keys.begin(), keys.end(), nullptr), keys.end());
    SortByPosition(keys);
    for (QWidget* key : keys)
        take(key);

    for (int id : ProfilePanel)
        take(Control(id));
    // Whatever else takes the focus (the lighting panel's controls) comes
    // between the profiles and Apply, in reading order.
    std::set<QWidget*> later;
    for (int id : ApplyPanel)
        later.insert(Control(id));
    for (int id : LinkBar)
        later.insert(Control(id));
    for (int id : TopBar)
        later.insert(Control(id));
    std::vector<QWidget*> others;
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if ((child->focusPolicy() & Qt::TabFocus) && !placed.count(child) && !later.count(child))
            others.push_back(child);
    }
    SortByPosition(others);
    for (QWidget* other : others)
        take(other);
    for (int id : ApplyPanel)
        take(Control(id));
    for (int id : LinkBar)
        take(Control(id));
    for (int id : TopBar)
        take(Control(id));

    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

bool CVarkelinDlg::PressFocusedButton()
{
    // Any button: the skin's pictures and the lighting panel's colour buttons.
    auto* button = qobject_cast<QAbstractButton*>(focusWidget());
    if (!button || !button->isEnabled() || !button->isVisible())
        return false;
    button->animateClick();
    return true;
}

void CVarkelinDlg::MarkPendingControls()
{
    // A button nothing listens to would be silently inert: it is shown
    // disabled, with a tooltip saying its feature comes later.
    for (const auto& [id, widget] : controls_) {
        auto* button = qobject_cast<CPngButton*>(widget);
        // D1 to D6 follow the flip switch, which enables and disables them.
        const bool flipped = id >= FirstD && id < FirstD + 6;
        if (!button || flipped || !button->isEnabled() || button->HasClickReceivers())
            continue;
        button->setEnabled(false);
        button->setProperty("pendingFeature", true);
        button->SetTooltip(QString::fromStdString(LoadText("MAIN_LATER_PROMPT")), true);
        Trace("pending-control " + std::to_string(id));
    }
}
