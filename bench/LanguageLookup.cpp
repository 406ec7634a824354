#include "base/ProgramPaths.h"
#include "platform/SettingsStore.h"
#include "text/LanguageTexts.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A private copy of the real language file (or a file of the same shape when
// the data folder has none yet), and a private settings folder.
struct LanguageFixture {
    fs::path dir;
    std::string key = "MAIN_CAPTION";

    LanguageFixture()
    {
        dir = fs::temp_directory_path() / ("rt604-bench-lang-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::path real = fs::path(RT604_DATA_DIR) / "Lang0409.ini";
        std::error_code error;
        if (!fs::copy_file(real, dir / "Lang0409.ini", error)) {
            std::ofstream out(dir / "Lang0409.ini");
            out << "[TEXT]\n";
            for (int i = 0; i < 400; ++i)
                out << "KEY_TEXT_" << i << "=Some text of a typical length number " << i << "\n";
            out << "MAIN_CAPTION=Orvan RT-604\n[LIGHT]\nSpeed=Speed\n[MODE]\n1=Static\n";
        }
        SetProgramPathsForTests(dir.string(), (dir / "user").string());
        SetSettingsFolderForTests((dir / "cfg").string());
        SetLanguageIndex(0);
    }
    ~LanguageFixture()
    {
        SetSettingsFolderForTests("");
        fs::remove_all(dir);
    }
};

LanguageFixture& Fixture()
{
    static LanguageFixture fixture;
    return fixture;
}

void BM_LoadTextGivenIndex(benchmark::State& state)
{
    const std::string& key = Fixture().key;
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadText(key, 0));
}
BENCHMARK(BM_LoadTextGivenIndex);

// As callers use it: the stored language is read for every lookup.
void BM_LoadTextStoredLanguage(benchmark::State& state)
{
    const std::string& key = Fixture().key;
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadText(key));
}
BENCHMARK(BM_LoadTextStoredLanguage);

void BM_LoadTextMissingKey(benchmark::State& state)
{
    Fixture();
    const std::string key = "NO_SUCH_KEY";
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadText(key, 0));
}
BENCHMARK(BM_LoadTextMissingKey);

} // namespace
