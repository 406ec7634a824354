#include "device/hid/CurrentHidBackend.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceState.h"
#include "device/hid/HidDevice.h"
#include "device/virtual/VirtualKeyboard.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

namespace {

// The virtual keyboard on the configuration channel, as after a connection.
class Connected {
public:
    explicit Connected(const VirtualKeyboardOptions& options) : kb(options)
    {
        kb.SetFrameLogEnabled(false);
        SetHidBackend(&kb);
        g_configChannel.Open(kb.ConfigPath(), true, true, true, false);
        g_keyCount = 128;
        g_keyMapBytes = 512;
        g_deviceConnected = 1;
    }
    ~Connected()
    {
        g_deviceConnected = 0;
        g_configChannel.Close();
        SetHidBackend(nullptr);
    }
    VirtualKeyboard kb;
};

// CPU per request-reply pair with a keyboard that answers at once: the
// transport, the channel and the keyboard model together.
void BM_RequestReplyPair(benchmark::State& state)
{
    Connected c{VirtualKeyboardOptions{}};
    std::array<uint8_t, 56> record{};
    for (auto _ : state) {
        if (ReadParams(record, 42, 42) != 1) {
            state.SkipWithError("request failed");
            break;
        }
        benchmark::DoNotOptimize(record);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RequestReplyPair)->MeasureProcessCPUTime();

// The largest macro memory a keyboard can announce (255 × 128 bytes, 583
// frames) against a full-speed keyboard: 1 ms of bus per report, so at
// best 583 × 2 × 1 ms = 1.166 s.
void BM_FullMacroMemoryWrite(benchmark::State& state)
{
    VirtualKeyboardOptions options;
    options.macroUnits = 255;
    Connected c{options};
    c.kb.SetReportLatency(std::chrono::milliseconds(1));
    std::vector<uint8_t> image(255 * 128);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 13);
    constexpr double PhysicalMinimumS = 583 * 2 * 0.001;
    double totalS = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (WriteMacroMemory(image) != 1) {
            state.SkipWithError("write failed");
            break;
        }
        totalS += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    if (state.iterations() > 0)
        state.counters["overMinimumPct"] = (totalS / static_cast<double>(state.iterations()) / PhysicalMinimumS - 1) * 100;
    state.counters["pairs"] = 583;
}
BENCHMARK(BM_FullMacroMemoryWrite)->UseRealTime()->MeasureProcessCPUTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
