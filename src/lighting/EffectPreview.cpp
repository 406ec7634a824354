#include "lighting/EffectPreview.h"

#include "lighting/EffectPreviewTables.h"

#include <random>

using namespace PreviewTables;

namespace {

enum Step : uint32_t {
    ColumnWave = 1,
    ColumnFlash = 2,
    SnakeWave = 3,
    WholeHueCycle = 4,
    ColumnBreathing = 5,
    StaticColour = 6,
    Sparkle = 10,
    KeyHueCycle = 11,
    RowWave = 12,
    Ripples = 13,
    Sweep = 14,
    Drops = 15,
    CornerRipples = 16,
    RingWave = 18,
    UserColours = 20,
};

constexpr int WheelSize = static_cast<int>(HueWheelSize);
constexpr uint8_t FullLevel = 255;
constexpr int BelowGridRow = 6; // the first of the two hidden rows under the picture

// How a scrolling step moves: its phase advances by `advance` per tick,
// modulo `cycle`, and each column (row, ring, snake position) further along
// is `spread` entries ahead.
struct Scroll {
    int advance;
    int cycle;
    int spread;
};
constexpr Scroll ColumnWaveHues{9, WheelSize, 9};
constexpr Scroll ColumnWaveLevels{7, 96, 7};
constexpr Scroll ColumnFlashHues{4, WheelSize, 5};
constexpr Scroll ColumnFlashPhase{4, 128, 0};
constexpr int ColumnFlashSpread = 5;
constexpr Scroll SnakeHues{4, WheelSize, 5};
constexpr Scroll SnakeLevels{4, 96, 5};
constexpr Scroll WholeHues{2, WheelSize, 0};
constexpr Scroll BreathingPhase{2, 128, 0};
constexpr int BreathingHueSpread = 7;
constexpr Scroll RowHues{3, WheelSize, 32};
constexpr Scroll RingHues{2, WheelSize, 21};

// Static colours by ring, counting down the wheel from the middle outwards.
constexpr int StaticRingHue = 131;
constexpr int StaticRingSpread = 11;

constexpr int SparklesPerTick = 3;

// Step 11 spreads its starting hues 33 apart along the snake; each tick
// moves every hue 3 further.
constexpr int KeyHueStart = 33;
constexpr int KeyHueAdvance = 3;

// How fast lit keys fade: a level of 128 or more loses `high`, then the
// 0x40 and 0x20 bits decide, and the dim tail fades by 5 and then by 1.
struct Decay {
    uint8_t high;
    uint8_t bit40;
    uint8_t bit20;
};
constexpr Decay CommonDecay{20, 16, 10}; // steps 10, 15 and 16
constexpr Decay RippleDecay{80, 50, 20}; // step 13
constexpr Decay SweepDecay{30, 20, 10};  // step 14

constexpr int RippleColumn = 9;
constexpr int DropsPerTick = 3;
constexpr int FirstDropOffset = 10;
constexpr int NextDropOffset = 3;
constexpr int CornerTopColumn = 1;
constexpr int CornerBottomColumn = 22;

constexpr int StageGroups = 0, StagePairs = 1, StageSeedWave = 2, StageWave = 3, StageFade = 4;
constexpr int LastPairCounter = 30;
constexpr int SweepGroupHueStep = 11;
constexpr int SweepPairHueStep = 1;
// O's cell in the grid, where step 14's wave starts.
constexpr int SweepWaveColumn = 10, SweepWaveRow = 2;

uint8_t RowBit(int row) { return static_cast<uint8_t>(1u << row); }

int Wrap(int value, int cycle)
{
    value %= cycle;
    return value < 0 ? value + cycle : value;
}

bool Forward(const PreviewInputs& in) { return in.direction != 0; }

int Advance(PreviewState& s, Step step, const Scroll& scroll, bool forward)
{
    int& phase = s.phase[step];
    phase = Wrap(forward ? phase + scroll.advance : phase - scroll.advance, scroll.cycle);
    return phase;
}

int Along(int phase, const Scroll& scroll, int position) { return (phase + scroll.spread * position) % scroll.cycle; }

uint32_t Pack(Rgb c) { return uint32_t{c.red} | uint32_t{c.green} << 8 | uint32_t{c.blue} << 16; }

Rgb Unpack(uint32_t value)
{
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16)};
}

// Random hues run to 254 and step 14's to 255; the wheel takes them modulo
// its size.
Rgb Hue(unsigned index) { return HueWheel[index % HueWheelSize]; }

uint32_t Scaled(Rgb c, unsigned level)
{
    auto scale = [level](uint8_t channel) { return static_cast<uint8_t>(channel * level / 255); };
    return Pack({scale(c.red), scale(c.green), scale(c.blue)});
}

// A key in two cells is painted twice; the later column's colour stays.
template <typename ColourOfColumn>
void PaintColumns(PreviewFrame& frame, ColourOfColumn colourOf)
{
    for (int c = 0; c < PreviewGridColumns; ++c) {
        uint32_t colour = colourOf(c);
        for (Key key : Grid[static_cast<size_t>(c)]) {
            if (key != None)
                frame.colours[key] = colour;
        }
    }
}

template <typename ColourOfRow>
void PaintRows(PreviewFrame& frame, ColourOfRow colourOf)
{
    for (int r = 0; r < PreviewGridRows; ++r) {
        uint32_t colour = colourOf(r);
        for (const auto& column : Grid) {
            Key key = column[static_cast<size_t>(r)];
            if (key != None)
                frame.colours[key] = colour;
        }
    }
}

template <typename ColourOfRing>
void PaintRings(PreviewFrame& frame, ColourOfRing colourOf)
{
    for (size_t r = 0; r < RingCount; ++r) {
        uint32_t colour = colourOf(static_cast<int>(r));
        for (Key key : Rings[r])
            frame.colours[key] = colour;
    }
}

// ---- keys that light up and fade ----

// Hue indices 0..254 for keys lit at random places, from a generator seeded
// at every tick.
class HueDraw {
public:
    explicit HueDraw(uint32_t seed) : engine_(seed) {}
    uint8_t operator()() { return static_cast<uint8_t>(engine_() % 255); }

private:
    std::minstd_rand engine_;
};

void Light(PreviewLevels& levels, Key key, bool multicolour, HueDraw& draw)
{
    levels.level[key] = FullLevel;
    if (multicolour)
        levels.hue[key] = draw();
}

uint8_t Faded(uint8_t level, const Decay& decay)
{
    if (level >= 128)
        return static_cast<uint8_t>(level - decay.high);
    if (level & 0x40)
        return static_cast<uint8_t>(level - decay.bit40);
    if (level & 0x20)
        return static_cast<uint8_t>(level - decay.bit20);
    if (level > 16)
        return static_cast<uint8_t>(level - 5);
    return level > 0 ? static_cast<uint8_t>(level - 1) : 0;
}

void DrawLevels(PreviewLevels& levels, const Decay& decay, const PreviewInputs& in, PreviewFrame& frame)
{
    Rgb base = Unpack(in.effectColour);
    for (size_t k = 0; k < PreviewKeyCount; ++k) {
        levels.level[k] = Faded(levels.level[k], decay);
        frame.colours[k] = Scaled(in.multicolour ? Hue(levels.hue[k]) : base, levels.level[k]);
    }
}

// ---- ripples over the grid ----

void PutCell(WavePlanes& planes, int column, int row)
{
    auto c = static_cast<size_t>(column);
    uint8_t bit = RowBit(row);
    planes.upLeft[c] |= bit;
    planes.downLeft[c] |= bit;
    planes.upRight[c] |= bit;
    planes.downRight[c] |= bit;
}

uint8_t CellsOfColumn(const WavePlanes& planes, int column)
{
    auto c = static_cast<size_t>(column);
    return planes.upLeft[c] | planes.downLeft[c] | planes.upRight[c] | planes.downRight[c];
}

// Bit 0 is the top row: moving up shifts right, moving down shifts left and
// lets the byte drop what falls past row 7.
uint8_t Raised(uint8_t cells) { return static_cast<uint8_t>(cells >> 1); }
uint8_t Lowered(uint8_t cells) { return static_cast<uint8_t>(cells << 1); }

void SpreadWaves(WavePlanes& planes)
{
    WavePlanes was = planes;
    constexpr size_t Last = PreviewGridColumns - 1;
    for (size_t c = 0; c <= Last; ++c) {
        uint8_t fromRightUp = c < Last ? was.upLeft[c + 1] : 0;
        uint8_t fromRightDown = c < Last ? was.downLeft[c + 1] : 0;
        uint8_t fromLeftUp = c > 0 ? was.upRight[c - 1] : 0;
        uint8_t fromLeftDown = c > 0 ? was.downRight[c - 1] : 0;
        planes.upLeft[c] = Raised(was.upLeft[c]) | fromRightUp;
        planes.downLeft[c] = Lowered(was.downLeft[c]) | fromRightDown;
        planes.upRight[c] = Raised(was.upRight[c]) | fromLeftUp;
        planes.downRight[c] = Lowered(was.downRight[c]) | fromLeftDown;
    }
}

// Drops only fall (and rise): the planes move vertically.
void FallWaves(WavePlanes& planes)
{
    for (size_t c = 0; c < PreviewGridColumns; ++c) {
        planes.upLeft[c] = Raised(planes.upLeft[c]);
        planes.upRight[c] = Raised(planes.upRight[c]);
        planes.downLeft[c] = Lowered(planes.downLeft[c]);
        planes.downRight[c] = Lowered(planes.downRight[c]);
    }
}

void LightWaves(const WavePlanes& planes, PreviewLevels& levels, bool multicolour, HueDraw& draw)
{
    for (int c = 0; c < PreviewGridColumns; ++c) {
        uint8_t cells = CellsOfColumn(planes, c);
        if (cells == 0)
            continue;
        for (int r = 0; r < PreviewGridRows; ++r) {
            Key key = Grid[static_cast<size_t>(c)][static_cast<size_t>(r)];
            if ((cells & RowBit(r)) && key != None)
                Light(levels, key, multicolour, draw);
        }
    }
}

// ---- the steps ----

void PaintColumnWave(PreviewState& s, const PreviewInputs& in, PreviewFrame& frame)
{
    if (in.multicolour) {
        int phase = Advance(s, ColumnWave, ColumnWaveHues, Forward(in));
        PaintColumns(frame, [&](int c) { return Pack(Hue(Along(phase, ColumnWaveHues, c))); });
        return;
    }
    int phase = Advance(s, ColumnWave, ColumnWaveLevels, Forward(in));
    Rgb base = Unpack(in.effectColour);
    PaintColumns(frame, [&](int c) { return Scaled(base, Level96[Along(phase, ColumnWaveLevels, c)]); });
}

void PaintColumnFlash(PreviewState& s, const PreviewInputs& in, PreviewFrame& frame)
{
    if (in.multicolour) {
        int phase = Advance(s, ColumnFlash, ColumnFlashHues, Forward(in));
        PaintColumns(frame, [&](int c) { return Pack(Hue(Along(phase, ColumnFlashHues, c))); });
        return;
    }
    // The flash always runs forward; the direction only turns the order of
    // the columns, and only the value 0xFF counts as forward here.
    int index = Advance(s, ColumnFlash, ColumnFlashPhase, true);
    bool up = in.direction == 0xFF;
    Rgb base = Unpack(in.effectColour);
    // Index 128 is kept (the curve's 129th entry); only what passes it wraps.
    constexpr int Span = 128;
    PaintColumns(frame, [&](int) {
        index += up ? ColumnFlashSpread : -ColumnFlashSpread;
        if (index > Span)
            index -= Span;
        else if (index < 0)
            index += Span;
        return Scaled(base, Level129[static_cast<size_t>(index)]);
    });
}

void PaintSnakeWave(PreviewState& s, const PreviewInputs& in, PreviewFrame& frame)
{
    Rgb base = Unpack(in.effectColour);
    const Scroll& scroll = in.multicolour ? SnakeHues : SnakeLevels;
    int phase = Advance(s, SnakeWave, scroll, Forward(in));
    for (int i = 0; i < static_cast<int>(PreviewKeyCount); ++i) {
        int at = Along(phase, scroll, i);
        frame.colours[static_cast<size_t>(i)] = in.multicolour ? Pack(Hue(at)) : Scaled(base, Level96[at]);
    }
}

void PaintWholeHueCycle(PreviewState& s, const PreviewInputs& in, PreviewFrame& frame)
{
    uint32_t colour = Pack(Hue(Advance(s, WholeHueCycle, WholeHues, Forward(in))));
    PaintColumns(frame, [&](int) { return colour; });
}

void PaintBreathing(PreviewState& s, const PreviewInputs& in, PreviewFrame& frame)
{
    uint8_t level = Level128[Advance(s, ColumnBreathing, BreathingPhase, true)];
    Rgb base = Unpack(in.effectColour);
    PaintColumns(frame, [&](int c) { return Scaled(in.multicolour ? Hue(BreathingHueSpread * c) : base, level); });
}

void PaintStatic(const PreviewInputs& in, PreviewFrame& frame)
{
    if (!in.multicolour) {
        uint32_t colour = in.effectColour & 0xFFFFFF;
        PaintColumns(frame, [&](int) { return colour; });
        return;
    }
    PaintRings(frame, [](int r) { return Pack(Hue(StaticRingHue - StaticRingSpread * r)); });
}

void PaintSparkles(PreviewState& s, const PreviewInputs& in, PreviewFrame& frame)
{
    HueDraw draw(in.randomSeed);
    for (int n = 0; n < SparklesPerTick; ++n) {
        s.sparklePosition = Wrap(s.sparklePosition + 1, static_cast<int>(PreviewKeyCount));
        Light(s.sparkles, SparkleOrder[static_cast<size_t>(s.sparklePosition)], in.multicolour, draw);
    }
    DrawLevels(s.sparkles, CommonDecay, in, frame);
}

void PaintKeyHueCycle(PreviewState& s, PreviewFrame& frame)
{
    if (!s.cycleHuesSet) {
        // 33 apart, folded back only past 192: one key starts on 192 itself,
        // which the first advance below turns into 0 before it is drawn.
        int hue = KeyHueStart;
        for (auto& h : s.cycleHues) {
            h = static_cast<uint8_t>(hue);
            hue += KeyHueStart;
            if (hue > WheelSize)
                hue -= WheelSize;
        }
        s.cycleHuesSet = true;
    }
    for (size_t i = 0; i < PreviewKeyCount; ++i) {
        int hue = s.cycleHues[i] + KeyHueAdvance;
        s.cycleHues[i] = static_cast<uint8_t>(hue >= WheelSize ? 0 : hue);
        frame.colours[i] = Pack(Hue(s.cycleHues[i]));
    }
}

void PaintRowWave(PreviewState& s, const PreviewInputs& in, PreviewFrame& frame)
{
    int phase = Advance(s, RowWave, RowHues, Forward(in));
    PaintRows(frame, [&](int r) { return Pack(Hue(Along(phase, RowHues, r))); });
}

// A ripple rises from under column 9 to the top row, where the next one
// starts falling, and so on: a new ripple every six ticks.
void PaintRipples(PreviewState& s, const PreviewInputs& in, PreviewFrame& frame)
{
    if (!s.ripplesSeeded) {
        PutCell(s.ripplePlanes, RippleColumn, BelowGridRow);
        s.ripplesSeeded = true;
    }
    uint8_t column = CellsOfColumn(s.ripplePlanes, RippleColumn);
    if (column == RowBit(0))
        PutCell(s.ripplePlanes, RippleColumn, 0);
    else if (column == RowBit(BelowGridRow))
        PutCell(s.ripplePlanes, RippleColumn, BelowGridRow);
    HueDraw draw(in.randomSeed);
    LightWaves(s.ripplePlanes, s.ripples, in.multicolour, draw);
    SpreadWaves(s.ripplePlanes);
    DrawLevels(s.ripples, RippleDecay, in, frame);
}

void LightSwept(PreviewState& s, Key key, bool multicolour, int hueStep)
{
    s.sweep.level[key] = FullLevel;
    if (multicolour) {
        s.sweepHue = static_cast<uint8_t>(s.sweepHue + hueStep);
        s.sweep.hue[key] = s.sweepHue;
    }
}

// Sweeps in from the corners one group per tick, circles O in pairs, waits
// for P to go dark, sends a ripple out from O and waits until it has passed
// keypad Enter and faded there. Each stage change takes effect on the next
// tick.
void PaintSweep(PreviewState& s, const PreviewInputs& in, PreviewFrame& frame)
{
    ++s.sweepHue;
    switch (s.sweepStage) {
    case StageGroups:
        for (Key key : SweepGroups[static_cast<size_t>(s.sweepCounter) % SweepGroupCount])
            LightSwept(s, key, in.multicolour, SweepGroupHueStep);
        if (++s.sweepCounter >= static_cast<int>(SweepGroupCount)) {
            s.sweepCounter = 0;
            s.sweepStage = StagePairs;
        }
        break;
    case StagePairs:
        if (s.sweepCounter <= LastPairCounter) {
            for (Key key : SweepPairs[static_cast<size_t>(s.sweepCounter) % SweepPairCount])
                LightSwept(s, key, in.multicolour, SweepPairHueStep);
            ++s.sweepCounter;
        } else if (s.sweep.level[P] == 0) {
            s.sweepCounter = 0;
            s.sweepStage = StageSeedWave;
        }
        break;
    case StageSeedWave:
        PutCell(s.sweepPlanes, SweepWaveColumn, SweepWaveRow);
        s.sweepStage = StageWave;
        break;
    case StageWave: {
        HueDraw draw(in.randomSeed);
        LightWaves(s.sweepPlanes, s.sweep, in.multicolour, draw);
        SpreadWaves(s.sweepPlanes);
        if (s.sweep.level[PadEnter] != 0)
            s.sweepStage = StageFade;
        break;
    }
    case StageFade:
        if (s.sweep.level[PadEnter] == 0) {
            s.sweepCounter = 0;
            s.sweepStage = StageGroups;
        }
        break;
    default: // a stage no tick sets: start the sweep over
        s.sweepCounter = 0;
        s.sweepStage = StageGroups;
        break;
    }
    DrawLevels(s.sweep, SweepDecay, in, frame);
}

void PaintDrops(PreviewState& s, const PreviewInputs& in, PreviewFrame& frame)
{
    for (int n = 0; n < DropsPerTick; ++n) {
        s.lastDropColumn = Wrap(s.lastDropColumn + (n == 0 ? FirstDropOffset : NextDropOffset), PreviewGridColumns);
        PutCell(s.dropPlanes, s.lastDropColumn, 0);
    }
    HueDraw draw(in.randomSeed);
    LightWaves(s.dropPlanes, s.sparkles, in.multicolour, draw);
    FallWaves(s.dropPlanes);
    DrawLevels(s.sparkles, CommonDecay, in, frame);
}

// A ripple from the top left corner; when its front reaches below the
// bottom right corner one starts there and runs back, and so on.
void PaintCornerRipples(PreviewState& s, const PreviewInputs& in, PreviewFrame& frame)
{
    if (CellsOfColumn(s.cornerPlanes, CornerTopColumn) == RowBit(0))
        PutCell(s.cornerPlanes, CornerTopColumn, 0);
    if (CellsOfColumn(s.cornerPlanes, CornerBottomColumn) == RowBit(BelowGridRow))
        PutCell(s.cornerPlanes, CornerBottomColumn, BelowGridRow);
    HueDraw draw(in.randomSeed);
    LightWaves(s.cornerPlanes, s.corners, in.multicolour, draw);
    SpreadWaves(s.cornerPlanes);
    DrawLevels(s.corners, CommonDecay, in, frame);
}

void PaintRingWave(PreviewState& s, const PreviewInputs& in, PreviewFrame& frame)
{
    int phase = Advance(s, RingWave, RingHues, Forward(in));
    PaintRings(frame, [&](int r) { return Pack(Hue(Along(phase, RingHues, r + 1))); });
}

// Choosing an effect starts the ring wave, the drops, the corner ripples and
// the sweep afresh; the other steps carry on where they stood.
void Restart(PreviewState& s)
{
    s.phase[RingWave] = 0;
    s.lastDropColumn = 0;
    s.sweepStage = StageGroups;
    s.sweepCounter = 0;
    s.sweepHue = 0;
    s.sparkles = {};
    s.corners = {};
    s.dropPlanes = {};
    PutCell(s.dropPlanes, RippleColumn, BelowGridRow);
    s.cornerPlanes = {};
    PutCell(s.cornerPlanes, CornerTopColumn, 0);
}

} // namespace

PreviewFrame PreviewStep(PreviewState& state, const PreviewInputs& inputs)
{
    if (inputs.restart)
        Restart(state);
    PreviewFrame frame;
    frame.paint = PreviewPaint::KeyColours;
    switch (inputs.step) {
    case ColumnWave: PaintColumnWave(state, inputs, frame); break;
    case ColumnFlash: PaintColumnFlash(state, inputs, frame); break;
    case SnakeWave: PaintSnakeWave(state, inputs, frame); break;
    case WholeHueCycle: PaintWholeHueCycle(state, inputs, frame); break;
    case ColumnBreathing: PaintBreathing(state, inputs, frame); break;
    case StaticColour: PaintStatic(inputs, frame); break;
    case Sparkle: PaintSparkles(state, inputs, frame); break;
    case KeyHueCycle: PaintKeyHueCycle(state, frame); break;
    case RowWave: PaintRowWave(state, inputs, frame); break;
    case Ripples: PaintRipples(state, inputs, frame); break;
    case Sweep: PaintSweep(state, inputs, frame); break;
    case Drops: PaintDrops(state, inputs, frame); break;
    case CornerRipples: PaintCornerRipples(state, inputs, frame); break;
    case RingWave: PaintRingWave(state, inputs, frame); break;
    case UserColours: frame.paint = PreviewPaint::Keep; break;
    default: frame.paint = PreviewPaint::ClearOverlays; break;
    }
    return frame;
}

std::bitset<PreviewKeyCount> ChangedPreviewKeys(const PreviewFrame& shown, const PreviewFrame& next)
{
    std::bitset<PreviewKeyCount> changed;
    if (next.paint != PreviewPaint::KeyColours)
        return changed;
    if (shown.paint != PreviewPaint::KeyColours)
        return changed.set();
    for (size_t k = 0; k < PreviewKeyCount; ++k) {
        if (shown.colours[k] != next.colours[k])
            changed.set(k);
    }
    return changed;
}
