#include "UserPreset.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

namespace {

// Key colour indices are row * 21 + column on the keyboard's 6 x 21 light
// matrix; the nine G keys share 125.
constexpr int Columns = 21;
constexpr int KeyCount = 126;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

Rgb Mix(Rgb a, Rgb b, double t)
{
    auto m = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

int Clamp(int v) { return std::clamp(v, 0, 255); }

struct Mode {
    const char* name;
    Rgb base;
    Rgb paint;
    Rgb (*colour)(int key);
};

Rgb Sunset(int key)
{
    const double t = (key % Columns) / double(Columns - 1);
    const Rgb orange{255, 110, 0}, pink{255, 40, 120}, violet{130, 40, 255};
    return t < 0.5 ? Mix(orange, pink, t * 2) : Mix(pink, violet, (t - 0.5) * 2);
}

Rgb Wasd(int key)
{
    static const std::set<int> strike = {44, 64, 65, 66, 99, 119, 120, 121}; // W A S D and the arrows
    static const std::set<int> warm = {0, 22, 23, 24, 25, 84, 105, 108, 125}; // Esc, 1-4, Shift, Ctrl, Space, G
    if (strike.count(key))
        return {255, 60, 0};
    if (warm.count(key))
        return {255, 150, 0};
    return {30, 60, 110};
}

Rgb Ocean(int key)
{
    const int row = key / Columns, column = key % Columns;
    Rgb c = Mix({0, 220, 255}, {0, 40, 140}, row / 5.0);
    c.g = Clamp(c.g + static_cast<int>(std::lround(28 * std::sin(column / 3.0 + row))));
    return c;
}

const Mode Modes[] = {
    {"Sunset Gradient", {130, 40, 255}, {255, 130, 0}, Sunset},
    {"WASD Strike", {30, 60, 110}, {255, 60, 0}, Wasd},
    {"Deep Ocean", {0, 40, 140}, {0, 220, 255}, Ocean},
};

std::string Line(const char* format, int a, int b, int c)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, a, b, c);
    return buffer;
}

} // namespace

std::string UserPresetText()
{
    std::string out;
    out += "[PRESENTMODE]\nmode=0\n\n[MODENAME]\n";
    for (int n = 0; n < 3; ++n)
        out += std::to_string(n) + "=" + Modes[n].name + "\n";
    for (int n = 0; n < 3; ++n) {
        const Mode& m = Modes[n];
        out += "\n[Mode" + std::to_string(n) + "]\n";
        for (int k = 0; k < KeyCount; ++k) {
            const Rgb c = m.colour(k);
            // Keys in the base colour follow a later change of it.
            out += std::to_string(k) + "=" + Line("%d,%d,%d", c.r, c.g, c.b) + "," + (c == m.base ? "1" : "0") + "\n";
        }
        out += "tool=0\n";
        out += "jcolor=" + Line("%d,%d,%d", m.base.r, m.base.g, m.base.b) + "\n";
        out += "color=" + Line("%d,%d,%d", m.paint.r, m.paint.g, m.paint.b) + "\n";
    }
    return out;
}
