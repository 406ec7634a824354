#pragma once

// Small skins built on the fly in a temporary folder, and helpers to look at
// what a widget painted.

#include "skin/gui/SkinImages.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A picture whose every pixel tells where it is and which picture it is, so
// a face cut at the wrong offset or from the wrong picture shows at once.
inline QImage SkinTestPattern(int width, int height, int tag)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, tag & 0xFF));
    return image;
}

inline QImage SkinTestSolid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

inline QImage Snapshot(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// Records the pictures the loader gave up on instead of ending the test.
class RecordSkinFailures {
public:
    RecordSkinFailures()
    {
        previous_ = SetSkinFatalHandler([this](const std::string& path) { paths.push_back(path); });
    }
    ~RecordSkinFailures() { SetSkinFatalHandler(previous_); }
    std::vector<std::string> paths;

private:
    SkinFatalHandler previous_;
};

class TempSkinFolder {
public:
    TempSkinFolder() { EXPECT_TRUE(dir_.isValid()); }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString Folder() const { return dir_.path(); }
    void SaveImage(const QString& name, const QImage& image, const char* format = "PNG") const
    {
        ASSERT_TRUE(image.save(Path(name), format)) << name.toStdString();
    }
    void WriteFile(const QString& name, const QByteArray& bytes) const
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

private:
    QTemporaryDir dir_;
};
