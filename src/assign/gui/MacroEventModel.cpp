#include "assign/gui/MacroEventModel.h"

#include "keys/KeyTable.h"
#include "actions/MacroEditing.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QRegularExpressionValidator>

namespace {

// Key codes reach 0x3FF at most (macro keys); anything else shows as
// unknown without growing the cache.
constexpr size_t KeyNameCacheSize = 1024;
// Longest delay text a cell accepts: 40000 needs five digits, a few more
// still show the "too long" message instead of being cut silently.
constexpr int MaxDelayDigits = 8;
constexpr int KeyListCodes = 105;

} // namespace

MacroEventModel::MacroEventModel(std::vector<MacroEvent>& rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows)
{
}

int MacroEventModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int MacroEventModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString MacroEventModel::KeyName(uint16_t keyCode) const
{
    if (keyCode >= KeyNameCacheSize)
        return QString::fromStdString(GetKeyName(keyCode));
    if (keyNames_.empty())
        keyNames_.resize(KeyNameCacheSize);
    QString& name = keyNames_[keyCode];
    if (name.isNull())
        name = QString::fromStdString(GetKeyName(keyCode));
    return name;
}

QVariant MacroEventModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || static_cast<size_t>(index.row()) >= rows_.size())
        return {};
    const MacroEvent& event = rows_[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case KeyColumn: return KeyName(event.keyCode);
        case DirectionColumn: return QString::fromUtf8(DirectionText(event.direction));
        case DelayColumn: return QString::number(event.delay);
        }
        break;
    case Qt::EditRole:
        switch (index.column()) {
        case KeyColumn: return event.keyCode;
        case DirectionColumn: return event.direction == MacroPressed ? 0 : 1;
        case DelayColumn: return QString::number(event.delay);
        }
        break;
    case Qt::ForegroundRole:
        // The key and direction columns are drawn grey, the delay stands out.
        if (index.column() != DelayColumn)
            return QApplication::palette().color(QPalette::Disabled, QPalette::Text);
        break;
    case Qt::TextAlignmentRole:
        return index.column() == DelayColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                             : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
}

QVariant MacroEventModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return headers_[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags MacroEventModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool MacroEventModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || static_cast<size_t>(index.row()) >= rows_.size())
        return false;
    MacroEvent& event = rows_[static_cast<size_t>(index.row())];
    const MacroEvent before = event;
    switch (index.column()) {
    case KeyColumn: {
        bool ok = false;
        const uint32_t code = value.toUInt(&ok);
        if (!ok || code == 0 || code > 0xFFFF)
            return false;
        event.keyCode = static_cast<uint16_t>(code);
        break;
    }
    case DirectionColumn:
        event.direction = value.toInt() == 0 ? MacroPressed : MacroReleased;
        break;
    case DelayColumn:
        event.delay = ValidateDelayText(value.toString().toStdString()).delay;
        break;
    default:
        return false;
    }
    // The cell shows the corrected value even when nothing changed.
    emit dataChanged(index, index);
    if (event == before)
        return false;
    if (changed_)
        changed_();
    return true;
}

void MacroEventModel::Reset()
{
    beginResetModel();
    endResetModel();
}

void MacroEventModel::RowInserted(int row)
{
    // The rows are already in place; the view only learns of them.
    beginInsertRows(QModelIndex(), row, row);
    endInsertRows();
    // Insertion moved the previous row's delay.
    if (row > 0)
        emit dataChanged(index(row - 1, DelayColumn), index(row - 1, DelayColumn));
}

void MacroEventModel::SetHeaders(const QString& key, const QString& direction, const QString& delay)
{
    headers_[KeyColumn] = key;
    headers_[DirectionColumn] = direction;
    headers_[DelayColumn] = delay;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void MacroEventModel::LanguageChanged()
{
    keyNames_.clear();
    if (!rows_.empty())
        emit dataChanged(index(0, KeyColumn), index(rowCount() - 1, KeyColumn));
}

QWidget* MacroEventDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    switch (index.column()) {
    case MacroEventModel::DelayColumn: {
        if (delayEditStarted_)
            delayEditStarted_();
        auto* edit = new QLineEdit(parent);
        edit->setObjectName(QStringLiteral("DelayEditor"));
        edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(MaxDelayDigits)), edit));
        edit->setMaxLength(MaxDelayDigits);
        return edit;
    }
    case MacroEventModel::KeyColumn: {
        auto* list = new QComboBox(parent);
        list->setObjectName(QStringLiteral("KeyEditor"));
        for (uint16_t code = 0; code < KeyListCodes; ++code)
            list->addItem(QString::fromStdString(GetListName(code)));
        list->setMaxVisibleItems(16);
        return list;
    }
    case MacroEventModel::DirectionColumn: {
        auto* list = new QComboBox(parent);
        list->setObjectName(QStringLiteral("DirectionEditor"));
        list->addItem(QString::fromUtf8(DirectionText(MacroPressed)));
        list->addItem(QString::fromUtf8(DirectionText(MacroReleased)));
        return list;
    }
    }
    return nullptr;
}

void MacroEventDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const QVariant value = index.data(Qt::EditRole);
    switch (index.column()) {
    case MacroEventModel::DelayColumn:
        static_cast<QLineEdit*>(editor)->setText(value.toString());
        break;
    case MacroEventModel::KeyColumn: {
        const uint16_t listCode = KeyCodeToListCode(static_cast<uint16_t>(value.toUInt()));
        static_cast<QComboBox*>(editor)->setCurrentIndex(listCode < KeyListCodes ? listCode : -1);
        break;
    }
    case MacroEventModel::DirectionColumn:
        static_cast<QComboBox*>(editor)->setCurrentIndex(value.toInt() == 0 ? 0 : 1);
        break;
    }
}

void MacroEventDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    switch (index.column()) {
    case MacroEventModel::DelayColumn:
        model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
        break;
    case MacroEventModel::KeyColumn: {
        const int item = static_cast<QComboBox*>(editor)->currentIndex();
        // Leaving without a choice changes nothing.
        if (item >= 0)
            model->setData(index, ListCodeToKeyCode(static_cast<uint16_t>(item)), Qt::EditRole);
        break;
    }
    case MacroEventModel::DirectionColumn:
        model->setData(index, static_cast<QComboBox*>(editor)->currentIndex(), Qt::EditRole);
        break;
    }
}
