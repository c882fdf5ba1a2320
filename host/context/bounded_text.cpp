// Size-limited copy and append that step over double-byte characters.
#include "host/context/bounded_text.h"

#include "host/context/errors.h"
#include "host/context/script_context.h"

namespace jol {

namespace {

int NullPointer(ScriptContext* ctx) {
    if (ctx) Raise(ctx, Err::NullPointer);
    return 0;
}

// Length of the text at s cut to at most limit bytes, never inside a
// double-byte character.
std::size_t BoundedLength(const char* s, std::size_t limit) {
    std::size_t n = 0;
    while (n < limit) {
        int step = CharBytes(s + n);
        if (step == 0 || n + static_cast<std::size_t>(step) > limit) return n;
        n += static_cast<std::size_t>(step);
    }
    return n;
}

// Appends src at dst + n, keeping the whole within size - 1 bytes.
void AppendAt(char* dst, std::size_t n, const char* src, std::size_t size) {
    std::size_t limit = size - 1;
    for (;;) {
        int step = CharBytes(src);
        if (step == 0 || n + static_cast<std::size_t>(step) > limit) break;
        dst[n++] = *src++;
        if (step == 2) dst[n++] = *src++;
    }
    dst[n] = 0;
}

} // namespace

int CopyBounded(ScriptContext* ctx, char* dst, const char* src, std::size_t size) {
    if (!dst || !src) return NullPointer(ctx);
    if (size == 0) return 1;
    AppendAt(dst, 0, src, size);
    return 1;
}

int AppendBounded(ScriptContext* ctx, char* dst, const char* src, std::size_t size) {
    if (!dst || !src) return NullPointer(ctx);
    if (size == 0) return 1;
    AppendAt(dst, BoundedLength(dst, size - 1), src, size);
    return 1;
}

} // namespace jol
