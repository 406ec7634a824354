#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Our own HID report-descriptor parser: hidraw hands out only the raw
// descriptor, and the rest of the program wants, per top-level collection,
// what the Windows HID parser reports (usage, report lengths, button and
// value capabilities) plus the usage lists of an input report. The parser
// is here; the queries over a report are in ReportQueries.h.

enum class HidReportType : uint8_t { Input = 0, Output = 1, Feature = 2 };
inline constexpr size_t HidReportTypeCount = 3;

// Result codes of the report queries, with the numbers the HID parser of the
// other platform uses so that a stored status reads the same everywhere.
inline constexpr uint32_t HidStatusSuccess = 0x00110000;
inline constexpr uint32_t HidStatusNull = 0x80110001; // value outside its logical range
inline constexpr uint32_t HidStatusInvalidReportLength = 0xC0110003;
inline constexpr uint32_t HidStatusUsageNotFound = 0xC0110004;
inline constexpr uint32_t HidStatusBadLogPhyValues = 0xC0110006;
inline constexpr uint32_t HidStatusBufferTooSmall = 0xC0110007;
inline constexpr uint32_t HidStatusIncompatibleReportId = 0xC011000A;

// Bounds for hostile descriptors. A report may be as long as the platform's
// 16-bit report length can say; what cannot be represented makes only its
// collection unusable, never the whole descriptor.
inline constexpr size_t HidMaxDescriptorBytes = 65536;
inline constexpr size_t HidMaxReportBytes = 65535; // one report, report-id byte included
inline constexpr size_t HidMaxUsagesPerItem = 1024;
inline constexpr size_t HidMaxCollectionDepth = 32;
// Memory the data-item tables of one collection may take (all three report
// types): a few kilobytes of descriptor could otherwise ask for gigabytes.
// Each button item's usage list holds only what one report of its id can
// fill, so a long report costs memory in proportion to itself.
inline constexpr size_t HidMaxTableBytes = size_t{32} << 20;
inline constexpr size_t HidDataItemCost = 64; // bytes per data item, list aside

// Usages of one field in declaration order: an array field's index n maps to
// the n-th usage counting through the ranges; a variable field's n-th bit
// field likewise (the last usage repeats for fields beyond the list).
struct HidUsageRange {
    uint16_t usagePage = 0;
    uint16_t usageMin = 0;
    uint16_t usageMax = 0;
};

// Bit positions count from the first bit after the report-id byte. Every
// report buffer of the program starts with the report id (0 when the
// collection uses none), so a field's first bit is at 8 + bitPosition.
struct HidButtonCap {
    uint8_t reportId = 0;
    uint16_t usagePage = 0;
    uint16_t usageMin = 0;
    uint16_t usageMax = 0;
    bool isRange = false; // false: a single usage (usageMin == usageMax)
    bool isArray = false;
    bool isConstant = false;
    uint32_t bitPosition = 0;
    uint16_t bitSize = 1; // 1 for variable buttons, the slot size for arrays
    uint16_t reportCount = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
};

struct HidValueCap {
    uint8_t reportId = 0;
    uint16_t usagePage = 0;
    uint16_t usageMin = 0;
    uint16_t usageMax = 0;
    bool isRange = false;
    bool isConstant = false;
    uint32_t bitPosition = 0;
    uint16_t bitSize = 0;
    uint16_t reportCount = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    int32_t physicalMin = 0;
    int32_t physicalMax = 0;
};

// One main item as declared that has usages (padding without a usage is
// not kept, though its bits count).
struct HidField {
    HidReportType type = HidReportType::Input;
    uint8_t reportId = 0;
    bool isArray = false;
    bool isButton = false; // an array, or a variable field of 1-bit elements
    bool isConstant = false;
    uint32_t bitPosition = 0;
    uint16_t bitSize = 0;
    uint16_t reportCount = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    int32_t physicalMin = 0;
    int32_t physicalMax = 0;
    std::vector<HidUsageRange> usages;
};

struct HidCollectionInfo {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    // Longest report of each type in bytes, report-id byte included (it is
    // counted even when the collection uses no ids: reports then start with a
    // 0 byte). 0 when the collection has no report of that type.
    std::array<uint16_t, HidReportTypeCount> reportLength{};
    bool usesReportIds = false;
    std::vector<uint8_t> reportIds; // ascending; empty when usesReportIds is false
    std::array<std::vector<HidButtonCap>, HidReportTypeCount> buttonCaps;
    std::array<std::vector<HidValueCap>, HidReportTypeCount> valueCaps;
    std::vector<HidField> fields;
    // Why the collection cannot be used (a report longer than a report length
    // can say, a field count or size past 16 bits, tables past the memory
    // bound); empty when it can. An unusable collection keeps its usage only.
    std::string unusable;

    uint16_t InputReportLength() const { return reportLength[0]; }
    uint16_t OutputReportLength() const { return reportLength[1]; }
    uint16_t FeatureReportLength() const { return reportLength[2]; }
    bool OwnsReportId(uint8_t id) const;
};

// Top-level collections in descriptor order. false (and `error` says why)
// for a damaged descriptor, one whose items cannot be read; `collections` is
// then empty.
bool ParseReportDescriptor(std::span<const uint8_t> descriptor, std::vector<HidCollectionInfo>& collections,
                           std::string* error = nullptr);

// What the data-item tables of all three report types cost in bytes; the
// parser makes a collection past HidMaxTableBytes unusable.
uint64_t DataItemTableBytes(const HidCollectionInfo& collection);
