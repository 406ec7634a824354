// Parses arbitrary bytes as a report descriptor read from a device and, when
// they parse, decodes an arbitrary input report against every collection:
// the bounds that keep a hostile device harmless must hold throughout.
#include "device/hid/HidDevice.h"
#include "device/hid/ReportDescriptor.h"

#include <algorithm>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // First byte: how much of the rest is the report (in 16-byte steps).
    if (size < 1)
        return 0;
    const size_t reportBytes = std::min<size_t>(size - 1, static_cast<size_t>(data[0]) * 16);
    const std::span<const uint8_t> report(data + 1, reportBytes);
    const std::span<const uint8_t> descriptor(data + 1 + reportBytes, size - 1 - reportBytes);

    std::vector<HidCollectionInfo> collections;
    if (!ParseReportDescriptor(descriptor, collections)) {
        Check(collections.empty());
        return 0;
    }
    for (const HidCollectionInfo& c : collections) {
        Check(DataItemTableBytes(c) <= HidMaxTableBytes);
        Check(c.unusable.empty() || (c.fields.empty() && c.reportLength == decltype(c.reportLength){}));
        std::vector<HidDataItem> items = BuildDataItems(c, HidReportType::Input);
        size_t listEntries = 0;
        for (const HidDataItem& item : items)
            listEntries += item.usageList.size();
        Check(items.size() * HidDataItemCost + listEntries * 2 <= HidMaxTableBytes);
        if (!report.empty()) {
            DecodeInputReport(report.data(), report.size(), HidReportType::Input, items, c);
            for (const HidDataItem& item : items) {
                if (item.kind != HidItemButton)
                    continue;
                for (uint16_t usage : item.usageList)
                    Check(usage == 0 || (usage >= item.usage && usage <= item.secondWord));
            }
        }
    }
    return 0;
}
