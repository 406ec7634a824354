#pragma once

#include <QColor>
#include <QString>

// What the preview puts into each skin key: the kind of control the window
// has there and sample content in English, as the program would show it.
enum class PreviewKind { Button, Label, Combo, Edit, List, Picture, ColourButton, Radio, Check };

struct PreviewContent {
    PreviewKind kind = PreviewKind::Button;
    QString text;           // caption, label text, combo or edit text
    double pointSize = 8;   // caption size of a captioned button
    unsigned format = 37;   // caption format
    int angle = 0;          // tenths of a degree
    QString font = QStringLiteral("Arial Unicode MS");
    QString picture;        // file of a picture control
    QColor colour;          // colour button
    bool disabled = false;  // a picture button the window keeps disabled
    int textLeft = 0;       // caption clear of a glyph the picture draws at the left
};

PreviewContent ContentOf(const QString& layout, const QString& key);
