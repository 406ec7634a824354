#include "skin/gui/SkinColorBtn.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const QColor CardColour(27, 29, 33);
const QColor BorderColour(65, 70, 78);
const QColor Accent(255, 130, 0);

const char* const ChooserStyle =
    "CColourChooser { background: #1b1d21; border: 1px solid #41464e; border-radius: 8px; }"
    "QPushButton { background: #2a2d33; color: #eceef1; border: 1px solid #41464e; border-radius: 5px;"
    " padding: 3px 10px; }"
    "QPushButton:hover { border-color: #ff8200; color: #ff8200; }"
    "QPushButton:pressed { background: #3a2a18; }"
    "QPushButton#swatch { padding: 0; border-radius: 4px; }"
    "QLineEdit { background: #16181b; color: #eceef1; border: 1px solid #41464e; border-radius: 5px;"
    " padding: 1px 6px; selection-background-color: #ff8200; }";

QColor CentreColour(const QPixmap& picture)
{
    const QImage image = picture.toImage();
    if (image.isNull())
        return Qt::black;
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

void DrawChip(QPainter& p, const QRectF& r, const QColor& colour, const QColor& border, qreal width)
{
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(r, 5, 5);
    p.fillPath(path, colour);
    p.setPen(QPen(border, width));
    p.drawPath(path);
}

} // namespace

// Saturation left to right, value top to bottom, for the current hue.
class CColourChooser::Field : public QWidget {
public:
    Field(CColourChooser* owner) : QWidget(owner), owner_(owner)
    {
        setFixedSize(216, 104);
        setCursor(Qt::CrossCursor);
    }

    void SetHue(int hue)
    {
        if (hue == hue_ && !image_.isNull())
            return;
        hue_ = hue;
        image_ = QImage(size(), QImage::Format_RGB32);
        for (int y = 0; y < height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
            const int v = 255 - y * 255 / (height() - 1);
            for (int x = 0; x < width(); ++x)
                line[x] = QColor::fromHsv(hue_, x * 255 / (width() - 1), v).rgb();
        }
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(rect()), 5, 5);
        p.setClipPath(clip);
        p.drawImage(0, 0, image_);
        const QColor c = owner_->CurrentColour();
        const QPointF at(c.hsvSaturation() * (width() - 1) / 255.0, (255 - c.value()) * (height() - 1) / 255.0);
        p.setClipping(false);
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(at, 5, 5);
    }
    void mousePressEvent(QMouseEvent* e) override { Pick(e->position()); }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (e->buttons() & Qt::LeftButton)
            Pick(e->position());
    }

private:
    void Pick(QPointF at)
    {
        const int s = std::clamp(static_cast<int>(std::lround(at.x() * 255 / (width() - 1))), 0, 255);
        const int v = std::clamp(255 - static_cast<int>(std::lround(at.y() * 255 / (height() - 1))), 0, 255);
        owner_->SetCurrentColour(QColor::fromHsv(hue_, s, v));
    }

    CColourChooser* owner_;
    QImage image_;
    int hue_ = -2;
};

class CColourChooser::HueStrip : public QWidget {
public:
    HueStrip(CColourChooser* owner) : QWidget(owner), owner_(owner)
    {
        setFixedSize(216, 14);
        setCursor(Qt::PointingHandCursor);
    }
    int Hue() const { return hue_; }
    void SetHue(int hue)
    {
        hue_ = hue;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, width(), 0);
        for (int i = 0; i <= 6; ++i)
            g.setColorAt(i / 6.0, QColor::fromHsv((i * 60) % 360, 255, 255));
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(0, 2, 0, -2), 4, 4);
        p.fillPath(path, g);
        const qreal x = hue_ * (width() - 1) / 359.0;
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(QColor::fromHsv(hue_, 255, 255));
        p.drawRoundedRect(QRectF(x - 3, 0.5, 6, height() - 1), 2, 2);
    }
    void mousePressEvent(QMouseEvent* e) override { Pick(e->position().x()); }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (e->buttons() & Qt::LeftButton)
            Pick(e->position().x());
    }

private:
    void Pick(qreal x)
    {
        hue_ = std::clamp(static_cast<int>(std::lround(x * 359 / (width() - 1))), 0, 359);
        const QColor c = owner_->CurrentColour();
        owner_->SetCurrentColour(QColor::fromHsv(hue_, c.hsvSaturation(), c.value()));
    }

    CColourChooser* owner_;
    int hue_ = 0;
};

CColourChooser::CColourChooser(QWidget* parent) : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("ColourChooser"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QString::fromLatin1(ChooserStyle));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);

    auto* swatches = new QHBoxLayout;
    swatches->setSpacing(3);
    layout->addLayout(swatches);
    for (int i = 0; i < 8; ++i) {
        auto* button = new QPushButton(this);
        button->setObjectName(QStringLiteral("swatch"));
        button->setFixedSize(24, 24);
        button->setIconSize(QSize(24, 24));
        button->setCursor(Qt::PointingHandCursor);
        connect(button, &QPushButton::clicked, this, [this, i] { ChooseSwatch(i); });
        swatches->addWidget(button);
        swatchButtons_.push_back(button);
        swatchColours_.push_back(Qt::black);
    }

    automaticButton_ = new QPushButton(this);
    automaticButton_->setIconSize(QSize(14, 14));
    connect(automaticButton_, &QPushButton::clicked, this, &CColourChooser::ChooseAutomatic);
    layout->addWidget(automaticButton_);

    field_ = new Field(this);
    layout->addWidget(field_);
    hue_ = new HueStrip(this);
    layout->addWidget(hue_);

    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    chip_ = new QWidget(this);
    chip_->setFixedSize(28, 24);
    row->addWidget(chip_);
    hex_ = new QLineEdit(this);
    hex_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("#?[0-9A-Fa-f]{0,6}")), hex_));
    hex_->setFixedHeight(24);
    connect(hex_, &QLineEdit::textEdited, this, [this](const QString& text) {
        QString digits = text;
        digits.remove(QLatin1Char('#'));
        if (digits.size() == 6) {
            const QColor c(QLatin1Char('#') + digits);
            current_ = c;
            hue_->SetHue(std::max(c.hsvHue(), 0));
            field_->SetHue(hue_->Hue());
            field_->update();
            chip_->setStyleSheet(QStringLiteral("background: %1; border: 1px solid #41464e; border-radius: 4px;")
                                     .arg(current_.name()));
        }
    });
    connect(hex_, &QLineEdit::returnPressed, this, &CColourChooser::Accept);
    row->addWidget(hex_, 1);
    okButton_ = new QPushButton(this);
    connect(okButton_, &QPushButton::clicked, this, &CColourChooser::Accept);
    row->addWidget(okButton_);
    layout->addLayout(row);
    SetTexts(QStringLiteral("Automatic"), QStringLiteral("OK"));
}

void CColourChooser::SetSwatches(const QList<QPixmap>& pictures)
{
    for (int i = 0; i < swatchButtons_.size(); ++i) {
        const QPixmap picture = i < pictures.size() ? pictures[i] : QPixmap();
        swatchButtons_[i]->setIcon(QIcon(picture));
        swatchColours_[i] = picture.isNull() ? QColor(Qt::black) : CentreColour(picture);
        swatchButtons_[i]->setVisible(!picture.isNull());
    }
}

void CColourChooser::SetTexts(const QString& automatic, const QString& ok)
{
    automaticButton_->setText(automatic);
    okButton_->setText(ok);
}

void CColourChooser::Open(QWidget* anchor, const QColor& current, const QColor& automatic)
{
    automatic_ = automatic;
    QPixmap chip(14, 14);
    chip.fill(Qt::transparent);
    {
        QPainter p(&chip);
        DrawChip(p, QRectF(0.5, 0.5, 13, 13), automatic, BorderColour, 1);
    }
    automaticButton_->setIcon(QIcon(chip));
    SetCurrentColour(current);
    adjustSize();
    QPoint at = anchor ? anchor->mapToGlobal(QPoint(0, anchor->height() + 4)) : QPoint(0, 0);
    if (anchor) {
        // Stay on the anchor's screen: open upwards when below is no room.
        if (QScreen* screen = anchor->screen()) {
            const QRect area = screen->availableGeometry();
            if (at.y() + height() > area.bottom())
                at.setY(anchor->mapToGlobal(QPoint(0, 0)).y() - height() - 4);
            at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - width())));
        }
    }
    move(at);
    show();
    hex_->setFocus();
    hex_->selectAll();
}

void CColourChooser::SetCurrentColour(const QColor& colour)
{
    current_ = colour.isValid() ? colour.toRgb() : QColor(Qt::black);
    if (current_.hsvHue() >= 0)
        hue_->SetHue(current_.hsvHue());
    field_->SetHue(hue_->Hue());
    field_->update();
    hex_->setText(current_.name().toUpper());
    chip_->setStyleSheet(
        QStringLiteral("background: %1; border: 1px solid #41464e; border-radius: 4px;").arg(current_.name()));
}

void CColourChooser::ChooseSwatch(int index)
{
    if (index < 0 || index >= swatchColours_.size())
        return;
    Answer(swatchColours_[index].rgb() & 0xFFFFFF);
}

void CColourChooser::ChooseAutomatic()
{
    Answer(Automatic);
}

void CColourChooser::Accept()
{
    Answer(current_.rgb() & 0xFFFFFF);
}

void CColourChooser::Answer(qint64 value)
{
    hide();
    emit chosen(value);
}

void CColourChooser::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        event->accept();
        return;
    }
    QFrame::keyPressEvent(event);
}

CSkinColorBtn::CSkinColorBtn(int controlId, CColourChooser* chooser, QWidget* parent)
    : QAbstractButton(parent), controlId_(controlId), chooser_(chooser)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::clicked, this, &CSkinColorBtn::OpenChooser);
}

void CSkinColorBtn::SetColour(const QColor& colour)
{
    if (colour == colour_)
        return;
    colour_ = colour;
    update();
}

void CSkinColorBtn::Choose(qint64 value)
{
    const QColor colour = value == CColourChooser::Automatic ? automatic_ : QColor::fromRgb(static_cast<QRgb>(value));
    emit colourChosen(controlId_, colour);
}

void CSkinColorBtn::OpenChooser()
{
    if (!chooser_)
        return;
    // One chooser serves every button: the answer goes to the one that
    // opened it last.
    disconnect(chooser_, &CColourChooser::chosen, nullptr, nullptr);
    connect(chooser_, &CColourChooser::chosen, this, &CSkinColorBtn::Choose);
    chooser_->Open(this, colour_, automatic_);
}

void CSkinColorBtn::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const QColor border = (hover_ || hasFocus()) ? Accent : (colour_.lightness() > 200 ? BorderColour : QColor(235, 237, 240));
    DrawChip(p, r, colour_, border, hover_ ? 2 : 1.5);
    if (isDown())
        p.fillRect(r.adjusted(3, 3, -3, -3), QColor(0, 0, 0, 40));
}

void CSkinColorBtn::enterEvent(QEnterEvent* event)
{
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CSkinColorBtn::leaveEvent(QEvent* event)
{
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}
