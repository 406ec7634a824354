// What a button pays when it first shows its hover, pressed or disabled
// face: the part of the window-sized picture under it, decoded from the
// skin's JPEG on demand (the decoder stops at the part's last row), for
// buttons at the top, the middle and the bottom of the main window. Against
// it, the whole picture decoded at once as every button's cut needed it.
#include "skin/IniFile.h"
#include "skin/gui/SkinImages.h"
#include "skin/gui/SkinPlacement.h"

#include <QGuiApplication>
#include <QDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

struct Setting {
    Setting()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "bench_StateFaces";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    std::unique_ptr<QGuiApplication> app;
    const QString skin = QDir(QStringLiteral(RT604_DATA_DIR)).filePath(QStringLiteral("Skins"));
    const CIniFile layout{QDir(skin).filePath(QStringLiteral("Main.ini")).toStdString()};
};

Setting& TheSetting()
{
    static Setting setting;
    return setting;
}

// Esc, Profile 1 and the Defaults button: rows near the top, the middle and
// the bottom of the picture.
const char* const Buttons[] = {"KEY_001", "FUNC_PROFILE1", "FUNC_DEFAULT"};

void BM_FacePart(benchmark::State& state)
{
    Setting& setting = TheSetting();
    const std::string key = Buttons[state.range(0)];
    const QRect place = ReadSkinRect(setting.layout, "BUTTONINFO", key).Rect();
    const QString picture = QDir(setting.skin).filePath(QStringLiteral("main_over.jpg"));
    for (auto _ : state) {
        const QImage part = LoadSkinImagePart(picture, place);
        if (part.size() != place.size())
            state.SkipWithError("the part is not the button's size");
        benchmark::DoNotOptimize(part.constBits());
    }
    state.SetLabel(key + " at row " + std::to_string(place.y()));
}
BENCHMARK(BM_FacePart)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_WholePicture(benchmark::State& state)
{
    Setting& setting = TheSetting();
    const QString picture = QDir(setting.skin).filePath(QStringLiteral("main_over.jpg"));
    for (auto _ : state) {
        const QImage whole = LoadSkinImage(picture);
        benchmark::DoNotOptimize(whole.constBits());
    }
}
BENCHMARK(BM_WholePicture)->Unit(benchmark::kMicrosecond);

} // namespace
