#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFrame>
#include <QList>
#include <QPixmap>

class QLineEdit;
class QPushButton;

// A colour chooser that sits on the skin's dark card: the skin's swatch
// pictures, "automatic", a saturation/value field with a hue strip, and the
// colour as #RRGGBB. It pops up under the button that opened it and answers
// once, with a colour or with -1 for "automatic"; Escape or a click outside
// answers nothing.
class CColourChooser : public QFrame {
    Q_OBJECT
public:
    static constexpr qint64 Automatic = -1;

    explicit CColourChooser(QWidget* parent = nullptr);

    // Each swatch picture offers the colour at its centre.
    void SetSwatches(const QList<QPixmap>& pictures);
    void SetTexts(const QString& automatic, const QString& ok);
    void Open(QWidget* anchor, const QColor& current, const QColor& automatic);

    QColor CurrentColour() const { return current_; }
    // What a click on the parts does, for keyboard users and tests.
    void ChooseSwatch(int index);
    void ChooseAutomatic();
    void Accept();
    void SetCurrentColour(const QColor& colour);

signals:
    // An RGB value (red << 16 | green << 8 | blue, as QColor::rgb without
    // alpha) or Automatic.
    void chosen(qint64 value);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Answer(qint64 value);

    class Field;
    class HueStrip;
    QList<QColor> swatchColours_;
    QList<QPushButton*> swatchButtons_;
    QPushButton* automaticButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    Field* field_ = nullptr;
    HueStrip* hue_ = nullptr;
    QLineEdit* hex_ = nullptr;
    QWidget* chip_ = nullptr;
    QColor current_ = Qt::white;
    QColor automatic_ = Qt::white;
};

// A button that shows a colour and opens the shared chooser; the answer
// comes back as colourChosen with "automatic" already replaced by the
// button's automatic colour.
class CSkinColorBtn : public QAbstractButton {
    Q_OBJECT
public:
    CSkinColorBtn(int controlId, CColourChooser* chooser, QWidget* parent = nullptr);

    int ControlId() const { return controlId_; }
    QColor Colour() const { return colour_; }
    void SetColour(const QColor& colour);
    QColor AutomaticColour() const { return automatic_; }
    void SetAutomaticColour(const QColor& colour) { automatic_ = colour; }
    // The chooser's answer for this button: -1 is automatic.
    void Choose(qint64 value);

signals:
    void colourChosen(int controlId, const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void OpenChooser();

    int controlId_;
    CColourChooser* chooser_;
    QColor colour_ = Qt::white;
    QColor automatic_ = Qt::white;
    bool hover_ = false;
};
