#include "device/hid/ReportQueries.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace {

int32_t ClampToInt32(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Bits [bit, bit + size) of the report, little-endian; false past its end.
bool ExtractBits(std::span<const uint8_t> report, uint64_t bit, uint32_t size, uint32_t& value)
{
    if (size == 0 || size > 32 || bit + size > static_cast<uint64_t>(report.size()) * 8)
        return false;
    uint64_t result = 0;
    for (uint32_t i = 0; i < size; ++i) {
        const uint64_t at = bit + i;
        if (report[at / 8] & (1u << (at % 8)))
            result |= uint64_t{1} << i;
    }
    value = static_cast<uint32_t>(result);
    return true;
}

int64_t SignExtend(uint32_t raw, uint32_t size)
{
    if (size >= 32)
        return static_cast<int32_t>(raw);
    const uint32_t signBit = 1u << (size - 1);
    return static_cast<int64_t>(raw & (signBit - 1)) - static_cast<int64_t>(raw & signBit);
}

// The usage at index n of a usage list (ranges counted through). A variable
// field's surplus fields take the last usage; an array's surplus index has none.
std::optional<HidUsageRange> UsageAt(const std::vector<HidUsageRange>& usages, uint64_t index, bool repeatLast)
{
    for (const HidUsageRange& range : usages) {
        const uint64_t span = static_cast<uint64_t>(range.usageMax - range.usageMin) + 1;
        if (index < span) {
            const uint16_t id = static_cast<uint16_t>(range.usageMin + index);
            return HidUsageRange{range.usagePage, id, id};
        }
        index -= span;
    }
    if (repeatLast && !usages.empty())
        return HidUsageRange{usages.back().usagePage, usages.back().usageMax, usages.back().usageMax};
    return std::nullopt;
}

bool FieldHasPage(const HidField& field, uint16_t usagePage)
{
    if (field.usages.empty())
        return usagePage == 0;
    return std::any_of(field.usages.begin(), field.usages.end(),
                       [&](const HidUsageRange& r) { return r.usagePage == usagePage; });
}

// The value field and element index that carry a usage in this report.
uint32_t FindValue(const HidCollectionInfo& collection, HidReportType type, uint16_t usagePage, uint16_t usage,
                   std::span<const uint8_t> report, const HidField*& found, uint32_t& element)
{
    if (report.empty())
        return HidStatusInvalidReportLength;
    bool otherReport = false;
    for (const HidField& field : collection.fields) {
        if (field.type != type || field.isButton)
            continue;
        for (uint32_t i = 0; i < field.reportCount; ++i) {
            std::optional<HidUsageRange> at = UsageAt(field.usages, i, true);
            const HidUsageRange u = at.value_or(HidUsageRange{});
            if (u.usagePage != usagePage || u.usageMin != usage)
                continue;
            if (field.reportId != report[0]) {
                otherReport = true;
                break;
            }
            found = &field;
            element = i;
            return HidStatusSuccess;
        }
    }
    return otherReport ? HidStatusIncompatibleReportId : HidStatusUsageNotFound;
}

} // namespace

uint32_t MaxUsageListLength(const HidCollectionInfo& collection, HidReportType type, uint16_t usagePage)
{
    uint32_t length = 0;
    for (const HidField& field : collection.fields) {
        if (field.type == type && field.isButton && FieldHasPage(field, usagePage))
            length += field.reportCount;
    }
    return length;
}

uint32_t ReportUsageSlots(const HidCollectionInfo& collection, HidReportType type, uint16_t usagePage,
                          uint8_t reportId)
{
    uint32_t length = 0;
    for (const HidField& field : collection.fields) {
        if (field.type == type && field.isButton && field.reportId == reportId && FieldHasPage(field, usagePage))
            length += field.reportCount;
    }
    return length;
}

uint32_t GetUsages(const HidCollectionInfo& collection, HidReportType type, uint16_t usagePage,
                   std::span<const uint8_t> report, std::vector<uint16_t>& usages, size_t maxCount)
{
    usages.clear();
    if (report.empty())
        return HidStatusInvalidReportLength;
    bool pageSeen = false;
    bool reportSeen = false;
    bool overflow = false;
    auto add = [&](uint16_t usage) {
        if (usage == 0)
            return;
        if (usages.size() < maxCount)
            usages.push_back(usage);
        else
            overflow = true;
    };
    for (const HidField& field : collection.fields) {
        if (field.type != type || !field.isButton || !FieldHasPage(field, usagePage))
            continue;
        pageSeen = true;
        if (field.reportId != report[0])
            continue;
        reportSeen = true;
        const uint64_t first = 8 + static_cast<uint64_t>(field.bitPosition);
        if (first + static_cast<uint64_t>(field.reportCount) * field.bitSize > static_cast<uint64_t>(report.size()) * 8)
            return HidStatusInvalidReportLength;
        if (field.bitSize > 32)
            continue; // no 32-bit logical range indexes such an array
        for (uint32_t i = 0; i < field.reportCount; ++i) {
            uint32_t raw = 0;
            if (!ExtractBits(report, first + static_cast<uint64_t>(i) * field.bitSize, field.bitSize, raw))
                return HidStatusInvalidReportLength;
            if (field.isArray) {
                const int64_t v = field.logicalMin < 0 ? SignExtend(raw, field.bitSize) : int64_t{raw};
                if (v < field.logicalMin || v > field.logicalMax)
                    continue;
                std::optional<HidUsageRange> u = UsageAt(field.usages, static_cast<uint64_t>(v - field.logicalMin), false);
                if (u && u->usagePage == usagePage)
                    add(u->usageMin);
            } else if (raw) {
                std::optional<HidUsageRange> u = UsageAt(field.usages, i, true);
                if (u && u->usagePage == usagePage)
                    add(u->usageMin);
            }
        }
    }
    if (!pageSeen)
        return HidStatusUsageNotFound;
    if (!reportSeen)
        return HidStatusIncompatibleReportId;
    return overflow ? HidStatusBufferTooSmall : HidStatusSuccess;
}

uint32_t GetUsageValue(const HidCollectionInfo& collection, HidReportType type, uint16_t usagePage, uint16_t usage,
                       std::span<const uint8_t> report, uint32_t& raw)
{
    const HidField* field = nullptr;
    uint32_t element = 0;
    const uint32_t status = FindValue(collection, type, usagePage, usage, report, field, element);
    if (status != HidStatusSuccess)
        return status;
    const uint64_t bit = 8 + static_cast<uint64_t>(field->bitPosition) + static_cast<uint64_t>(element) * field->bitSize;
    if (bit + field->bitSize > static_cast<uint64_t>(report.size()) * 8)
        return HidStatusInvalidReportLength;
    if (field->bitSize > 32)
        return HidStatusBufferTooSmall;
    if (!ExtractBits(report, bit, field->bitSize, raw))
        return HidStatusInvalidReportLength;
    return HidStatusSuccess;
}

uint32_t GetScaledUsageValue(const HidCollectionInfo& collection, HidReportType type, uint16_t usagePage,
                             uint16_t usage, std::span<const uint8_t> report, int32_t& scaled)
{
    const HidField* field = nullptr;
    uint32_t element = 0;
    uint32_t status = FindValue(collection, type, usagePage, usage, report, field, element);
    if (status != HidStatusSuccess)
        return status;
    uint32_t raw = 0;
    status = GetUsageValue(collection, type, usagePage, usage, report, raw);
    if (status != HidStatusSuccess)
        return status;
    const int64_t logMin = field->logicalMin;
    const int64_t logMax = field->logicalMax;
    int64_t phyMin = field->physicalMin;
    int64_t phyMax = field->physicalMax;
    if (phyMin == 0 && phyMax == 0) {
        phyMin = logMin;
        phyMax = logMax;
    }
    if (logMax <= logMin || phyMax <= phyMin)
        return HidStatusBadLogPhyValues;
    const int64_t v = logMin < 0 ? SignExtend(raw, field->bitSize) : int64_t{raw};
    if (v < logMin || v > logMax)
        return HidStatusNull;
    // Both spans can reach 2^32, so the product needs more than 64 bits.
    __extension__ typedef __int128 Wide;
    const Wide product = static_cast<Wide>(v - logMin) * (phyMax - phyMin);
    scaled = ClampToInt32(phyMin + static_cast<int64_t>(product / (logMax - logMin)));
    return HidStatusSuccess;
}
