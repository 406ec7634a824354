#pragma once

#include "macro/MacroBlock.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

#include <functional>
#include <vector>

// The event list of the key function editor as a model over the editor's
// rows (MacroList::rows): a view draws only the rows it shows, so a macro of
// 4000 events opens, scrolls and moves as fast as one of four.
class MacroEventModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { KeyColumn = 0, DirectionColumn = 1, DelayColumn = 2, ColumnCount = 3 };

    explicit MacroEventModel(std::vector<MacroEvent>& rows, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Edits from the cell editors: key code (KeyColumn), direction 0/1
    // (DirectionColumn) or the typed delay text (DelayColumn, validated).
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The rows changed as a whole (another macro shown, cleared, moved).
    void Reset();
    // One row was inserted at row.
    void RowInserted(int row);
    // The header titles follow the language.
    void SetHeaders(const QString& key, const QString& direction, const QString& delay);
    // Called after an edit changed a row.
    void SetChangedHandler(std::function<void()> handler) { changed_ = std::move(handler); }
    // Key names are cached per language; drop them when it changes.
    void LanguageChanged();

private:
    QString KeyName(uint16_t keyCode) const;

    std::vector<MacroEvent>& rows_;
    QString headers_[ColumnCount];
    std::function<void()> changed_;
    mutable std::vector<QString> keyNames_;
};

// The in-place cell editors: a digits-only field for the delay, the list of
// keys (list codes 0 to 104) for the key and the two directions.
class MacroEventDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Called before a delay cell opens its editor (the recording stops).
    void SetDelayEditStarted(std::function<void()> handler) { delayEditStarted_ = std::move(handler); }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    std::function<void()> delayEditStarted_;
};
