#include "skin/gui/SkinFont.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>

QString ResolveSkinFontFamily(const QString& name)
{
    static QHash<QString, QString> resolved;
    const auto it = resolved.constFind(name);
    if (it != resolved.constEnd())
        return it.value();

    const QStringList families = QFontDatabase::families();
    auto installed = [&families](const QString& family) {
        return !family.isEmpty() && families.contains(family, Qt::CaseInsensitive);
    };
    QString family;
    if (installed(name))
        family = name;
    else if (installed(QStringLiteral("Noto Sans")))
        family = QStringLiteral("Noto Sans");
    else if (installed(QStringLiteral("DejaVu Sans")))
        family = QStringLiteral("DejaVu Sans");
    else
        family = QGuiApplication::font().family();
    resolved.insert(name, family);
    return family;
}

QFont SkinFont(const QString& name, double pointSize, bool bold)
{
    QFont font(ResolveSkinFontFamily(name));
    font.setPointSizeF(pointSize > 0 ? pointSize : 8);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}
