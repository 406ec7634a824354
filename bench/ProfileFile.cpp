// Save and load of the largest profile file the program makes: 100 macros of
// 4000 events each and long strings in a thousand slots (about 5.3 MB).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "config/ConfigDocument.h"
#include "config/ProfileFile.h"
#include "actions/ProfileFileActions.h"
#include "macro/MacroBlock.h"

namespace {

constexpr int StringSlots = 1000;
constexpr size_t StringChars = 1000;

void FillLargestDocument()
{
    InitDocument();
    DocumentLock lock;
    g_configDoc.macros.assign(size_t{MaxMacroCount} * MacroBlockSize, 0);
    g_configDoc.macroCount = MaxMacroCount;
    for (int i = 0; i < MaxMacroCount; ++i) {
        MacroBlock macro(MacroBlockAt(g_configDoc, i));
        macro.SetName16(std::u16string(MaxMacroNameUnits, static_cast<char16_t>(u'a' + i % 26)));
        macro.SetCycles(3);
        macro.SetMacroId(static_cast<uint16_t>(i + 1));
        std::vector<MacroEvent> events(MaxMacroEvents);
        for (int e = 0; e < MaxMacroEvents; ++e)
            events[static_cast<size_t>(e)] = {static_cast<uint32_t>(10 * e), 30, static_cast<uint16_t>(e % 2)};
        macro.SetEvents(events);
    }
    for (int n = 0; n < StringSlots; ++n) {
        const int slot = n * 2; // spread over all four slot groups
        SetSlotType(*g_configDoc.block, slot, n % 2 ? 3 : 6);
        StringEntry& entry = g_configDoc.strings[static_cast<size_t>(slot)];
        entry.text = std::u16string(StringChars, static_cast<char16_t>(u'A' + n % 26));
        entry.length = static_cast<uint32_t>((StringChars + 1) * 2);
        g_configDoc.stringBytes += entry.length;
    }
}

// A folder of its own, removed when the program ends.
struct BenchFolder {
    std::filesystem::path dir = std::filesystem::temp_directory_path()
        / ("rt604-bench-profile-" + std::to_string(::getpid()));
    BenchFolder() { std::filesystem::create_directories(dir); }
    ~BenchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
};

std::string BenchFile()
{
    static BenchFolder folder;
    return (folder.dir / "largest.vpf").string();
}

// The whole save: file bytes in memory, written atomically (with fsync).
void BM_SaveLargestFile(benchmark::State& state)
{
    FillLargestDocument();
    for (auto _ : state) {
        if (SaveDocumentToFile(1, BenchFile()) != 1)
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * std::filesystem::file_size(BenchFile()));
}
BENCHMARK(BM_SaveLargestFile)->Unit(benchmark::kMillisecond);

void BM_BuildLargestFileBytes(benchmark::State& state)
{
    FillLargestDocument();
    DocumentLock lock;
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildProfileFileBytes());
}
BENCHMARK(BM_BuildLargestFileBytes)->Unit(benchmark::kMillisecond);

void BM_LoadLargestFile(benchmark::State& state)
{
    FillLargestDocument();
    SaveDocumentToFile(1, BenchFile());
    DocumentLock lock;
    for (auto _ : state) {
        if (LoadDocumentFromFile(BenchFile()) != 1 || g_configDoc.macroCount != MaxMacroCount)
            state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * std::filesystem::file_size(BenchFile()));
}
BENCHMARK(BM_LoadLargestFile)->Unit(benchmark::kMillisecond);

void BM_ValidateLargestFile(benchmark::State& state)
{
    FillLargestDocument();
    SaveDocumentToFile(1, BenchFile());
    for (auto _ : state)
        benchmark::DoNotOptimize(CheckProfileFileComplete(BenchFile()));
}
BENCHMARK(BM_ValidateLargestFile)->Unit(benchmark::kMicrosecond);

} // namespace
