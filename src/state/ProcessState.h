#pragma once

// Puts the process-wide state of every core folder back where a new process
// starts it, so that each test begins from the same place whatever the test
// before it left behind: no keyboard (channels closed, not connected, the
// 126-key model's sizes, a zeroed factory map), no documents, no lighting or
// key colours, no profile shown, nothing pending for the next device write,
// no prompts, window link, device events or backend override installed, the
// default timings and delays, and neither a settings folder nor program paths
// set. The language lives in the settings folder and so starts anew with it.
// Call it with no device thread running; the hooks installed at start-up
// (the virtual keyboard's frame-violation sink, the report handlers) stay.
void ResetProcessStateForTests();
