#include "device/hid/CurrentHidBackend.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceState.h"
#include "device/hid/HidDevice.h"
#include "device/virtual/VirtualKeyboard.h"
#include "lighting/KeyColours.h"
#include "lighting/LightingState.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

// The virtual keyboard on the configuration channel with 1 ms of bus per
// report, as a full-speed keyboard polled every frame: a request and its
// reply cost at least 2 ms. EndUpdate waits its 10 ms before it is sent, as
// the keyboard needs, so a group's physical minimum is pairs × 2 ms + 10 ms.
class Connected {
public:
    Connected() : kb(Options())
    {
        kb.SetFrameLogEnabled(false);
        kb.SetReportLatency(std::chrono::milliseconds(1));
        SetHidBackend(&kb);
        g_configChannel.Open(kb.ConfigPath(), true, true, true, false);
        g_keyCount = 126;
        g_keyMapBytes = 378;
        g_deviceConnected = 1;
    }
    ~Connected()
    {
        g_deviceConnected = 0;
        g_configChannel.Close();
        SetHidBackend(nullptr);
    }
    static VirtualKeyboardOptions Options()
    {
        VirtualKeyboardOptions options;
        options.productId = 0;
        return options;
    }
    VirtualKeyboard kb;
};

void Report(benchmark::State& state, double totalS, int pairs)
{
    const double minimumS = pairs * 0.002 + CurrentTransportTimings().endUpdatePauseMs / 1000.0;
    if (state.iterations() > 0)
        state.counters["overMinimumPct"] = (totalS / static_cast<double>(state.iterations()) / minimumS - 1) * 100;
    state.counters["pairs"] = pairs;
    state.counters["minimumMs"] = minimumS * 1000;
}

// The information block, then BeginUpdate, three 56-byte record reads and
// EndUpdate: 6 pairs.
void BM_ReloadLighting(benchmark::State& state)
{
    Connected c;
    double totalS = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (ReloadLighting() != 0) {
            state.SkipWithError("reload failed");
            break;
        }
        totalS += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    Report(state, totalS, 6);
}
BENCHMARK(BM_ReloadLighting)->UseRealTime()->MeasureProcessCPUTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// BeginUpdate, eight 54-byte colour frames (126 keys) and EndUpdate: 10 pairs.
void BM_SendKeyColours(benchmark::State& state)
{
    Connected c;
    for (size_t i = 0; i < g_keyColourTable.size(); ++i)
        g_keyColourTable[i] = static_cast<uint8_t>(i * 31);
    double totalS = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (SendKeyColours() != 1) {
            state.SkipWithError("send failed");
            break;
        }
        totalS += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    Report(state, totalS, 10);
}
BENCHMARK(BM_SendKeyColours)->UseRealTime()->MeasureProcessCPUTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace
