#include "skin/gui/SkinFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <gtest/gtest.h>

TEST(SkinFontTest, MissingWindowsFontsFallBackToInstalledSans)
{
    const QStringList installed = QFontDatabase::families();
    for (const char* name : {"Arial Unicode MS", "Tahoma Unicode MS", "Verdana Unicode MS"}) {
        SCOPED_TRACE(name);
        const QString family = ResolveSkinFontFamily(QString::fromLatin1(name));
        EXPECT_FALSE(family.isEmpty());
        if (installed.contains(QString::fromLatin1(name), Qt::CaseInsensitive)) {
            EXPECT_EQ(family, QString::fromLatin1(name));
            continue;
        }
        if (installed.contains(QStringLiteral("Noto Sans"))) {
            EXPECT_EQ(family, QStringLiteral("Noto Sans"));
        } else if (installed.contains(QStringLiteral("DejaVu Sans"))) {
            EXPECT_EQ(family, QStringLiteral("DejaVu Sans"));
        }
    }
}

TEST(SkinFontTest, InstalledFamilyResolvesToItself)
{
    const QStringList installed = QFontDatabase::families();
    ASSERT_FALSE(installed.isEmpty());
    const QString some = installed.contains(QStringLiteral("DejaVu Sans")) ? QStringLiteral("DejaVu Sans")
                                                                           : installed.last();
    EXPECT_EQ(ResolveSkinFontFamily(some), some);
}

TEST(SkinFontTest, SizeInPointsAndWeight)
{
    const QFont normal = SkinFont(QStringLiteral("Arial Unicode MS"), 8, false);
    EXPECT_DOUBLE_EQ(normal.pointSizeF(), 8.0);
    EXPECT_EQ(normal.weight(), QFont::Normal);
    EXPECT_EQ(QFontInfo(normal).family(), ResolveSkinFontFamily(QStringLiteral("Arial Unicode MS")));
    const QFont bold = SkinFont(QStringLiteral("Arial Unicode MS"), 10, true);
    EXPECT_EQ(bold.weight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(bold.pointSizeF(), 10.0);
}
