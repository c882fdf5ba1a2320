// UTF-16 to the system code page (JOL_CODEPAGE, Windows-1252 by default),
// as the system converts with its default flags: a character the code page
// lacks becomes '?', and so does a surrogate pair, as one character.
#include "platform/text.h"

namespace plat {
namespace {

bool high_surrogate(char16_t u) {
    return u >= 0xD800 && u < 0xDC00;
}
bool low_surrogate(char16_t u) {
    return u >= 0xDC00 && u < 0xE000;
}

} // namespace

std::size_t wide_to_ansi(const char16_t* w, std::size_t units, char* out, std::size_t out_size) {
    if (!w) return 0;
    const bool measure = !out || out_size == 0;
    std::size_t written = 0;
    for (std::size_t i = 0; i < units; ++i) {
        char piece[4];
        std::size_t n;
        if (high_surrogate(w[i]) && i + 1 < units && low_surrogate(w[i + 1])) {
            piece[0] = '?';
            n = 1;
            ++i;
        } else {
            // One unit at a time, so that a zero unit gives a zero byte.
            n = wide_to_code_page(w + i, 1, piece, sizeof piece);
            if (n == 0) n = 1; // the zero unit: piece holds the terminator
        }
        if (!measure) {
            if (written + n > out_size) return 0;
            for (std::size_t k = 0; k < n; ++k)
                out[written + k] = piece[k];
        }
        written += n;
    }
    return written;
}

} // namespace plat
