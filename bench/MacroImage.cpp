// Building and decoding the largest macro images the keyboard can hold
// (255 x 128 bytes): two 4000-event macros with long names that fill it to
// the byte, and a set of 100 macros.
#include "macro/MacroImage.h"

#include "keys/KeyTable.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr size_t FullImage = 255 * 128;

void AddMacro(std::vector<uint8_t>& area, uint16_t id, int events, const std::string& name)
{
    size_t at = area.size();
    area.resize(at + MacroBlockSize);
    MacroBlock block(area.data() + at);
    block.SetName(name);
    block.SetMacroId(id);
    block.SetCycles(1);
    std::vector<MacroEvent> list;
    const uint16_t keys[] = {30, KeyCodes::LeftCtrl, KeyCodes::MouseLeft, KeyCodes::WheelDown, 350, 48};
    for (int i = 0; i < events; ++i)
        list.push_back({static_cast<uint32_t>(10 * (i % 4001)), keys[i % 6], static_cast<uint16_t>(i % 2)});
    block.SetEvents(list);
}

std::vector<uint8_t> TwoLongMacros()
{
    std::vector<uint8_t> area;
    AddMacro(area, 1, 4000, std::string(249, 'a'));
    AddMacro(area, 2, 4000, std::string(57, 'b'));
    return area;
}

std::vector<uint8_t> HundredMacros()
{
    // 16 + 200 + 100 x (4 + 4 x 76 + 2 x 8) = 32616; six macros get one more
    // event for the last 24 bytes.
    std::vector<uint8_t> area;
    for (int k = 0; k < 100; ++k) {
        std::string name = std::to_string(1000 + k);
        AddMacro(area, static_cast<uint16_t>(k + 1), k < 6 ? 77 : 76, "Macro" + name.substr(1));
    }
    return area;
}

std::vector<uint8_t> BuildFull(const std::vector<uint8_t>& area)
{
    MacroImageSizes sizes = ComputeMacroImageSize(area);
    if (sizes.withNames != FullImage)
        std::abort();
    std::vector<uint8_t> image(sizes.withNames);
    if (BuildMacroImage(area, image, true) != 1)
        std::abort();
    return image;
}

void Build(benchmark::State& state, std::vector<uint8_t> (*make)())
{
    std::vector<uint8_t> area = make();
    std::vector<uint8_t> image(FullImage);
    for (auto _ : state) {
        MacroImageSizes sizes = ComputeMacroImageSize(area);
        benchmark::DoNotOptimize(sizes);
        benchmark::DoNotOptimize(BuildMacroImage(area, image, true));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FullImage));
}

void Decode(benchmark::State& state, std::vector<uint8_t> (*make)())
{
    std::vector<uint8_t> image = BuildFull(make());
    std::vector<uint8_t> area(static_cast<size_t>(MaxMacroCount) * MacroBlockSize);
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecodeMacroImage(area, image, "Macro"));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FullImage));
}

BENCHMARK_CAPTURE(Build, TwoMacrosOf4000Events, TwoLongMacros)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Build, HundredMacros, HundredMacros)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Decode, TwoMacrosOf4000Events, TwoLongMacros)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Decode, HundredMacros, HundredMacros)->Unit(benchmark::kMicrosecond);

} // namespace
