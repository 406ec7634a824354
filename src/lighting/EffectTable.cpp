#include "lighting/EffectTable.h"

#include <array>

namespace {

constexpr bool Yes = true;
constexpr bool No = false;

constexpr std::array<EffectInfo, 19> Effects = {{
    // code, resends multicolour, brightness, speed, direction, colour group, preview step
    {1, Yes, Yes, Yes, Yes, ColourGroup::Hx, 1},
    {2, Yes, Yes, Yes, Yes, ColourGroup::Hx, 2},
    {3, Yes, Yes, Yes, Yes, ColourGroup::Hx, 3},
    {4, No, Yes, Yes, No, ColourGroup::None, 4},
    {5, Yes, Yes, Yes, No, ColourGroup::Hx, 5},
    {6, No, Yes, No, No, ColourGroup::Fy, 6},
    {7, Yes, Yes, Yes, No, ColourGroup::Hx, 7},
    {8, Yes, Yes, Yes, No, ColourGroup::Hx, 8},
    {9, Yes, Yes, Yes, No, ColourGroup::Hx, 9},
    {10, No, Yes, Yes, No, ColourGroup::Hx, 10},
    {11, No, Yes, Yes, No, ColourGroup::None, 11},
    {12, No, Yes, Yes, Yes, ColourGroup::None, 12},
    {13, Yes, Yes, Yes, No, ColourGroup::Hx, 13},
    {14, Yes, Yes, Yes, No, ColourGroup::Hx, 14},
    {15, Yes, Yes, Yes, No, ColourGroup::Hx, 15},
    {16, No, Yes, No, No, ColourGroup::Fy, 16},
    {17, No, Yes, No, No, ColourGroup::FourColours, 17},
    {18, No, Yes, No, Yes, ColourGroup::None, 18},
    {20, No, Yes, No, No, ColourGroup::User, 20},
}};

} // namespace

const EffectInfo* FindEffect(int code)
{
    for (const EffectInfo& effect : Effects) {
        if (effect.code == code)
            return &effect;
    }
    return nullptr;
}

std::span<const EffectInfo> EffectTable()
{
    return Effects;
}

DirectionPictures DirectionPicturesOf(int code)
{
    if (code == 12)
        return DirectionPictures::UpDown;
    if (code == 18)
        return DirectionPictures::SpreadConverge;
    return DirectionPictures::LeftRight;
}

const char* DirectionKeySuffix(int code)
{
    if (code >= 1 && code <= 3)
        return "2";
    if (code == 12)
        return "3";
    return "";
}
