#pragma once

#include <cstdint>

namespace vantrel {

// The program-wide generator options, with their values at program start.
struct GeneratorOptions {
    bool BigChar = false;   // Latin capitals without I and O
    bool SmallChar = false; // Latin small letters without l and o
    bool Digit = false;     // digits without 0 and 1
    bool Sign = false;      // signs
    bool Right = false;     // append the look-alike extra characters
    bool Double = false;    // a character may occur more than once
    std::int32_t MinPwd = 0;
    std::int32_t MaxPwd = 0;

    bool operator==(const GeneratorOptions&) const = default;
};

} // namespace vantrel
