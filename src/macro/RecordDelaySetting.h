#pragma once

// Whether the recorder keeps the measured pauses (1) or gives every event a
// fixed pause (0). Kept in the application settings, section "PROFILES",
// under the fixed name "MACRO_ACTION_RECORD_DELAY" as a decimal string, so
// that switching the language does not lose it. A value that older versions
// stored under the current language's text of that key is read once and moved
// to the fixed name. Anything but 0 or 1 reads as 0 and is written back so.
int ReadRecordDelaysSetting();
// Stores 0 or 1 (any non-zero value is 1) and returns what the settings hold
// afterwards: when they cannot be written, shows
// "MACRO_ACTION_RECORD_DELAY_SAVE_FAILED" and returns the value they still
// hold (as ReadRecordDelaysSetting reads it).
int WriteRecordDelaysSetting(int value);
