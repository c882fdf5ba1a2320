#include "host/context/integer_text.h"

namespace jol {

std::int32_t ParseIntegerText(const char* text) {
    while (*text == ' ')
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    std::uint32_t n = 0;
    while (*text >= '0' && *text <= '9') {
        n = n * 10u + static_cast<std::uint32_t>(*text - '0');
        ++text;
    }
    if (negative) n = 0u - n;
    return static_cast<std::int32_t>(n);
}

} // namespace jol
