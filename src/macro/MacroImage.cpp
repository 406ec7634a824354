#include "macro/MacroImage.h"

#include "macro/MacroAction.h"

#include <algorithm>
#include <string>

namespace {

constexpr uint16_t ClassShift = 12;
constexpr uint16_t ClassMask = 0x7;
constexpr uint16_t PressBit = 0x8000;

// The bytes of one macro's record.
size_t RecordSize(ConstMacroBlock block, bool withNames)
{
    size_t size = MacroRecordHeaderSize + ImageEventSize * static_cast<size_t>(block.UsableEventCount());
    if (withNames)
        size += 2 * block.NameLength();
    return size;
}

} // namespace

std::vector<ConstMacroBlock> MacroBlockViews(std::span<const uint8_t> macros)
{
    std::vector<ConstMacroBlock> views;
    const size_t count = macros.size() / MacroBlockSize;
    views.reserve(count);
    for (size_t k = 0; k < count; ++k)
        views.emplace_back(macros.data() + k * MacroBlockSize);
    return views;
}

std::array<uint8_t, ImageEventSize> EncodeImageEvent(const MacroEvent& event)
{
    uint32_t units = std::min<uint32_t>(event.delay / ImageDelayUnitMs, MaxImageDelayUnits);
    MacroAction action = EncodeAction(event.keyCode);
    uint16_t word = static_cast<uint16_t>(units | ((action.actionClass & ClassMask) << ClassShift));
    if (event.direction == MacroPressed)
        word |= PressBit;
    std::array<uint8_t, ImageEventSize> bytes{};
    WriteU16(bytes.data(), 0, word);
    bytes[2] = action.byte2;
    bytes[3] = action.byte3;
    return bytes;
}

MacroEvent DecodeImageEvent(const uint8_t* bytes)
{
    uint16_t word = ReadU16(bytes, 0);
    MacroEvent event;
    event.delay = ImageDelayUnitMs * (word & MaxImageDelayUnits);
    event.keyCode = DecodeAction(static_cast<uint8_t>((word >> ClassShift) & ClassMask), bytes[2], bytes[3]);
    event.direction = (word & PressBit) ? MacroPressed : MacroReleased;
    return event;
}

MacroImageSizes ComputeMacroImageSize(std::span<const ConstMacroBlock> macros)
{
    MacroImageSizes sizes;
    sizes.withNames = sizes.withoutNames = static_cast<uint32_t>(MacroImageHeaderSize + 2 * macros.size());
    for (const ConstMacroBlock& block : macros) {
        sizes.withoutNames += static_cast<uint32_t>(RecordSize(block, false));
        sizes.withNames += static_cast<uint32_t>(RecordSize(block, true));
    }
    return sizes;
}

MacroImageSizes ComputeMacroImageSize(std::span<const uint8_t> macros)
{
    return ComputeMacroImageSize(MacroBlockViews(macros));
}

int32_t BuildMacroImage(std::span<const uint8_t> macros, std::span<uint8_t> image, bool withNames)
{
    return BuildMacroImage(MacroBlockViews(macros), image, withNames);
}

int32_t BuildMacroImage(std::span<const ConstMacroBlock> macros, std::span<uint8_t> image, bool withNames)
{
    size_t count = macros.size();
    if (count > static_cast<size_t>(MaxMacroCount) || image.size() > MaxMacroImageLength)
        return 0;
    MacroImageSizes sizes = ComputeMacroImageSize(macros);
    if (image.size() != (withNames ? sizes.withNames : sizes.withoutNames))
        return 0;

    uint8_t* out = image.data();
    WriteU16(out, 0, MacroImageSignature);
    WriteU16(out, ImageLengthOffset, static_cast<uint16_t>(image.size()));
    WriteU16(out, ImageCountOffset, static_cast<uint16_t>(count));
    WriteU16(out, ImageNamesFlagOffset, withNames ? 1 : 0);
    // Reserved; written as zeros so the keyboard never keeps stale bytes.
    std::fill(out + 8, out + MacroImageHeaderSize, uint8_t{0});

    size_t position = MacroImageHeaderSize + 2 * count;
    for (size_t k = 0; k < count; ++k) {
        const ConstMacroBlock& block = macros[k];
        int events = block.UsableEventCount();
        size_t nameLength = withNames ? block.NameLength() : 0;
        WriteU16(out, ImageOffsetTableOffset + 2 * k, static_cast<uint16_t>(position));
        WriteU16(out, position, static_cast<uint16_t>(events));
        out[position + 2] = block.Cycles();
        out[position + 3] = static_cast<uint8_t>(nameLength);
        position += MacroRecordHeaderSize;
        for (int i = 0; i < events; ++i) {
            std::array<uint8_t, ImageEventSize> bytes = EncodeImageEvent(block.Event(i));
            std::copy(bytes.begin(), bytes.end(), out + position);
            position += ImageEventSize;
        }
        for (size_t c = 0; c < nameLength; ++c) {
            WriteU16(out, position, ReadU16(block.Bytes(), MacroNameOffset + 2 * c));
            position += 2;
        }
    }
    return 1;
}

int DecodedMacroCount(std::span<const uint8_t> image)
{
    if (image.size() < MacroImageHeaderSize || ReadU16(image.data(), 0) != MacroImageSignature)
        return 0;
    size_t length = std::min<size_t>(ReadU16(image.data(), ImageLengthOffset), image.size());
    if (length < MacroImageHeaderSize)
        return 0;
    size_t count = std::min<size_t>(ReadU16(image.data(), ImageCountOffset), MaxMacroCount);
    count = std::min(count, (length - MacroImageHeaderSize) / 2);
    return static_cast<int>(count);
}

int DecodeMacroImage(std::span<uint8_t> macroArea, std::span<const uint8_t> image, std::string_view namePrefix)
{
    size_t count = std::min<size_t>(DecodedMacroCount(image), macroArea.size() / MacroBlockSize);
    if (count == 0)
        return 0;
    // Everything past the length the image claims is not part of it.
    size_t length = std::min<size_t>(ReadU16(image.data(), ImageLengthOffset), image.size());
    const uint8_t* in = image.data();
    std::u16string prefix = Utf8ToUtf16(namePrefix);

    for (size_t k = 0; k < count; ++k) {
        uint8_t* bytes = macroArea.data() + k * MacroBlockSize;
        std::fill(bytes, bytes + MacroBlockSize, uint8_t{0});
        MacroBlock block(bytes);
        block.SetMacroId(static_cast<uint16_t>(k + 1));
        block.SetCycles(1);

        size_t record = ReadU16(in, ImageOffsetTableOffset + 2 * k);
        size_t nameLength = 0;
        size_t nameStart = 0;
        if (record + MacroRecordHeaderSize <= length) {
            size_t stored = ReadU16(in, record);
            size_t fits = (length - record - MacroRecordHeaderSize) / ImageEventSize;
            size_t events = std::min({stored, fits, static_cast<size_t>(MaxMacroEvents)});
            block.SetCycles(in[record + 2]);
            for (size_t i = 0; i < events; ++i)
                block.SetEvent(static_cast<int>(i), DecodeImageEvent(in + record + MacroRecordHeaderSize + ImageEventSize * i));
            block.SetEventCount(static_cast<uint16_t>(events));
            // The name follows all the events the record claims, read or not.
            nameStart = record + MacroRecordHeaderSize + ImageEventSize * stored;
            if (nameStart < length)
                nameLength = std::min({static_cast<size_t>(in[record + 3]), MaxMacroNameUnits, (length - nameStart) / 2});
        }
        if (nameLength > 0) {
            std::u16string name(nameLength, u'\0');
            for (size_t c = 0; c < nameLength; ++c)
                name[c] = static_cast<char16_t>(ReadU16(in, nameStart + 2 * c));
            block.SetName16(name);
        }
        if (block.NameLength() == 0)
            block.SetName16(prefix + Utf8ToUtf16(std::to_string(k + 1)));
    }
    return static_cast<int>(count);
}

std::vector<uint8_t> DecodeMacroImage(std::span<const uint8_t> image, std::string_view namePrefix)
{
    std::vector<uint8_t> area(static_cast<size_t>(DecodedMacroCount(image)) * MacroBlockSize);
    int count = DecodeMacroImage(std::span<uint8_t>(area), image, namePrefix);
    area.resize(static_cast<size_t>(count) * MacroBlockSize);
    return area;
}
