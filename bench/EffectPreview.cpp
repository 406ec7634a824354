// One tick of the effect preview, computing the colours of all 106 keys.
// The sweep (step 14) is the busiest: it lights groups, fades every key and,
// in its wave stage, moves four planes over the grid and lights their cells.
#include "lighting/EffectPreview.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

PreviewInputs Inputs(uint32_t step)
{
    PreviewInputs inputs;
    inputs.step = step;
    inputs.direction = 0xFF;
    inputs.multicolour = true; // random hues and the hue wheel: the dearer path
    inputs.effectColour = 0x3366FF;
    return inputs;
}

// The sweep running through all its stages, one tick per iteration.
void SweepTick(benchmark::State& state)
{
    PreviewState preview;
    PreviewInputs inputs = Inputs(14);
    inputs.restart = true;
    uint32_t seed = 1;
    for (auto _ : state) {
        inputs.randomSeed = seed++;
        PreviewFrame frame = PreviewStep(preview, inputs);
        inputs.restart = false;
        benchmark::DoNotOptimize(frame);
    }
}

// The sweep held in its wave stage: each iteration restores the state from
// a snapshot taken while the ripple from O covers the grid (the copy is
// counted in).
void SweepWaveTick(benchmark::State& state)
{
    PreviewState preview;
    PreviewInputs inputs = Inputs(14);
    inputs.restart = true;
    constexpr int WaveStage = 3;
    for (int tick = 0; tick < 1000 && preview.sweepStage != WaveStage; ++tick) {
        PreviewStep(preview, inputs);
        inputs.restart = false;
    }
    // Six cells out from O; keypad Enter, where the stage ends, is 14 away.
    for (int tick = 0; tick < 6; ++tick)
        PreviewStep(preview, inputs);
    if (preview.sweepStage != WaveStage)
        std::abort();
    const PreviewState snapshot = preview;
    for (auto _ : state) {
        preview = snapshot;
        PreviewFrame frame = PreviewStep(preview, inputs);
        benchmark::DoNotOptimize(frame);
    }
}

// Every other step for comparison, and the diff the window makes per tick.
void StepTick(benchmark::State& state)
{
    PreviewState preview;
    PreviewInputs inputs = Inputs(static_cast<uint32_t>(state.range(0)));
    inputs.restart = true;
    PreviewFrame shown;
    for (auto _ : state) {
        PreviewFrame frame = PreviewStep(preview, inputs);
        inputs.restart = false;
        benchmark::DoNotOptimize(ChangedPreviewKeys(shown, frame));
        shown = frame;
    }
}

BENCHMARK(SweepTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(SweepWaveTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(StepTick)->DenseRange(1, 6)->DenseRange(10, 16)->Arg(18)->Unit(benchmark::kMicrosecond);

} // namespace
