#include "skin/gui/SkinImages.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "platform/ProblemReport.h"

namespace {

// Skin pictures are window-sized; anything far beyond a screen is damage or
// hostility, and must not decide how much memory we take.
constexpr int MaxSkinImageSide = 16384;
constexpr int MaxSkinImageMegabytes = 512;

void DefaultSkinFatal(const std::string& message)
{
    std::fprintf(stderr, "rt604: %s\n", message.c_str());
    std::fflush(stderr);
    // At once, as the window cannot exist without it; no destructors of a
    // half-built window run.
    std::_Exit(SkinImageExitCode);
}

std::mutex g_fatalMutex;
SkinFatalHandler g_fatalHandler;

} // namespace

SkinFatalHandler SetSkinFatalHandler(SkinFatalHandler handler)
{
    std::lock_guard lock(g_fatalMutex);
    return std::exchange(g_fatalHandler, std::move(handler));
}

namespace {

void SkinFailed(const std::string& path, const std::string& message)
{
    SkinFatalHandler handler;
    {
        std::lock_guard lock(g_fatalMutex);
        handler = g_fatalHandler;
    }
    if (handler)
        handler(path);
    else
        DefaultSkinFatal(message);
}

} // namespace

void SkinImageFailed(const QString& path)
{
    SkinFailed(path.toStdString(), "cannot load skin image " + path.toStdString());
}

void SkinLayoutFailed(const QString& layoutPath, const std::string& reason)
{
    SkinFailed(layoutPath.toStdString(), "cannot use skin layout " + layoutPath.toStdString() + ": " + reason);
}

QString ResolveSkinPath(const QString& path)
{
    QString unixPath = path;
    unixPath.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QFileInfo info(unixPath);
    if (info.exists() || unixPath.isEmpty())
        return unixPath;
    const QDir dir = info.dir();
    if (!dir.exists())
        return unixPath;
    const QString wanted = info.fileName();
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (entry.compare(wanted, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return unixPath;
}

QImage LoadSkinImage(const QString& path)
{
    const QString resolved = ResolveSkinPath(path);
    const QFileInfo info(resolved);
    QImage image;
    if (!resolved.isEmpty() && info.isFile()) {
        QImageReader reader(resolved);
        reader.setDecideFormatFromContent(true);
        reader.setAllocationLimit(MaxSkinImageMegabytes);
        const QSize size = reader.size();
        if (!size.isValid() || (size.width() <= MaxSkinImageSide && size.height() <= MaxSkinImageSide))
            image = reader.read();
        if (!image.isNull() && (image.width() > MaxSkinImageSide || image.height() > MaxSkinImageSide))
            image = QImage();
    }
    if (image.isNull()) {
        SkinImageFailed(path);
        return QImage();
    }
    return image;
}

QImage LoadSkinImagePart(const QString& path, const QRect& area, QPoint* origin)
{
    const QString resolved = ResolveSkinPath(path);
    QImage image;
    QRect part;
    if (!resolved.isEmpty() && QFileInfo(resolved).isFile()) {
        QImageReader reader(resolved);
        reader.setDecideFormatFromContent(true);
        reader.setAllocationLimit(MaxSkinImageMegabytes);
        const QSize size = reader.size();
        if (size.isValid() && size.width() <= MaxSkinImageSide && size.height() <= MaxSkinImageSide) {
            part = area.intersected(QRect(QPoint(0, 0), size));
            if (part.isEmpty())
                return QImage();
            reader.setClipRect(part);
            image = reader.read();
            if (image.size() != part.size())
                image = QImage();
        }
    }
    if (image.isNull()) {
        ReportProblemOnce(path.toStdString() + ": cannot read this skin picture again; the part of the window "
                                               "it draws stays as it is");
        return QImage();
    }
    if (!image.hasAlphaChannel())
        image.convertTo(QImage::Format_RGB888);
    if (origin)
        *origin = part.topLeft();
    return image;
}

SkinImageCache::SkinImageCache(QString folder) : folder_(std::move(folder)) {}

QString SkinImageCache::FullPath(const QString& name) const
{
    QString unixName = name;
    unixName.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (folder_.isEmpty() || QDir::isAbsolutePath(unixName))
        return unixName;
    if (unixName.isEmpty())
        return folder_;
    return QDir(folder_).filePath(unixName);
}

SkinImageCache::Entry& SkinImageCache::Load(const QString& name)
{
    const QString path = QDir::cleanPath(FullPath(name));
    auto it = entries_.find(path);
    if (it == entries_.end()) {
        Entry entry;
        entry.image = LoadSkinImage(path);
        // Window-sized pictures without alpha stay for as long as their
        // window: three bytes a pixel instead of four, converted where they
        // lie, and drawn as they are.
        if (entry.image.format() == QImage::Format_RGB32)
            entry.image.convertTo(QImage::Format_RGB888);
        it = entries_.insert(path, std::move(entry));
    }
    return it.value();
}

void SkinImageCache::Forget(const QString& name)
{
    entries_.remove(QDir::cleanPath(FullPath(name)));
}

QImage SkinImageCache::Image(const QString& name)
{
    return Load(name).image;
}

QPixmap SkinImageCache::Pixmap(const QString& name)
{
    Entry& entry = Load(name);
    if (entry.pixmap.isNull() && !entry.image.isNull())
        entry.pixmap = QPixmap::fromImage(entry.image, entry.image.format() == QImage::Format_RGB888
                                                           ? Qt::NoFormatConversion
                                                           : Qt::AutoColor);
    return entry.pixmap;
}
