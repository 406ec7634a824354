#include "skin/gui/SkinStyles.h"

#include "skin/gui/SkinImages.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>

#include <initializer_list>

namespace {

// The path of a skin picture, or nothing when the skin lacks it.
QString SkinPicture(const QString& skinFolder, const char* file)
{
    const QString path = ResolveSkinPath(QDir(skinFolder).filePath(QString::fromLatin1(file)));
    return QFileInfo(path).isFile() ? path : QString();
}

struct StatePicture {
    const char* state;
    const char* file;
};

// One rule a state, for the states whose picture the skin has.
QString StatePictures(const QString& selector, const QString& skinFolder,
                      std::initializer_list<StatePicture> pictures)
{
    QString style;
    for (const StatePicture& picture : pictures) {
        const QString path = SkinPicture(skinFolder, picture.file);
        if (!path.isEmpty())
            style += QStringLiteral("%1:%2 { image: url(\"%3\"); }")
                         .arg(selector, QString::fromLatin1(picture.state), path);
    }
    return style;
}

class ClickOpensList final : public QObject {
public:
    explicit ClickOpensList(QComboBox* list) : QObject(list), list_(list) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress ||
            static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        QLineEdit* field = list_->lineEdit();
        if (watched != field || field->hasFocus() || !list_->isEnabled())
            return false;
        list_->setFocus(Qt::MouseFocusReason);
        list_->showPopup();
        return true;
    }

private:
    QComboBox* list_;
};

} // namespace

QString ToolTipStyle()
{
    return QStringLiteral("QToolTip { background: #2b2f35; color: #eceef1; border: 1px solid #41464e;"
                          " padding: 2px 4px; }");
}

QString DarkFieldStyle()
{
    return QStringLiteral(
        "QComboBox, QLineEdit { background: #16181b; color: #eceef1; border: 1px solid #41464e;"
        " border-radius: 5px; padding: 1px 8px; selection-background-color: #ff8200; }"
        "QComboBox::drop-down { border: none; width: 20px; }"
        "QComboBox QAbstractItemView { background: #16181b; color: #eceef1; border: 1px solid #41464e;"
        " selection-background-color: #ff8200; selection-color: #16181b; }");
}

QString DarkTableStyle()
{
    return QStringLiteral(
        "QTableView { background: #16181b; alternate-background-color: #1b1e22; color: #eceef1;"
        " gridline-color: #2c3036; border: 1px solid #41464e; border-radius: 4px;"
        " selection-background-color: #ff8200; selection-color: #16181b; }"
        "QHeaderView::section { background: #23262b; color: #c8ccd2; border: none;"
        " border-right: 1px solid #2c3036; border-bottom: 1px solid #41464e; padding: 2px 6px; }"
        "QScrollBar:vertical { background: #16181b; width: 10px; margin: 0; }"
        "QScrollBar::handle:vertical { background: #4a4f57; border-radius: 4px; min-height: 24px; margin: 1px; }"
        "QScrollBar::handle:vertical:hover { background: #ff8200; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }");
}

QString DropDownArrowStyle(const QString& skinFolder)
{
    const QString normal = SkinPicture(skinFolder, "dropdown_arrow.png");
    if (normal.isEmpty()) {
        return QStringLiteral("QComboBox::down-arrow { width: 0; height: 0; border-left: 5px solid transparent;"
                              " border-right: 5px solid transparent; border-top: 6px solid #c8ccd2; }");
    }
    return QStringLiteral("QComboBox::down-arrow { image: url(\"%1\"); }").arg(normal)
        + StatePictures(QStringLiteral("QComboBox::down-arrow"), skinFolder,
                        {{"on", "dropdown_arrow_open.png"}, {"disabled", "dropdown_arrow_off.png"}});
}

QString TickStyle(const QString& indicatorSelector, const QString& skinFolder)
{
    if (SkinPicture(skinFolder, "profile_tick_on.png").isEmpty())
        return {};
    // The pictures carry their own box.
    return QStringLiteral("%1 { width: 18px; height: 18px; border: none; background: transparent; }")
               .arg(indicatorSelector)
        + StatePictures(indicatorSelector, skinFolder,
                        {{"checked", "profile_tick_on.png"}, {"unchecked", "profile_tick_off.png"}});
}

void OpenListOnClick(QComboBox* list)
{
    // A list without a field opens from any click already.
    if (QLineEdit* field = list->lineEdit())
        field->installEventFilter(new ClickOpensList(list));
}
