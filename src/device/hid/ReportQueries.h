#pragma once

#include "device/hid/ReportDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Queries over one report (report id in byte 0) of one collection.

// Longest usage list the collection can report for a usage page (the
// platform's number: the button elements of that page in all its reports).
uint32_t MaxUsageListLength(const HidCollectionInfo& collection, HidReportType type, uint16_t usagePage);
// The button elements of a page in one report: no usage list for that report
// can be longer.
uint32_t ReportUsageSlots(const HidCollectionInfo& collection, HidReportType type, uint16_t usagePage,
                          uint8_t reportId);

// Usages of the page that are on in the report: array slots mapped through
// their usages (out-of-range values and usage 0 dropped), set variable bits.
// At most maxCount are kept (HidStatusBufferTooSmall when more were on).
uint32_t GetUsages(const HidCollectionInfo& collection, HidReportType type, uint16_t usagePage,
                   std::span<const uint8_t> report, std::vector<uint16_t>& usages, size_t maxCount);

// Raw bits of a value usage (of the first element when the field repeats a
// single usage), and its value scaled from the logical to the physical range
// (the physical range defaults to the logical one when both are 0). A field
// wider than 32 bits gives HidStatusBufferTooSmall: its value does not fit.
uint32_t GetUsageValue(const HidCollectionInfo& collection, HidReportType type, uint16_t usagePage, uint16_t usage,
                       std::span<const uint8_t> report, uint32_t& raw);
uint32_t GetScaledUsageValue(const HidCollectionInfo& collection, HidReportType type, uint16_t usagePage,
                             uint16_t usage, std::span<const uint8_t> report, int32_t& scaled);
