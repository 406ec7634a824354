#pragma once

#include <cstdint>

// The device copy: the snapshot of the document the device writer sends.

// Snapshots the document into g_deviceDoc (block with a fresh header, the
// macros, the packed strings) under the device-copy lock. The caller holds
// the document lock and has saved the document first, so the string offsets
// of both agree. 1 done; 0 when the document has no block or memory ran out,
// and the device copy is empty then.
int32_t SnapshotDocumentForDevice();
