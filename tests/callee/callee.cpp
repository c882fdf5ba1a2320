// jolcallee: a module of plain exported functions for the DllCall tests,
// built for every backend with the same exports. On 32-bit Windows they
// use the system's standard convention (the callee removes its
// arguments), as DllCall calls them; the .def file exports them there
// under their plain names. Numbers are 32 bits wide on every backend, as
// DllCall passes them.
#include <cstdint>
#include <cstring>

#if defined(_WIN32) && !defined(_WIN64)
#define TARGET_CALL __stdcall
#else
#define TARGET_CALL
#endif
#if defined(_WIN32)
#define TARGET_EXPORT extern "C"
#else
#define TARGET_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {
std::int32_t g_last = 0;
char g_text[64];
} // namespace

// Three numbers: the sum, weighted so that their order shows.
TARGET_EXPORT std::int32_t TARGET_CALL add3(std::int32_t a, std::int32_t b, std::int32_t c) {
    return a + 10 * b + 100 * c;
}

// A number with more than 16 bits, for the word result.
TARGET_EXPORT std::uint32_t TARGET_CALL wide(std::int32_t n) {
    return 0x12340000u + static_cast<std::uint32_t>(n);
}

// The argument back, as the callee sees it (for word arguments).
TARGET_EXPORT std::int32_t TARGET_CALL same(std::int32_t n) {
    return n;
}

// The text itself, upper-cased in place.
TARGET_EXPORT char* TARGET_CALL upper(char* text) {
    for (char* p = text; *p; ++p)
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 32);
    return text;
}

// No text: a null address.
TARGET_EXPORT const char* TARGET_CALL nothing() {
    return nullptr;
}

// Writes count bytes 'A', 'B', ... into a buffer.
TARGET_EXPORT std::int32_t TARGET_CALL fill(unsigned char* buffer, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i)
        buffer[i] = static_cast<unsigned char>('A' + i % 26);
    return count;
}

// Fifteen numbers, each weighted by its place.
TARGET_EXPORT std::int32_t TARGET_CALL sum15(std::int32_t a1, std::int32_t a2, std::int32_t a3,
                                             std::int32_t a4, std::int32_t a5, std::int32_t a6,
                                             std::int32_t a7, std::int32_t a8, std::int32_t a9,
                                             std::int32_t a10, std::int32_t a11, std::int32_t a12,
                                             std::int32_t a13, std::int32_t a14, std::int32_t a15) {
    const std::int32_t a[] = {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15};
    std::int32_t sum = 0;
    for (int i = 0; i < 15; ++i)
        sum += (i + 1) * a[i];
    return sum;
}

// No result; keeps its argument, which kept gives back.
TARGET_EXPORT void TARGET_CALL keep(std::int32_t n) {
    g_last = n;
}

TARGET_EXPORT std::int32_t TARGET_CALL kept() {
    return g_last;
}

// Writes 64 bytes past the end of the text it is given (a callee that
// trusts a size its caller did not mean), and reports the text's length.
TARGET_EXPORT std::int32_t TARGET_CALL overrun(char* text) {
    const std::int32_t length = static_cast<std::int32_t>(std::strlen(text));
    std::memset(text + length + 1, '#', 64);
    return length;
}

// Whether the argument is the null address.
TARGET_EXPORT std::int32_t TARGET_CALL isnull(const void* p) {
    return p == nullptr;
}

// A text that lives in the module.
TARGET_EXPORT const char* TARGET_CALL greeting() {
    std::strcpy(g_text, "hello from the module");
    return g_text;
}
