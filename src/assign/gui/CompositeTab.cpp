#include "assign/gui/CompositeTab.h"

#include "skin/gui/PngButton.h"

CompositeTab::CompositeTab(CBaseDialog& dialog) : QWidget(&dialog), dialog_(dialog)
{
    setGeometry(QRect(QPoint(0, 0), dialog.size()));
}

void CompositeTab::Show(bool shown)
{
    setVisible(shown);
    for (int id : ids_) {
        if (QWidget* control = dialog_.Control(id))
            control->setVisible(shown);
    }
}

void CompositeTab::Keep(int id, QWidget* control)
{
    dialog_.RegisterControl(id, control);
    ids_.push_back(id);
}

CPngButton* CompositeTab::AddButton(int id, const char* skinKey, const QPixmap* set)
{
    CPngButton* button = dialog_.AddButton(id, skinKey, {set[0], set[1], set[2], set[3], set[2]}, this);
    button->setFocusPolicy(Qt::NoFocus);
    ids_.push_back(id);
    return button;
}
