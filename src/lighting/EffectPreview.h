#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>

#include "lighting/PreviewKeys.h"

// The effect preview: while the lighting panel is shown, every 50 ms each key
// button of the keyboard picture gets an overlay colour that suggests the
// chosen effect. PreviewStep is one tick: the preview state and the viewed
// profile's lighting values in, a colour per key out. Nothing here paints or
// reaches the keyboard; the window paints what a frame holds.

// What drives one tick: the viewed profile's lighting values.
struct PreviewInputs {
    // The preview step of the current effect (the effect table's preview
    // column; for every effect it offers the step equals the effect code).
    // 1 to 6, 10 to 16 and 18 animate; 20 leaves the per-key colours alone;
    // anything else (7, 8, 9, 17, codes without a step) clears the overlays.
    uint32_t step = 0;
    uint32_t direction = 0;      // record byte 3: non-zero runs forward
    bool multicolour = false;    // record byte 4 != 0
    uint32_t effectColour = 0;   // red | green << 8 | blue << 16
    // previewReset is 0: the effect was chosen again, so the steps that
    // restart do (the caller sets previewReset to 1 after the tick).
    bool restart = false;
    // Hues drawn at random (steps 10, 13, 15, 16 with multicolour) come from
    // a generator seeded with this at every tick; the window passes the
    // clock, tests a fixed number.
    uint32_t randomSeed = 0;
};

// Per preview key: a brightness that fades tick by tick and a hue index.
struct PreviewLevels {
    std::array<uint8_t, PreviewKeyCount> level{};
    std::array<uint8_t, PreviewKeyCount> hue{};
};

// A ripple front as four sets of grid cells that spread up-left, down-left,
// up-right and down-right. Each byte is one column, bit r row r; rows 6 and
// 7 lie below the picture and are never shown.
struct WavePlanes {
    std::array<uint8_t, PreviewGridColumns> upLeft{};
    std::array<uint8_t, PreviewGridColumns> downLeft{};
    std::array<uint8_t, PreviewGridColumns> upRight{};
    std::array<uint8_t, PreviewGridColumns> downRight{};
};

// Everything the preview remembers between ticks. It lives as long as the
// main window; a zeroed state is where a new window starts.
struct PreviewState {
    // Indexed by step; steps 1 to 5, 12 and 18 scroll colours by it.
    std::array<int, 19> phase{};
    int sparklePosition = 0;           // step 10
    PreviewLevels sparkles;            // steps 10 and 15 share these
    std::array<uint8_t, PreviewKeyCount> cycleHues{}; // step 11
    bool cycleHuesSet = false;         // step 11 sets its hues once
    PreviewLevels ripples;             // step 13
    WavePlanes ripplePlanes;
    bool ripplesSeeded = false;        // step 13 seeds its first ripple once
    PreviewLevels sweep;               // step 14
    WavePlanes sweepPlanes;
    int sweepStage = 0;
    int sweepCounter = 0;
    uint8_t sweepHue = 0;
    WavePlanes dropPlanes;             // step 15
    int lastDropColumn = 0;
    PreviewLevels corners;             // step 16
    WavePlanes cornerPlanes;
};

enum class PreviewPaint : uint8_t {
    Keep,          // leave every overlay as it is (the per-key colours of effect 20)
    KeyColours,    // colours holds the overlay of every preview key
    ClearOverlays, // every key button, G button and Fn loses its overlay and its marked look
};

struct PreviewFrame {
    PreviewPaint paint = PreviewPaint::Keep;
    // Indexed by preview key; red | green << 8 | blue << 16.
    std::array<uint32_t, PreviewKeyCount> colours{};
};

// One tick of the preview.
PreviewFrame PreviewStep(PreviewState& state, const PreviewInputs& inputs);

// The keys a window showing `shown` repaints to show `next`, a KeyColours
// frame: those whose colour differs, or all of them when `shown` painted no
// key colours. Empty when `next` is not a KeyColours frame.
std::bitset<PreviewKeyCount> ChangedPreviewKeys(const PreviewFrame& shown, const PreviewFrame& next);
