// UTF-16 to the system ANSI code page with the system's default flags.
#include <windows.h>

#include <climits>

#include "platform/text.h"

namespace plat {

std::size_t wide_to_ansi(const char16_t* w, std::size_t units, char* out, std::size_t out_size) {
    if (!w || units == 0 || units > INT_MAX) return 0;
    const bool measure = !out || out_size == 0;
    int size = measure ? 0 : (out_size > INT_MAX ? INT_MAX : static_cast<int>(out_size));
    int n = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWCH>(w), static_cast<int>(units),
                                measure ? nullptr : out, size, nullptr, nullptr);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

} // namespace plat
