#pragma once

#include "device/hid/HidBackend.h"

// The backend every channel uses; the hidapi backend unless one was set.
HidBackend& CurrentHidBackend();
// nullptr restores the default. The caller keeps ownership.
void SetHidBackend(HidBackend* backend);
