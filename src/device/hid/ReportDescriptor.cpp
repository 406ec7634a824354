#include "device/hid/ReportDescriptor.h"

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <utility>

namespace {

enum ItemType : uint8_t { MainItem = 0, GlobalItem = 1, LocalItem = 2 };

enum MainTag : uint8_t { TagInput = 8, TagOutput = 9, TagCollection = 0xA, TagFeature = 0xB, TagEndCollection = 0xC };

enum GlobalTag : uint8_t {
    TagUsagePage = 0,
    TagLogicalMin = 1,
    TagLogicalMax = 2,
    TagPhysicalMin = 3,
    TagPhysicalMax = 4,
    TagReportSize = 7,
    TagReportId = 8,
    TagReportCount = 9,
    TagPush = 0xA,
    TagPop = 0xB,
};

enum LocalTag : uint8_t { TagUsage = 0, TagUsageMin = 1, TagUsageMax = 2 };

constexpr size_t MaxPushDepth = 32;
constexpr uint64_t MaxReportBits = (HidMaxReportBytes - 1) * 8;
// Bit counts saturate here: far past any report, far below overflow.
constexpr uint64_t SaturatedBits = uint64_t{1} << 48;

struct Globals {
    uint16_t usagePage = 0;
    // The platform reads the extents as signed numbers of their item's size:
    // 26 FF FF is -1 and 27 FF FF 00 00 is 65535, whatever the minimum says.
    int32_t logicalMin = 0, logicalMax = 0, physicalMin = 0, physicalMax = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
};

// A usage as written: 16-bit ones take the usage page in force at the main
// item, 32-bit ones carry their page in the high word.
struct RawUsage {
    uint32_t value = 0;
    bool extended = false;
};

struct Locals {
    std::vector<RawUsage> singles;
    std::vector<std::pair<RawUsage, RawUsage>> ranges;
    std::optional<RawUsage> usageMin, usageMax;
    // Declaration order: true takes the next range, false the next single.
    std::vector<bool> order;
};

using ReportKey = std::pair<HidReportType, uint8_t>;

class Parser {
public:
    bool Run(std::span<const uint8_t> bytes, std::vector<HidCollectionInfo>& out, std::string& error);

private:
    bool Fail(std::string& error, const char* why)
    {
        error = why;
        return false;
    }
    bool ResolveUsages(std::vector<HidUsageRange>& out, std::string& error);
    bool AddField(HidReportType type, uint32_t flags, std::string& error);
    void Finish(size_t index);

    Globals globals_;
    std::vector<Globals> stack_;
    Locals locals_;
    std::vector<HidCollectionInfo> collections_;
    // The reports each collection declared main items in, padding included.
    std::vector<std::vector<ReportKey>> declared_;
    size_t depth_ = 0;
    // Bits so far of each report, by type and report id.
    std::map<ReportKey, uint64_t> reportBits_;
};

bool Parser::ResolveUsages(std::vector<HidUsageRange>& out, std::string& error)
{
    auto resolve = [&](const RawUsage& raw) -> std::pair<uint16_t, uint16_t> {
        if (raw.extended)
            return {static_cast<uint16_t>(raw.value >> 16), static_cast<uint16_t>(raw.value)};
        return {globals_.usagePage, static_cast<uint16_t>(raw.value)};
    };
    size_t single = 0;
    size_t range = 0;
    for (bool isRange : locals_.order) {
        if (!isRange) {
            auto [page, id] = resolve(locals_.singles[single++]);
            out.push_back({page, id, id});
            continue;
        }
        auto [minPage, minId] = resolve(locals_.ranges[range].first);
        auto [maxPage, maxId] = resolve(locals_.ranges[range].second);
        ++range;
        if (minPage != maxPage)
            return Fail(error, "usage range spans usage pages");
        if (minId > maxId)
            return Fail(error, "usage minimum above usage maximum");
        out.push_back({minPage, minId, maxId});
    }
    return true;
}

bool Parser::AddField(HidReportType type, uint32_t flags, std::string& error)
{
    const uint32_t size = globals_.reportSize;
    const uint32_t count = globals_.reportCount;
    const uint64_t bits = std::min<uint64_t>(static_cast<uint64_t>(size) * count, SaturatedBits);
    // Every main item takes its bits, padding and fields too wide to read
    // included: the platform's report lengths count them all.
    const ReportKey key{type, globals_.reportId};
    uint64_t& offset = reportBits_[key];
    const uint64_t position = offset;
    offset = std::min(offset + bits, SaturatedBits);
    if (depth_ == 0)
        return true; // outside every collection: nobody reads it
    const size_t index = collections_.size() - 1;
    if (std::find(declared_[index].begin(), declared_[index].end(), key) == declared_[index].end())
        declared_[index].push_back(key);
    HidCollectionInfo& collection = collections_[index];
    if (bits == 0 || !collection.unusable.empty())
        return true;

    std::vector<HidUsageRange> usages;
    if (!ResolveUsages(usages, error))
        return false;
    const bool constant = flags & 1;
    const bool variable = flags & 2;
    // The platform keeps a constant field that names a usage as a capability
    // like any other (its main-item flags say it is constant); only a constant
    // field without a usage is padding. So a vendor's "constant" status byte
    // with a usage is readable as a value, and its bits sit where they are.
    if (constant && usages.empty())
        return true;
    if (size > 0xFFFF || count > 0xFFFF || position + bits > MaxReportBits) {
        collection.unusable = "a field past what a report can hold";
        return true;
    }

    HidField field;
    field.type = type;
    field.reportId = globals_.reportId;
    field.isArray = !variable;
    // The platform's rule: arrays and 1-bit elements are buttons, whatever
    // their logical range; every other field is a value.
    field.isButton = !variable || size == 1;
    field.isConstant = constant;
    field.bitPosition = static_cast<uint32_t>(position);
    field.bitSize = static_cast<uint16_t>(size);
    field.reportCount = static_cast<uint16_t>(count);
    field.logicalMin = globals_.logicalMin;
    field.logicalMax = globals_.logicalMax;
    field.physicalMin = globals_.physicalMin;
    field.physicalMax = globals_.physicalMax;
    field.usages = std::move(usages);
    collection.fields.push_back(std::move(field));
    return true;
}

// The fields every kind of cap shares, for the usages usageMin..usageMax of
// a field starting at bitPosition.
template <typename Cap>
Cap CapOf(const HidField& field, const HidUsageRange& range, uint16_t usageMax, uint32_t bitPosition,
          uint16_t reportCount)
{
    Cap cap;
    cap.reportId = field.reportId;
    cap.usagePage = range.usagePage;
    cap.usageMin = range.usageMin;
    cap.usageMax = usageMax;
    cap.isRange = range.usageMin != range.usageMax;
    cap.isConstant = field.isConstant;
    cap.bitPosition = bitPosition;
    cap.reportCount = reportCount;
    cap.logicalMin = field.logicalMin;
    cap.logicalMax = field.logicalMax;
    return cap;
}

// Caps as the platform lists them: an array gives one button cap per usage
// or usage range; a variable field gives one cap per usage or range it uses,
// the last one taking any elements left over. The caps of one main item come
// in reverse declaration order (X, Y of a mouse are listed Y, X), and the
// data-item tables follow that order.
void BuildCaps(HidCollectionInfo& collection)
{
    for (const HidField& field : collection.fields) {
        const size_t t = static_cast<size_t>(field.type);
        std::vector<HidUsageRange> usages = field.usages;
        if (usages.empty())
            usages.push_back({0, 0, 0});
        std::vector<HidButtonCap> buttons;
        std::vector<HidValueCap> values;
        if (field.isArray) {
            for (const HidUsageRange& range : usages) {
                HidButtonCap cap =
                    CapOf<HidButtonCap>(field, range, range.usageMax, field.bitPosition, field.reportCount);
                cap.isArray = true;
                cap.bitSize = field.bitSize;
                buttons.push_back(cap);
            }
        } else {
            uint32_t assigned = 0;
            for (const HidUsageRange& range : usages) {
                if (assigned >= field.reportCount)
                    break;
                const uint32_t span = static_cast<uint32_t>(range.usageMax - range.usageMin) + 1;
                const uint32_t take = std::min<uint32_t>(span, field.reportCount - assigned);
                const uint16_t usageMax = static_cast<uint16_t>(range.usageMin + take - 1);
                const uint32_t bitPosition = field.bitPosition + assigned * field.bitSize;
                const uint16_t count = static_cast<uint16_t>(take);
                if (field.isButton) {
                    buttons.push_back(CapOf<HidButtonCap>(field, range, usageMax, bitPosition, count));
                } else {
                    HidValueCap cap = CapOf<HidValueCap>(field, range, usageMax, bitPosition, count);
                    cap.bitSize = field.bitSize;
                    cap.physicalMin = field.physicalMin;
                    cap.physicalMax = field.physicalMax;
                    values.push_back(cap);
                }
                assigned += take;
            }
            // The last usage repeats for the elements the list did not cover.
            const uint16_t left = static_cast<uint16_t>(field.reportCount - assigned);
            if (left > 0 && !buttons.empty())
                buttons.back().reportCount += left;
            if (left > 0 && !values.empty())
                values.back().reportCount += left;
        }
        collection.buttonCaps[t].insert(collection.buttonCaps[t].end(), buttons.rbegin(), buttons.rend());
        collection.valueCaps[t].insert(collection.valueCaps[t].end(), values.rbegin(), values.rend());
    }
}

void MakeUnusable(HidCollectionInfo& collection, std::string why)
{
    HidCollectionInfo emptied;
    emptied.usagePage = collection.usagePage;
    emptied.usage = collection.usage;
    emptied.unusable = std::move(why);
    collection = std::move(emptied);
}

// Report ids and lengths from every report the collection declared, so that
// a report of padding alone has its length too; then the caps and the bound.
void Parser::Finish(size_t index)
{
    HidCollectionInfo& collection = collections_[index];
    if (!collection.unusable.empty()) {
        MakeUnusable(collection, collection.unusable);
        return;
    }
    for (const ReportKey& key : declared_[index]) {
        if (key.second != 0)
            collection.usesReportIds = true;
        if (std::find(collection.reportIds.begin(), collection.reportIds.end(), key.second)
            == collection.reportIds.end())
            collection.reportIds.push_back(key.second);
        const uint64_t bits = reportBits_[key];
        if (bits > MaxReportBits) {
            MakeUnusable(collection, "a report longer than a report length can say");
            return;
        }
        const uint16_t length = static_cast<uint16_t>(1 + (bits + 7) / 8);
        uint16_t& longest = collection.reportLength[static_cast<size_t>(key.first)];
        longest = std::max(longest, length);
    }
    if (!collection.usesReportIds)
        collection.reportIds.clear();
    std::sort(collection.reportIds.begin(), collection.reportIds.end());
    BuildCaps(collection);
    if (DataItemTableBytes(collection) > HidMaxTableBytes)
        MakeUnusable(collection, "data-item tables too large");
}

bool Parser::Run(std::span<const uint8_t> bytes, std::vector<HidCollectionInfo>& out, std::string& error)
{
    if (bytes.size() > HidMaxDescriptorBytes)
        return Fail(error, "descriptor too long");
    size_t pos = 0;
    while (pos < bytes.size()) {
        const uint8_t prefix = bytes[pos];
        if (prefix == 0xFE) { // long item: no long items are defined, skip it
            if (pos + 3 > bytes.size())
                return Fail(error, "truncated long item");
            const size_t skip = 3 + static_cast<size_t>(bytes[pos + 1]);
            if (skip > bytes.size() - pos)
                return Fail(error, "truncated long item");
            pos += skip;
            continue;
        }
        const size_t dataSize = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (dataSize > bytes.size() - pos - 1)
            return Fail(error, "truncated item");
        uint32_t value = 0;
        for (size_t i = 0; i < dataSize; ++i)
            value |= static_cast<uint32_t>(bytes[pos + 1 + i]) << (8 * i);
        int32_t signedValue = static_cast<int32_t>(value);
        if (dataSize == 1)
            signedValue = static_cast<int8_t>(value);
        else if (dataSize == 2)
            signedValue = static_cast<int16_t>(value);
        pos += 1 + dataSize;

        const uint8_t type = (prefix >> 2) & 3;
        const uint8_t tag = prefix >> 4;
        if (type == MainItem) {
            switch (tag) {
            case TagInput:
            case TagOutput:
            case TagFeature: {
                const HidReportType reportType = tag == TagInput ? HidReportType::Input
                    : tag == TagOutput                          ? HidReportType::Output
                                                                : HidReportType::Feature;
                if (!AddField(reportType, value, error))
                    return false;
                break;
            }
            case TagCollection:
                if (depth_ >= HidMaxCollectionDepth)
                    return Fail(error, "collections nested too deep");
                if (depth_ == 0) {
                    HidCollectionInfo collection;
                    std::vector<HidUsageRange> usages;
                    if (!ResolveUsages(usages, error))
                        return false;
                    collection.usagePage = usages.empty() ? globals_.usagePage : usages.front().usagePage;
                    collection.usage = usages.empty() ? 0 : usages.front().usageMin;
                    collections_.push_back(std::move(collection));
                    declared_.emplace_back();
                }
                ++depth_;
                break;
            case TagEndCollection:
                if (depth_ == 0)
                    return Fail(error, "end collection without collection");
                --depth_;
                break;
            default:
                return Fail(error, "unknown main item");
            }
            locals_ = Locals{};
        } else if (type == GlobalItem) {
            switch (tag) {
            case TagUsagePage:
                if (value > 0xFFFF)
                    return Fail(error, "usage page too large");
                globals_.usagePage = static_cast<uint16_t>(value);
                break;
            case TagLogicalMin:
                globals_.logicalMin = signedValue;
                break;
            case TagLogicalMax:
                globals_.logicalMax = signedValue;
                break;
            case TagPhysicalMin:
                globals_.physicalMin = signedValue;
                break;
            case TagPhysicalMax:
                globals_.physicalMax = signedValue;
                break;
            case TagReportSize:
                globals_.reportSize = value;
                break;
            case TagReportId:
                if (value == 0 || value > 0xFF)
                    return Fail(error, "bad report id");
                globals_.reportId = static_cast<uint8_t>(value);
                break;
            case TagReportCount:
                globals_.reportCount = value;
                break;
            case TagPush:
                if (stack_.size() >= MaxPushDepth)
                    return Fail(error, "push stack too deep");
                stack_.push_back(globals_);
                break;
            case TagPop:
                if (stack_.empty())
                    return Fail(error, "pop without push");
                globals_ = stack_.back();
                stack_.pop_back();
                break;
            default:
                break; // unit, unit exponent: not needed
            }
        } else if (type == LocalItem) {
            const RawUsage raw{value, dataSize == 4};
            if (locals_.order.size() >= HidMaxUsagesPerItem && (tag == TagUsage || tag == TagUsageMin))
                return Fail(error, "too many usages");
            switch (tag) {
            case TagUsage:
                locals_.singles.push_back(raw);
                locals_.order.push_back(false);
                break;
            case TagUsageMin:
            case TagUsageMax:
                (tag == TagUsageMin ? locals_.usageMin : locals_.usageMax) = raw;
                if (locals_.usageMin && locals_.usageMax) {
                    locals_.ranges.push_back({*locals_.usageMin, *locals_.usageMax});
                    locals_.order.push_back(true);
                    locals_.usageMin.reset();
                    locals_.usageMax.reset();
                }
                break;
            default:
                break; // designators, strings, delimiters: ignored
            }
        } else {
            return Fail(error, "reserved item type");
        }
    }
    if (depth_ != 0)
        return Fail(error, "collection not closed");
    for (size_t i = 0; i < collections_.size(); ++i)
        Finish(i);
    out = std::move(collections_);
    return true;
}

} // namespace

bool HidCollectionInfo::OwnsReportId(uint8_t id) const
{
    if (!usesReportIds)
        return true;
    return std::binary_search(reportIds.begin(), reportIds.end(), id);
}

bool ParseReportDescriptor(std::span<const uint8_t> descriptor, std::vector<HidCollectionInfo>& collections,
                           std::string* error)
{
    collections.clear();
    std::string why;
    Parser parser;
    if (!parser.Run(descriptor, collections, why)) {
        collections.clear();
        if (error)
            *error = why;
        return false;
    }
    return true;
}

uint64_t DataItemTableBytes(const HidCollectionInfo& collection)
{
    uint64_t bytes = 0;
    for (size_t t = 0; t < HidReportTypeCount; ++t) {
        // One pass over the fields: element counts by page and report, so a
        // descriptor of many caps costs no more than its size to measure.
        std::map<std::pair<uint16_t, uint8_t>, uint64_t> slots;
        for (const HidField& field : collection.fields) {
            if (static_cast<size_t>(field.type) != t || !field.isButton)
                continue;
            std::vector<uint16_t> pages;
            for (const HidUsageRange& range : field.usages) {
                if (std::find(pages.begin(), pages.end(), range.usagePage) == pages.end())
                    pages.push_back(range.usagePage);
            }
            if (pages.empty())
                pages.push_back(0);
            for (uint16_t page : pages)
                slots[{page, field.reportId}] += field.reportCount;
        }
        for (const HidButtonCap& cap : collection.buttonCaps[t]) {
            auto it = slots.find({cap.usagePage, cap.reportId});
            bytes += HidDataItemCost + 2 * (it == slots.end() ? 0 : it->second);
        }
        for (const HidValueCap& cap : collection.valueCaps[t])
            bytes += HidDataItemCost * (static_cast<uint64_t>(cap.usageMax - cap.usageMin) + 1);
    }
    return bytes;
}
