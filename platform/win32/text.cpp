// Text services of the system code page through the system's own functions.
#include <windows.h>

#include <cstdint>

#include "platform/text.h"

namespace plat {

unsigned code_page() {
    return GetACP();
}

unsigned refresh_code_page() {
    return GetACP();
}

bool is_lead_byte(unsigned char c) {
    return IsDBCSLeadByte(c) != FALSE;
}

bool is_alpha(unsigned char c) {
    return c != 0 && IsCharAlphaA(static_cast<CHAR>(c)) != FALSE;
}

bool is_alnum(unsigned char c) {
    return c != 0 && IsCharAlphaNumericA(static_cast<CHAR>(c)) != FALSE;
}

// CharLowerA and CharUpperA take a single character in the low word of the
// pointer argument when its high word is zero.
char to_lower_char(char c) {
    if (c == 0) return c;
    auto r = reinterpret_cast<std::uintptr_t>(CharLowerA(
        reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(static_cast<unsigned char>(c)))));
    return static_cast<char>(r & 0xFF);
}

char to_upper_char(char c) {
    if (c == 0) return c;
    auto r = reinterpret_cast<std::uintptr_t>(CharUpperA(
        reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(static_cast<unsigned char>(c)))));
    return static_cast<char>(r & 0xFF);
}

void to_lower(char* s) {
    if (s && *s) CharLowerA(s);
}

void to_upper(char* s) {
    if (s && *s) CharUpperA(s);
}

int compare_text(const char* a, const char* b, bool ignore_case, bool string_sort) {
    DWORD flags = 0;
    if (ignore_case) flags |= NORM_IGNORECASE;
    if (string_sort) flags |= SORT_STRINGSORT;
    int r = CompareStringA(LOCALE_USER_DEFAULT, flags, a ? a : "", -1, b ? b : "", -1);
    if (r == CSTR_LESS_THAN) return -1;
    if (r == CSTR_GREATER_THAN) return 1;
    if (r == CSTR_EQUAL) return 0;
    // The system refused the texts: fall back to their byte order.
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a ? a : "");
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b ? b : "");
    while (*p && *p == *q)
        ++p, ++q;
    return *p < *q ? -1 : (*p > *q ? 1 : 0);
}

std::size_t wide_to_code_page(const char16_t* w, std::size_t len, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    out[0] = 0;
    if (!w || len == 0) return 0;
    std::size_t written = 0;
    // Convert piecewise so that a character that does not fit whole is left
    // out instead of being split.
    std::size_t i = 0;
    while (i < len) {
        std::size_t units = 1;
        if (w[i] >= 0xD800 && w[i] < 0xDC00 && i + 1 < len && w[i + 1] >= 0xDC00 &&
            w[i + 1] < 0xE000)
            units = 2;
        char piece[8];
        int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, reinterpret_cast<LPCWCH>(w + i),
                                    static_cast<int>(units), piece, sizeof piece, nullptr, nullptr);
        if (n <= 0) {
            piece[0] = '?';
            n = 1;
        }
        if (written + static_cast<std::size_t>(n) > out_size - 1) break;
        for (int k = 0; k < n; ++k)
            out[written++] = piece[k];
        i += units;
    }
    out[written] = 0;
    return written;
}

std::size_t code_page_to_wide(const char* s, std::size_t len, char16_t* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    out[0] = 0;
    if (!s || len == 0) return 0;
    std::size_t written = 0;
    std::size_t i = 0;
    while (i < len && written < out_size - 1) {
        int bytes = 1;
        if (IsDBCSLeadByte(static_cast<BYTE>(s[i])) && i + 1 < len && s[i + 1] != 0) bytes = 2;
        WCHAR piece[4];
        int n = MultiByteToWideChar(CP_ACP, 0, s + i, bytes, piece, 4);
        if (n <= 0) {
            piece[0] = 0xFFFD;
            n = 1;
        }
        if (written + static_cast<std::size_t>(n) > out_size - 1) break;
        for (int k = 0; k < n; ++k)
            out[written++] = static_cast<char16_t>(piece[k]);
        i += static_cast<std::size_t>(bytes);
    }
    out[written] = 0;
    return written;
}

} // namespace plat
