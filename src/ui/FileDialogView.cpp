#include "ui/FileDialogView.h"

#include "text/LanguageTexts.h"

#include <QFileDialog>
#include <QFileInfo>
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

// Qt names types through the desktop's MIME database ("unknown" for a
// profile file) and in words Debian's Qt catalogue lacks ("Folder" stays
// English), so the type is the program's own text.
QString TypeText(const QFileInfo& info)
{
    if (info.isDir())
        return QString::fromStdString(LoadText("MAIN_FILE_TYPE_FOLDER"));
    const std::string suffix = info.suffix().toUpper().toStdString();
    return QString::fromStdString(suffix.empty() ? LoadText("MAIN_FILE_TYPE_PLAIN")
                                                 : FormatText(LoadText("MAIN_FILE_TYPE_FILE"), suffix));
}

class LocaleFileProxy final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || index.column() == NameColumn)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        if (index.column() == TypeColumn)
            return TypeText(files->fileInfo(source));
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
