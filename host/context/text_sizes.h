// The sizes of the library's fixed text buffers.
#pragma once

#include <cstddef>

namespace jol {

constexpr std::size_t kTextSize = 257;  // 256 characters and a terminator
constexpr std::size_t kPathSize = 1281; // large work buffer for paths

} // namespace jol
