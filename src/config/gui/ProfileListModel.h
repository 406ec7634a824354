#pragma once

#include "actions/ProfileList.h"

#include <QAbstractTableModel>

#include <vector>

// The profile manager's report list: the keyboard's profiles, then the
// owner's profile files, in three columns (the tick that marks the profile to
// activate or the file to load, the name, the folder). At most one row is
// ticked; ticking a row clears the others.
class ProfileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ActiveColumn = 0, NameColumn = 1, FolderColumn = 2, ColumnCount = 3 };

    explicit ProfileListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void SetRows(std::vector<ProfileRow> rows, int tickedRow);
    void AddRow(const ProfileRow& row);
    void RemoveRow(int row);
    const std::vector<ProfileRow>& Rows() const { return rows_; }

    // -1 when no row is ticked.
    int TickedRow() const { return ticked_; }
    // Ticks row (or none for a row that does not exist) without counting as
    // the owner's change.
    void SetTickedRow(int row);
    // Ticks the row of the keyboard's profile (none for -1), likewise.
    void TickProfile(int profile);
    // The texts come from the language file; tell the views they changed.
    void RetranslateTexts();

signals:
    // The owner ticked or unticked a row.
    void tickChanged(int tickedRow);

private:
    void EmitTickColumnChanged();

    std::vector<ProfileRow> rows_;
    int ticked_ = -1;
};
