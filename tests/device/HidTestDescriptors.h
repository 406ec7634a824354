#pragma once

#include <cstdint>
#include <vector>

// Report descriptors as real devices send them, typed in byte for byte.

// The boot keyboard of the HID class definition: modifiers, a reserved byte,
// six key slots; five LEDs out.
inline const std::vector<uint8_t> BootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,             // Generic Desktop, Keyboard, Application
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7,             // Keyboard page, E0..E7
    0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, // 0..1, 8 x 1 bit
    0x81, 0x02,                                     // Input (Data, Var, Abs)
    0x95, 0x01, 0x75, 0x08, 0x81, 0x01,             // reserved byte (Const)
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08,             // 5 x 1 bit, LED page
    0x19, 0x01, 0x29, 0x05, 0x91, 0x02,             // Num Lock..Kana, Output (Data, Var, Abs)
    0x95, 0x01, 0x75, 0x03, 0x91, 0x01,             // 3 bits padding
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, // 6 slots of 8 bits, 0..101
    0x05, 0x07, 0x19, 0x00, 0x29, 0x65,             // Keyboard page, 0..101
    0x81, 0x00,                                     // Input (Data, Array)
    0xC0,
};

// A three-button mouse with a wheel, in a physical collection.
inline const std::vector<uint8_t> WheelMouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01,             // Generic Desktop, Mouse, Application
    0x09, 0x01, 0xA1, 0x00,                         // Pointer, Physical
    0x05, 0x09, 0x19, 0x01, 0x29, 0x03,             // Buttons 1..3
    0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, //
    0x81, 0x02,                                     // Input (Data, Var, Abs)
    0x95, 0x01, 0x75, 0x05, 0x81, 0x03,             // 5 bits padding
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x09, 0x38, // X, Y, Wheel
    0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x03, // -127..127, 3 x 8 bits
    0x81, 0x06,                                     // Input (Data, Var, Rel)
    0xC0, 0xC0,
};

// Consumer Control with report id 3: two 16-bit usage slots.
inline const std::vector<uint8_t> ConsumerControl = {
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, // Consumer, Consumer Control, report 3
    0x19, 0x00, 0x2A, 0xFF, 0x3F,                   // usages 0..0x3FFF
    0x15, 0x00, 0x26, 0xFF, 0x3F,                   // 0..0x3FFF
    0x75, 0x10, 0x95, 0x02, 0x81, 0x00,             // 2 x 16 bits, Input (Data, Array)
    0xC0,
};

// The vendor collection of the keyboard: report 4, 64 bytes each way.
inline const std::vector<uint8_t> VendorCollection = {
    0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0x85, 0x04, // page 0xFF1C, usage 0x92, report 4
    0x09, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00,             // 0..255
    0x75, 0x08, 0x95, 0x3F, 0x81, 0x02,                   // 63 bytes in
    0x09, 0x01, 0x91, 0x02,                               // 63 bytes out
    0xC0,
};

// The keyboard's interface: boot keyboard (report 1), Consumer Control
// (report 3) and the vendor collection (report 4) on one node.
inline std::vector<uint8_t> CompositeKeyboard()
{
    const std::vector<uint8_t> reportOne = {0x85, 0x01};
    std::vector<uint8_t> bytes;
    bytes.reserve(BootKeyboard.size() + reportOne.size() + ConsumerControl.size() + VendorCollection.size());
    bytes.insert(bytes.end(), BootKeyboard.begin(), BootKeyboard.begin() + 6);
    bytes.insert(bytes.end(), reportOne.begin(), reportOne.end());
    bytes.insert(bytes.end(), BootKeyboard.begin() + 6, BootKeyboard.end());
    bytes.insert(bytes.end(), ConsumerControl.begin(), ConsumerControl.end());
    bytes.insert(bytes.end(), VendorCollection.begin(), VendorCollection.end());
    return bytes;
}
