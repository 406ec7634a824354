#pragma once

#include "device/hid/HidBackend.h"
#include "device/hid/ReportDescriptor.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

// Real keyboards through Linux hidraw. hidapi lists the nodes; reads and
// writes go straight to the node's file so that a wait can be cut short by
// Abort and nothing completes later into a buffer the caller gave back.
//
// One hidraw node serves every top-level collection of a USB interface; each
// collection is listed with its own path "<node>#<collection index>", and a
// handle for one collection passes on only the input reports whose report
// id belongs to that collection.
class HidapiBackend : public HidBackend {
public:
    bool Enumerate(std::vector<HidInterfaceInfo>& out) override;
    std::unique_ptr<HidHandle> Open(const std::string& path, const HidOpenMode& mode) override;
    std::string NodeIdentity(const std::string& path) override;
    // See HidrawWatch.h.
    std::unique_ptr<HidChangeWatch> WatchChanges() override;
};

// The lock of a node's handle (HidHandle::TryLockExclusive): flock on the
// descriptor. It belongs to the open file, not the process, so every other
// open of the node (another program's) conflicts with it, and the kernel
// drops it with the last descriptor: a holder that dies lets the others on.
HidLock TryLockOpenFile(int fd);
void UnlockOpenFile(int fd);

struct HidrawPath {
    std::string node; // "/dev/hidrawN"
    int collection = 0;
};

// Accepts "/dev/hidrawN" (collection 0) and "/dev/hidrawN#k"; nothing else,
// so that no other file is ever opened as a device.
std::optional<HidrawPath> ParseHidrawPath(const std::string& path);
std::string MakeHidrawPath(const std::string& node, int collection);

// One interface entry per top-level collection of a node's descriptor, with
// the node's identity. When the descriptor is unreadable or damaged, the
// usages hidapi reported for the node (one pair per collection) stand in.
std::vector<HidInterfaceInfo> CollectionInterfaces(const HidInterfaceInfo& node, std::span<const uint8_t> descriptor,
                                                   const std::vector<std::pair<uint16_t, uint16_t>>& fallbackUsages);

// What a handle passes on of one report read from its node: nullopt when the
// report belongs to another collection (or is empty); otherwise the number of
// bytes written to `out`, report id first (a 0 is put in front when the node
// uses no report ids). A report longer than `out` is cut.
std::optional<size_t> FilterInputReport(std::span<const uint8_t> raw, const HidCollectionInfo& collection,
                                        bool nodeUsesReportIds, std::span<uint8_t> out);
