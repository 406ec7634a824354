#include "assign/gui/CompositeListTab.h"

#include <QComboBox>
#include <QLabel>

#include <algorithm>

CompositeListTab::CompositeListTab(CBaseDialog& dialog, const Layout& layout,
                                   std::function<std::vector<QString>()> entries)
    : CompositeTab(dialog), entries_(std::move(entries))
{
    setObjectName(QString::fromLatin1(layout.objectName));
    Add<QLabel>(layout.captionId, layout.captionKey);
    list_ = Add<QComboBox>(layout.listId, layout.listKey);
    connect(list_, &QComboBox::activated, this, &CompositeListTab::picked);
}

void CompositeListTab::FillList()
{
    const int chosen = list_->currentIndex();
    list_->clear();
    for (const QString& entry : entries_())
        list_->addItem(entry);
    list_->setCurrentIndex(std::max(0, chosen));
}

int CompositeListTab::Choice() const
{
    return std::max(0, list_->currentIndex());
}

void CompositeListTab::Choose(uint32_t position)
{
    if (position < static_cast<uint32_t>(list_->count()))
        list_->setCurrentIndex(static_cast<int>(position));
}
