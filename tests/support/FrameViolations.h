#pragma once

// Every test program links FrameViolations.cpp: any frame a virtual keyboard
// refuses as one the hardware would not take (wrong report id, reserved
// byte, checksum, length, a write outside a BeginUpdate/EndUpdate group …)
// fails the running test, whether the keyboard lives in the test process or
// in a program the test started (those report through the file named by
// RT604_FRAME_VIOLATIONS, which this support sets for its children).

#include <string>
#include <vector>

// The violations reported since the test began, now cleared: a test that
// sends malformed frames on purpose takes them and checks them itself.
std::vector<std::string> TakeFrameViolations();
