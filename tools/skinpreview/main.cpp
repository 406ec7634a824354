// Shows one skinned window of the default skin with the program's own skin
// engine and saves a picture of it.
//
//   rt604skinpreview --skin <Skins folder> --layout Main.ini --out main.png
//       [--set key|macro|macro2|media|function]  face pictures of the key editor
//       [--hide REGEX]...                         leave matching keys out
//       [--force KEY=over|down|disabled|marked]... one button in a given state
//       [--all over|down|disabled|marked]          every button in that state
//       [--flip 0|1] [--colour-view]
//       [--crop x,y,w,h] [--scale n]                 a detail, enlarged

#include "PreviewContent.h"

#include "platform/PrivateProfile.h"
#include "skin/gui/BaseDialog.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinPlacement.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyleFactory>
#include <QTreeWidget>

#include <cstdio>

namespace {

struct Options {
    QString skin;
    QString layout;
    QString out;
    QString set = QStringLiteral("key");
    QList<QRegularExpression> hide;
    QHash<QString, QString> force;
    QString all;
    int flip = 0;
    bool colourView = false;
    QRect crop;     // part of the window to keep
    int scale = 1;  // enlargement of the saved picture
};

struct FaceSet {
    QPixmap normal, over, down, disabled, marked;
};

const char* const StyleSheet = R"(
QLabel { color: #dfe2e6; background: transparent; }
QComboBox, QLineEdit { background: #16181b; color: #eceef1; border: 1px solid #41464e;
    border-radius: 5px; padding: 1px 8px; selection-background-color: #ff8200; }
QComboBox::drop-down { border: none; width: 20px; }
QTreeWidget { background: #141619; alternate-background-color: #191b1f; color: #d8dbe0;
    border: 1px solid #2c3035; }
QHeaderView::section { background: #2a2e34; color: #c8ccd2; border: none;
    border-right: 1px solid #1c1e22; padding: 3px 6px; }
QRadioButton, QCheckBox { background: transparent; }
)";

QString FaceName(const Options& o, const QString& kind)
{
    const QString layout = o.layout.toLower();
    if (layout.startsWith(QLatin1String("main")))
        return QStringLiteral("main_%1.jpg").arg(kind == QLatin1String("disabled") ? QStringLiteral("disable") : kind);
    if (layout.startsWith(QLatin1String("composite"))) {
        QString k = kind == QLatin1String("disabled") ? QStringLiteral("disable") : kind;
        const QString name = QStringLiteral("%1_%2.jpg").arg(o.set, k);
        if (QFile::exists(o.skin + QLatin1Char('/') + name))
            return name;
        return QStringLiteral("%1_normal.jpg").arg(o.set);
    }
    if (layout.startsWith(QLatin1String("profile")))
        return QStringLiteral("Profile_%1.jpg").arg(kind == QLatin1String("disabled") ? QStringLiteral("down") : kind);
    // The update window has only normal and hover pictures.
    return QStringLiteral("update_%1.jpg").arg(kind == QLatin1String("over") || kind == QLatin1String("down")
                                                  ? QStringLiteral("over") : QStringLiteral("normal"));
}

QWidget* MakeWidget(const PreviewContent& c, QWidget* parent, SkinImageCache& images)
{
    switch (c.kind) {
    case PreviewKind::Label: {
        auto* label = new QLabel(c.text, parent);
        QFont font = label->font();
        font.setPointSizeF(9);
        label->setFont(font);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return label;
    }
    case PreviewKind::Combo: {
        auto* combo = new QComboBox(parent);
        combo->addItem(c.text);
        return combo;
    }
    case PreviewKind::Edit:
        return new QLineEdit(c.text, parent);
    case PreviewKind::List: {
        auto* list = new QTreeWidget(parent);
        const QStringList rows = c.text.split(QLatin1Char(';'));
        list->setHeaderLabels(rows.first().split(QLatin1Char('|')));
        list->setRootIsDecorated(false);
        list->setAlternatingRowColors(true);
        for (int i = 1; i < rows.size(); ++i)
            list->addTopLevelItem(new QTreeWidgetItem(rows[i].split(QLatin1Char('|'))));
        list->header()->setStretchLastSection(true);
        return list;
    }
    case PreviewKind::Picture: {
        auto* label = new QLabel(parent);
        label->setPixmap(images.Pixmap(c.picture));
        return label;
    }
    case PreviewKind::ColourButton: {
        auto* label = new QLabel(parent);
        label->setStyleSheet(QStringLiteral("background: %1; border: 2px solid #e8eaed; border-radius: 6px;")
                                 .arg(c.colour.name()));
        return label;
    }
    case PreviewKind::Radio: {
        auto* radio = new QRadioButton(parent);
        radio->setChecked(true);
        return radio;
    }
    case PreviewKind::Check: {
        auto* check = new QCheckBox(parent);
        check->setChecked(true);
        return check;
    }
    case PreviewKind::Button:
        break;
    }
    return nullptr;
}

bool IsKeyButton(const QString& key)
{
    return key.startsWith(QLatin1String("KEY_")) || key.startsWith(QLatin1String("FUNC_G"));
}

int Run(const Options& o)
{
    const QString layoutPath = o.skin + QLatin1Char('/') + o.layout;
    CBaseDialog dialog(nullptr, layoutPath, o.skin + QLatin1Char('/'));
    dialog.setStyleSheet(QString::fromLatin1(StyleSheet));
    SkinImageCache& images = dialog.Images();
    FaceSet faces{images.Pixmap(FaceName(o, QStringLiteral("normal"))), images.Pixmap(FaceName(o, QStringLiteral("over"))),
                  images.Pixmap(FaceName(o, QStringLiteral("down"))), images.Pixmap(FaceName(o, QStringLiteral("disabled"))),
                  images.Pixmap(FaceName(o, QStringLiteral("down")))};
    const bool main = o.layout.toLower().startsWith(QLatin1String("main"));
    const bool macroOnly = o.set == QLatin1String("macro2");

    const auto entries = GetPrivateProfileSection("BUTTONINFO", layoutPath.toStdString());
    QHash<QString, CPngButton*> buttons;
    for (const auto& [keyText, value] : entries) {
        Q_UNUSED(value);
        const QString key = QString::fromStdString(keyText);
        bool hidden = false;
        for (const QRegularExpression& re : o.hide)
            hidden = hidden || re.match(key).hasMatch();
        if (hidden || key == QLatin1String("LEFT_ARROW") || key == QLatin1String("RIGHT_ARROW"))
            continue;
        const PreviewContent content = ContentOf(o.layout, key);
        if (QWidget* widget = MakeWidget(content, &dialog, images)) {
            PlaceControl(widget, dialog.Ini(), "BUTTONINFO", keyText);
            continue;
        }
        auto* button = new CPngButton(content.text, &dialog);
        PlaceButton(button, dialog.Ini(), "BUTTONINFO", keyText, faces.normal, faces.over, faces.down,
                    faces.disabled, faces.marked);
        if (!content.text.isEmpty()) {
            button->SetTextStyle(MainCaptionStyle(content.pointSize, content.format, content.font));
            if (content.textLeft > 0)
                button->SetTextMargins(content.textLeft, -8, 0, 0);
            if (content.angle != 0)
                button->SetTextAngle(content.angle, true);
        }
        if (content.disabled)
            button->setEnabled(false);
        if (macroOnly && (key == QLatin1String("CONTROL_KEY") || key == QLatin1String("CONTROL_MEDIA") ||
                          key == QLatin1String("CONTROL_FUNCTION") || key == QLatin1String("CONTROL_CLEAR")))
            button->setEnabled(false);
        buttons.insert(key, button);
    }

    if (main) {
        // Flip 0 shows F1-F4, otherwise the D row.
        for (const char* k : {"KEY_03B", "KEY_03C", "KEY_03D", "KEY_03E"})
            if (buttons.contains(QLatin1String(k)))
                buttons[QLatin1String(k)]->setEnabled(o.flip == 0);
        for (int i = 1; i <= 6; ++i)
            if (CPngButton* d = buttons.value(QStringLiteral("KEY_D%1").arg(i)))
                d->setEnabled(o.flip != 0);
        if (CPngButton* p = buttons.value(QStringLiteral("FUNC_PROFILE1")))
            p->SetMark(true);
        if (CPngButton* r = buttons.value(QStringLiteral("FUNC_REPORT4")))
            r->SetMark(true);
        const QPixmap arrows = images.Pixmap(QStringLiteral("Arrow.jpg"));
        const char* side[] = {"LEFT", "RIGHT"};
        for (const char* s : side) {
            auto* arrow = new CPngButton(&dialog);
            const std::string face = std::string(o.flip != 0 ? "UP_ARROW_" : "DOWN_ARROW_") + s + "1";
            PlaceArrow(arrow, dialog.Ini(), std::string(s) + "_ARROW", "BUTTONINFO2", face, arrows);
            arrow->setEnabled(false);
        }
        if (o.colourView) {
            const QPixmap a = images.Pixmap(QStringLiteral("main_color0.jpg"));
            const QPixmap b = images.Pixmap(QStringLiteral("main_color1.jpg"));
            for (auto it = buttons.begin(); it != buttons.end(); ++it)
                if (IsKeyButton(it.key()))
                    it.value()->SetColourView(a, b, true, it.key() == QLatin1String("KEY_011") ||
                                                              it.key() == QLatin1String("KEY_01E") ||
                                                              it.key() == QLatin1String("KEY_01F") ||
                                                              it.key() == QLatin1String("KEY_020"));
        }
    } else if (o.layout.toLower().startsWith(QLatin1String("composite"))) {
        const QString chosen = o.set == QLatin1String("media") ? QStringLiteral("CONTROL_MEDIA")
                               : o.set == QLatin1String("function") ? QStringLiteral("CONTROL_FUNCTION")
                               : o.set.startsWith(QLatin1String("macro")) ? QStringLiteral("CONTROL_MACRO")
                                                                         : QStringLiteral("CONTROL_KEY");
        if (CPngButton* tab = buttons.value(chosen))
            tab->SetFaceImages(faces.down, faces.down, faces.down, faces.disabled, faces.down, false);
    }

    auto force = [&](CPngButton* button, const QString& state) {
        if (state == QLatin1String("over"))
            button->SetFaceImages(faces.over, faces.over, faces.over, faces.disabled, faces.marked, false);
        else if (state == QLatin1String("down"))
            button->SetFaceImages(faces.down, faces.down, faces.down, faces.disabled, faces.marked, false);
        else if (state == QLatin1String("disabled"))
            button->setEnabled(false);
        else if (state == QLatin1String("marked"))
            button->SetMark(true, false);
        if (state == QLatin1String("over") || state == QLatin1String("down")) {
            // Captions follow the face.
            SkinTextStyle style = button->TextStyle();
            style.normal = state == QLatin1String("over") ? style.over : style.down;
            button->SetTextStyle(style);
        }
    };
    if (!o.all.isEmpty())
        for (CPngButton* b : buttons)
            if (b->isEnabled())
                force(b, o.all);
    for (auto it = o.force.begin(); it != o.force.end(); ++it) {
        CPngButton* b = buttons.value(it.key());
        if (!b) {
            std::fprintf(stderr, "rt604skinpreview: no button %s\n", qPrintable(it.key()));
            return 1;
        }
        force(b, it.value());
    }

    // Keep the pointer off the window so that nothing shows its hover face.
    dialog.move(0, 0);
    QCursor::setPos(dialog.width() + 100, dialog.height() + 100);
    dialog.show();
    QApplication::processEvents();
    QImage shot = dialog.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    // Outside the window's shape nothing is on screen.
    const QImage shape = dialog.ShapeImage();
    for (int y = 0; y < shot.height() && y < shape.height(); ++y)
        for (int x = 0; x < shot.width() && x < shape.width(); ++x)
            if ((shape.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF)
                shot.setPixel(x, y, 0);
    if (!o.crop.isNull())
        shot = shot.copy(o.crop);
    if (o.scale > 1)
        shot = shot.scaled(shot.size() * o.scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (!shot.save(o.out)) {
        std::fprintf(stderr, "rt604skinpreview: cannot write %s\n", qPrintable(o.out));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    Options o;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        auto take = [&]() { ++i; return next; };
        if (a == QLatin1String("--skin")) o.skin = take();
        else if (a == QLatin1String("--layout")) o.layout = take();
        else if (a == QLatin1String("--out")) o.out = take();
        else if (a == QLatin1String("--set")) o.set = take();
        else if (a == QLatin1String("--hide")) o.hide.append(QRegularExpression(QLatin1Char('^') + take() + QLatin1Char('$')));
        else if (a == QLatin1String("--all")) o.all = take();
        else if (a == QLatin1String("--flip")) o.flip = take().toInt();
        else if (a == QLatin1String("--colour-view")) o.colourView = true;
        else if (a == QLatin1String("--scale")) o.scale = take().toInt();
        else if (a == QLatin1String("--crop")) {
            const QStringList n = take().split(QLatin1Char(','));
            if (n.size() == 4)
                o.crop = QRect(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt());
        }
        else if (a == QLatin1String("--force")) {
            const QStringList kv = take().split(QLatin1Char('='));
            if (kv.size() == 2)
                o.force.insert(kv[0], kv[1]);
        } else {
            std::fprintf(stderr, "rt604skinpreview: unknown argument %s\n", qPrintable(a));
            return 2;
        }
    }
    if (o.skin.isEmpty() || o.layout.isEmpty() || o.out.isEmpty()) {
        std::fprintf(stderr, "usage: rt604skinpreview --skin DIR --layout FILE.ini --out FILE.png [options]\n");
        return 2;
    }
    return Run(o);
}
