#include "config/gui/ProfileListModel.h"

#include "actions/ProfileSwitch.h"
#include "text/LanguageTexts.h"

#include <QColor>

namespace {

struct ColumnTitle {
    const char* key;
    const char* fallback; // what language files without the key were made for
};

constexpr ColumnTitle ColumnTitles[ProfileListModel::ColumnCount] = {
    {"PROFILE_COLUMN_ACTIVE", "激活"},
    {"PROFILE_COLUMN_NAME", "名称"},
    {"PROFILE_COLUMN_PATH", "路径"},
};

constexpr QRgb MissingRowColour = 0xff8a8f98;

std::string MissingOr(const ProfileRow& row, const std::string& tip)
{
    return row.missing ? FormatText(LoadText("PROFILE_FILE_MISSING_TIP"), ProfileRowValue(row)) : tip;
}

} // namespace

ProfileListModel::ProfileListModel(QObject* parent) : QAbstractTableModel(parent) {}

int ProfileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ProfileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProfileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ProfileRow& row = rows_[static_cast<size_t>(index.row())];
    switch (index.column()) {
    case ActiveColumn:
        if (role == Qt::CheckStateRole)
            return index.row() == ticked_ ? Qt::Checked : Qt::Unchecked;
        break;
    case NameColumn:
        if (row.profile >= 0) {
            if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
                return QString::fromStdString(ProfileName(row.profile));
            break;
        }
        if (role == Qt::DisplayRole)
            return QString::fromStdString(row.name);
        if (role == Qt::ToolTipRole)
            return QString::fromStdString(MissingOr(row, ProfileRowValue(row)));
        break;
    case FolderColumn:
        if (row.profile >= 0) {
            if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
                return QString::fromStdString(LoadText("PROFILE_ON_KEYBOARD"));
            break;
        }
        // Said before the folder, which a narrow column cuts at its end.
        if (role == Qt::DisplayRole)
            return QString::fromStdString(row.missing ? FormatText(LoadText("PROFILE_FILE_MISSING"), row.folder) : row.folder);
        if (role == Qt::ToolTipRole)
            return QString::fromStdString(MissingOr(row, row.folder));
        break;
    default:
        break;
    }
    // A file that is gone reads dimmed across its row.
    if (role == Qt::ForegroundRole && row.missing)
        return QColor(MissingRowColour);
    return {};
}

bool ProfileListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != ActiveColumn || role != Qt::CheckStateRole || index.row() >= rowCount())
        return false;
    const bool tick = value.toInt() == Qt::Checked;
    const int ticked = tick ? index.row() : (index.row() == ticked_ ? -1 : ticked_);
    if (ticked == ticked_)
        return true;
    ticked_ = ticked;
    EmitTickColumnChanged();
    emit tickChanged(ticked_);
    return true;
}

Qt::ItemFlags ProfileListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == ActiveColumn)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant ProfileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    const ColumnTitle& title = ColumnTitles[section];
    return QString::fromStdString(LoadTextOr(title.key, title.fallback));
}

void ProfileListModel::SetRows(std::vector<ProfileRow> rows, int tickedRow)
{
    beginResetModel();
    rows_ = std::move(rows);
    ticked_ = tickedRow >= 0 && tickedRow < rowCount() ? tickedRow : -1;
    endResetModel();
}

void ProfileListModel::AddRow(const ProfileRow& row)
{
    const int at = rowCount();
    beginInsertRows(QModelIndex(), at, at);
    rows_.push_back(row);
    endInsertRows();
}

void ProfileListModel::RemoveRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    rows_.erase(rows_.begin() + row);
    if (ticked_ == row)
        ticked_ = -1;
    else if (ticked_ > row)
        --ticked_;
    endRemoveRows();
}

void ProfileListModel::TickProfile(int profile)
{
    for (size_t r = 0; r < rows_.size(); ++r) {
        if (profile >= 0 && rows_[r].profile == profile) {
            SetTickedRow(static_cast<int>(r));
            return;
        }
    }
    SetTickedRow(-1);
}

void ProfileListModel::SetTickedRow(int row)
{
    const int ticked = row >= 0 && row < rowCount() ? row : -1;
    if (ticked == ticked_)
        return;
    ticked_ = ticked;
    EmitTickColumnChanged();
}

void ProfileListModel::RetranslateTexts()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!rows_.empty())
        emit dataChanged(index(0, NameColumn), index(rowCount() - 1, FolderColumn), {Qt::DisplayRole, Qt::ToolTipRole});
}

void ProfileListModel::EmitTickColumnChanged()
{
    if (!rows_.empty())
        emit dataChanged(index(0, ActiveColumn), index(rowCount() - 1, ActiveColumn), {Qt::CheckStateRole});
}
