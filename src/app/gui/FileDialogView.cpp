#include "app/gui/FileDialogView.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QTreeView>

namespace {

// QFileSystemModel's columns.
constexpr int NameColumn = 0;
constexpr int SizeColumn = 1;
constexpr int TypeColumn = 2;
constexpr int DateColumn = 3;

class LocaleFileProxy final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || (index.column() != SizeColumn && index.column() != DateColumn))
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        const QLocale locale;
        if (index.column() == DateColumn)
            return locale.toString(files->lastModified(source), QLocale::ShortFormat);
        // Folders have no size to show.
        return files->isDir(source) ? QString() : locale.formattedDataSize(files->size(source));
    }
};

} // namespace

void PrepareFileDialogView(QFileDialog& dialog)
{
    dialog.setProxyModel(new LocaleFileProxy(&dialog));
    if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = view->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
        for (int column : {SizeColumn, TypeColumn, DateColumn})
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
}
