#pragma once

#include "assign/gui/CompositeTab.h"

#include <QString>

#include <functional>
#include <vector>

class QComboBox;

// A tab that is a caption and one list: the multimedia keys, or the
// keyboard's functions. The entry's position is what the key stores.
class CompositeListTab : public CompositeTab {
    Q_OBJECT
public:
    struct Layout {
        const char* objectName;
        int captionId;
        const char* captionKey; // the caption's place in the skin
        int listId;
        const char* listKey;
    };
    // entries: the list's texts in the current language.
    CompositeListTab(CBaseDialog& dialog, const Layout& layout, std::function<std::vector<QString>()> entries);

    // The entries anew in the current language, the choice kept (or the
    // first one).
    void FillList();
    // The chosen position, 0 when none is.
    int Choice() const;
    // Chooses a position the list has; others are left alone.
    void Choose(uint32_t position);
    QComboBox* List() const { return list_; }

signals:
    // The owner picked an entry.
    void picked();

private:
    std::function<std::vector<QString>()> entries_;
    QComboBox* list_ = nullptr;
};
