#include "SkinTestSupport.h"

#include "skin/gui/SkinImages.h"
#include "support/RecordProblems.h"

TEST(SkinImageCacheTest, DecodesEachFileOnceAndSharesIt)
{
    TempSkinFolder skin;
    skin.SaveImage("main_normal.jpg", SkinTestSolid(30, 20, qRgb(10, 200, 30)), "JPG");
    skin.SaveImage("key.bmp", SkinTestSolid(8, 8, qRgb(1, 2, 3)), "BMP");
    skin.SaveImage("gif_like.png", SkinTestSolid(8, 8, qRgb(1, 2, 3)), "PNG");
    SkinImageCache cache(skin.Folder());
    const QPixmap first = cache.Pixmap(QStringLiteral("main_normal.jpg"));
    const QPixmap second = cache.Pixmap(QStringLiteral("main_normal.jpg"));
    EXPECT_EQ(first.size(), QSize(30, 20));
    EXPECT_EQ(first.cacheKey(), second.cacheKey());
    EXPECT_FALSE(cache.Pixmap(QStringLiteral("key.bmp")).isNull());
    EXPECT_FALSE(cache.Image(skin.Path("gif_like.png")).isNull()); // absolute path
    EXPECT_EQ(cache.LoadedCount(), 3);
}

TEST(SkinImageCacheTest, FindsFilesWhateverTheCaseAndSeparators)
{
    TempSkinFolder skin;
    skin.SaveImage("Main_Normal.JPG", SkinTestSolid(4, 4, qRgb(0, 0, 0)), "JPG");
    RecordSkinFailures failures;
    SkinImageCache cache(skin.Folder());
    EXPECT_FALSE(cache.Image(QStringLiteral("main_normal.jpg")).isNull());
    EXPECT_FALSE(LoadSkinImage(skin.Folder() + QStringLiteral("\\MAIN_NORMAL.jpg")).isNull());
    EXPECT_TRUE(failures.paths.empty());
}

TEST(SkinImageCacheTest, FormatComesFromContentNotName)
{
    TempSkinFolder skin;
    skin.SaveImage("face.jpg", SkinTestSolid(5, 5, qRgb(9, 8, 7)), "PNG");
    RecordSkinFailures failures;
    const QImage image = LoadSkinImage(skin.Path("face.jpg"));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(2, 2) & 0xFFFFFF, qRgb(9, 8, 7) & 0xFFFFFF);
}

TEST(SkinImageFailureTest, EveryUnloadablePictureIsReportedWithItsPath)
{
    TempSkinFolder skin;
    static const char notAJpeg[] = "\xFF\xD8\xFF\xE0 not really a jpeg";
    skin.WriteFile("broken.jpg", QByteArray(notAJpeg, sizeof notAJpeg - 1));
    skin.WriteFile("empty.png", QByteArray());
    QDir(skin.Folder()).mkdir(QStringLiteral("folder.png"));
    // A header claiming a picture far larger than any window.
    QByteArray huge("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\x01\x00\x00\0\x01\x00\x00\x08\x02\0\0\0", 29);
    skin.WriteFile("huge.png", huge);

    RecordSkinFailures failures;
    SkinImageCache cache(skin.Folder());
    for (const char* name : {"missing.jpg", "broken.jpg", "empty.png", "folder.png", "huge.png", ""}) {
        SCOPED_TRACE(name);
        const size_t before = failures.paths.size();
        EXPECT_TRUE(cache.Pixmap(QString::fromLatin1(name)).isNull());
        ASSERT_EQ(failures.paths.size(), before + 1);
        EXPECT_NE(failures.paths.back().find(name), std::string::npos);
    }
}

TEST(SkinImageFailureTest, HandlerCanBeRestored)
{
    int calls = 0;
    SkinFatalHandler original = SetSkinFatalHandler([&calls](const std::string&) { ++calls; });
    LoadSkinImage(QStringLiteral("/nowhere/a.jpg"));
    SkinFatalHandler mine = SetSkinFatalHandler(original);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(static_cast<bool>(mine));
}

TEST(SkinImageDeathTest, MissingPictureEndsProgramWithErrorCodeAndMessage)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(LoadSkinImage(QStringLiteral("/nowhere/Skins/main_normal.jpg")),
                ::testing::ExitedWithCode(SkinImageExitCode),
                "rt604: cannot load skin image /nowhere/Skins/main_normal\\.jpg");
    static_assert(SkinImageExitCode != 0, "a failed start must not look like success");
}

// A part is exactly that area of the whole picture, clipped to it, whether
// the format decodes parts itself (JPEG) or not (PNG); a picture that can no
// longer be read while the program runs is told once and never ends it.
TEST(SkinImagePartTest, PartIsTheAreaOfTheWholePictureAndFailureIsNotFatal)
{
    TempSkinFolder skin;
    skin.SaveImage("face.jpg", SkinTestPattern(120, 80, 40), "JPG");
    skin.SaveImage("face.png", SkinTestPattern(120, 80, 40), "PNG");
    struct Case {
        QRect area;
        QRect part;
    };
    const Case cases[] = {
        {QRect(10, 20, 30, 16), QRect(10, 20, 30, 16)},
        {QRect(100, 70, 40, 40), QRect(100, 70, 20, 10)},
        {QRect(-5, -5, 10, 10), QRect(0, 0, 5, 5)},
        {QRect(200, 10, 10, 10), QRect()},
    };
    RecordSkinFailures failures;
    RecordProblems problems;
    for (const char* file : {"face.jpg", "face.png"}) {
        const QImage whole = LoadSkinImage(skin.Path(file)).convertToFormat(QImage::Format_RGB32);
        for (const Case& c : cases) {
            QPoint origin(-1, -1);
            const QImage part = LoadSkinImagePart(skin.Path(file), c.area, &origin);
            if (c.part.isEmpty()) {
                EXPECT_TRUE(part.isNull()) << file;
                continue;
            }
            EXPECT_EQ(part.format(), QImage::Format_RGB888) << file;
            EXPECT_EQ(origin, c.part.topLeft()) << file;
            EXPECT_EQ(part.convertToFormat(QImage::Format_RGB32), whole.copy(c.part)) << file;
        }
    }
    EXPECT_TRUE(problems.told.empty());

    QFile::remove(skin.Path("face.jpg"));
    EXPECT_TRUE(LoadSkinImagePart(skin.Path("face.jpg"), QRect(0, 0, 8, 8)).isNull());
    EXPECT_TRUE(LoadSkinImagePart(skin.Path("face.jpg"), QRect(0, 0, 8, 8)).isNull());
    ASSERT_EQ(problems.told.size(), 1u);
    EXPECT_NE(problems.told[0].find("face.jpg"), std::string::npos);
    EXPECT_TRUE(failures.paths.empty());
}
