// Decodes arbitrary bytes as a macro image read back from a keyboard and
// checks what every decoded macro must satisfy; then builds an image from
// the result and decodes it again, which must reach a fixed point.
#include "macro/MacroImage.h"

#include <cstdlib>
#include <vector>

namespace {

constexpr size_t AreaSize = static_cast<size_t>(MaxMacroCount) * MacroBlockSize;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckDecoded(const std::vector<uint8_t>& area, int count)
{
    Check(count >= 0 && count <= MaxMacroCount);
    for (int k = 0; k < count; ++k) {
        ConstMacroBlock block(area.data() + static_cast<size_t>(k) * MacroBlockSize);
        Check(block.MacroId() == k + 1);
        Check(block.NewFlag() == 0 && block.PlayMode() == 0);
        Check(block.EventCount() <= MaxMacroEvents);
        Check(block.NameLength() >= 1 && block.NameLength() <= MaxMacroNameUnits);
        Check(ReadU16(block.Bytes(), 2 * block.NameLength()) == 0);
        for (int i = 0; i < block.EventCount(); ++i) {
            MacroEvent event = block.Event(i);
            Check(event.delay % 10 == 0 && event.delay <= 40950);
            Check(event.direction == MacroPressed || event.direction == MacroReleased);
        }
    }
}

// Builds an image of the first count blocks; empty when it would not fit.
std::vector<uint8_t> Rebuild(const std::vector<uint8_t>& area, int count, bool withNames)
{
    std::span<const uint8_t> macros(area.data(), static_cast<size_t>(count) * MacroBlockSize);
    MacroImageSizes sizes = ComputeMacroImageSize(macros);
    uint32_t size = withNames ? sizes.withNames : sizes.withoutNames;
    if (size > MaxMacroImageLength)
        return {};
    std::vector<uint8_t> image(size);
    Check(BuildMacroImage(macros, image, withNames) == 1);
    Check(ReadU16(image.data(), 2) == size);
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::vector<uint8_t> first(AreaSize), second(AreaSize);
    // An exactly sized copy, so any read past the image is an overflow.
    std::vector<uint8_t> image(data, data + size);

    int count = DecodeMacroImage(first, image, "Macro");
    Check(count == DecodedMacroCount(image));
    if (size < 2 || data[0] != 0xAA || data[1] != 0x55)
        Check(count == 0);
    CheckDecoded(first, count);

    for (bool withNames : {true, false}) {
        std::vector<uint8_t> rebuilt = Rebuild(first, count, withNames);
        if (rebuilt.empty())
            continue;
        int again = DecodeMacroImage(second, rebuilt, "Macro");
        Check(again == count);
        CheckDecoded(second, again);
        // Whatever the first decode made of the bytes, writing it back and
        // reading it again must change nothing more.
        Check(Rebuild(second, again, withNames) == rebuilt);
    }
    return 0;
}
