#pragma once

#include "skin/gui/BaseDialog.h"

#include <QWidget>

#include <vector>

// One tab of the key function editor: a part of the window as large as the
// window, drawing nothing of its own, that holds the tab's controls at their
// places in the skin. Presses on its empty parts reach the window (which is
// dragged by them); it lies under the window's own buttons.
class CompositeTab : public QWidget {
    Q_OBJECT
public:
    explicit CompositeTab(CBaseDialog& dialog);

    // Shows or hides the tab with each of its controls, so that a control
    // says by itself whether its tab is the shown one.
    void Show(bool shown);

protected:
    // Controls are made with the window's kit (so the window finds them by
    // id) as children of the tab.
    template <typename Widget>
    Widget* Add(int id, const char* skinKey)
    {
        auto* control = dialog_.AddControl<Widget>(id, skinKey, this);
        ids_.push_back(id);
        return control;
    }
    // A button faced from a set of four pictures: normal, over, down,
    // disabled (the pressed one also marks it). The keyboard's focus stays
    // in the fields.
    CPngButton* AddButton(int id, const char* skinKey, const QPixmap* set);
    // A control made by the tab itself, kept in the window's map.
    void Keep(int id, QWidget* control);
    // A button of the window's map, by its id.
    CPngButton* Button(int id) const { return dialog_.Button(id); }

private:
    CBaseDialog& dialog_;
    std::vector<int> ids_;
};
