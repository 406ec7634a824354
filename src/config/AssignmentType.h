#pragma once

#include <cstdint>

// What a key slot holds (type at slot offset 0).
enum AssignmentType : uint16_t {
    AssignDefault = 0,
    AssignDisabled = 1,
    AssignKey = 2,
    AssignProgram = 3,
    AssignMacro = 4,
    AssignStopMacro = 5,
    AssignText = 6,
    AssignMedia = 7,
    AssignFunction = 8,
};
