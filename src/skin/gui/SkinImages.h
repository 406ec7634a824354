#pragma once

#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <string>

// Skin pictures (backgrounds, shapes, full-window face images). Every window
// is drawn from them, so a picture that cannot be loaded ends the program at
// once: there is nothing sensible to show without it.

// Called with the path of a picture that cannot be loaded. The default prints
// "rt604: cannot load skin image <path>" on standard error and ends the
// process with exit code SkinImageExitCode. Tests install a handler that
// returns; the loader then yields a null image and callers cope with it.
using SkinFatalHandler = std::function<void(const std::string& path)>;
inline constexpr int SkinImageExitCode = 3;

// Installs handler (an empty one restores the default); returns the previous.
SkinFatalHandler SetSkinFatalHandler(SkinFatalHandler handler);
// Reports path through the current handler.
void SkinImageFailed(const QString& path);
// A layout file that cannot be used (missing, unreadable, naming no
// background): reported like a picture, by the layout file's path; the
// default handler says why.
void SkinLayoutFailed(const QString& layoutPath, const std::string& reason);

// Resolves path: used as is when it exists, otherwise the file of the same
// name in any letter case in its folder (skins come from a system whose file
// names ignore case). Back-slashes count as folder separators.
QString ResolveSkinPath(const QString& path);

// Decodes one picture (JPEG, PNG, BMP or GIF, chosen by content). A missing,
// unreadable, undecodable or absurdly large file goes to SkinImageFailed and
// gives a null image.
QImage LoadSkinImage(const QString& path);

// The part of a picture inside area (clipped to the picture), decoded
// without the rest where the format allows it; three bytes a pixel when the
// picture has no alpha. For pictures read again while the program runs: one
// that can no longer be read is told once (ReportProblemOnce) and gives a
// null image, never ending the program. origin receives where the part
// starts in the picture.
QImage LoadSkinImagePart(const QString& path, const QRect& area, QPoint* origin = nullptr);

// Loads each picture file once and hands out implicitly shared copies, so
// the faces of a hundred buttons are one image in memory. One cache per
// window creation; it may outlive the window (faces of the main window live
// as long as the process).
class SkinImageCache {
public:
    // Relative names are taken from folder; absolute paths are used as is.
    explicit SkinImageCache(QString folder = {});

    const QString& Folder() const { return folder_; }
    QString FullPath(const QString& name) const;

    QImage Image(const QString& name);
    QPixmap Pixmap(const QString& name);

    // Number of distinct files decoded so far.
    int LoadedCount() const { return static_cast<int>(entries_.size()); }
    // Lets go of a picture nobody needs whole any more (copies handed out
    // stay valid).
    void Forget(const QString& name);

private:
    struct Entry {
        QImage image;
        QPixmap pixmap;
    };
    Entry& Load(const QString& name);

    QString folder_;
    QHash<QString, Entry> entries_;
};
