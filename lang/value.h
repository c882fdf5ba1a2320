// The typed datum of the language: integer, float and string views of one
// value, with a bit set that says which views are valid.
#pragma once

#include <cstdint>

namespace jol {

namespace vf {
constexpr std::uint32_t Integer = 1;
constexpr std::uint32_t String = 2;
constexpr std::uint32_t FileHandle = 4; // with Integer: flags exactly 5
constexpr std::uint32_t Unset = 8;      // named variable without a value
constexpr std::uint32_t Object = 16;    // with Integer: automation object handle
constexpr std::uint32_t Float = 32;
} // namespace vf

struct Value {
    double f = 0.0;
    std::int32_t i = 0;
    std::uint32_t flags = 0;
    std::uint16_t str = 0; // string view: offset in the context's string heap
    std::int16_t var = -1; // index of the variable it was read from, -1 none
};

} // namespace jol
