#pragma once

#include <QString>

class QComboBox;

// Style-sheet pieces the windows share, so that a control looks the same in
// every window.

// Tooltips of a widget that has a style sheet are drawn by that sheet, which
// knows nothing of QToolTip's palette: without this rule they come out in
// the light colours of a desktop theme.
QString ToolTipStyle();

// A drop-down list or a line of text: a dark field, and the dark list it
// opens.
QString DarkFieldStyle();

// A dark table with alternating rows, its header, and a slim vertical
// scroll bar.
QString DarkTableStyle();

// The arrow of a drop-down list, from the skin's pictures in skinFolder
// ("dropdown_arrow.png", "_open", "_off"). Without a style sheet's arrow a
// styled QComboBox draws none at all; a skin without the pictures gets a
// drawn triangle instead.
QString DropDownArrowStyle(const QString& skinFolder);

// The skin's tick pictures ("profile_tick_on.png", "profile_tick_off.png")
// for the indicators the selector names ("QCheckBox::indicator",
// "QTableView::indicator"), at the pictures' size and without the box a
// sheet may have drawn; empty when the skin has none.
QString TickStyle(const QString& indicatorSelector, const QString& skinFolder);

// A click anywhere on the list opens it, also on the text of a list whose
// text can be edited, as long as its field has not got the keyboard focus
// (then a click places the caret, as in any field).
void OpenListOnClick(QComboBox* list);
