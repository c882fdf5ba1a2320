// Size-limited copy and append of zero-terminated texts that never split a
// double-byte character. Used for every fixed text buffer of the library.
#pragma once

#include <cstddef>

#include "platform/text.h"

namespace jol {

// Bytes of the character at p: 0 at the terminator, 2 for a double-byte
// character (a lead byte followed by a non-zero trail byte), else 1. A lead
// byte directly before the terminator counts as one byte, so stepping by
// CharBytes never passes the terminator.
inline int CharBytes(const char* p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c == 0) return 0;
    if (c >= 0x80 && p[1] != 0 && plat::is_lead_byte(c)) return 2;
    return 1;
}

// Seven-bit letters and digits, and the seven-bit lower case: the same in
// every code page, so names are read without asking the platform for
// their plain characters.
inline bool AsciiAlpha(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
inline bool AsciiAlnum(unsigned char c) {
    return AsciiAlpha(c) || (c >= '0' && c <= '9');
}
inline char LowerChar(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x80) return (u >= 'A' && u <= 'Z') ? static_cast<char>(u + 0x20) : c;
    return plat::to_lower_char(c);
}

struct ScriptContext;

// Copies src into dst, at most size - 1 bytes, and terminates dst. A lead
// byte whose trail byte would not fit is dropped. Returns 1; a null dst or
// src raises Err::NullPointer in ctx (when ctx is not null), copies nothing and
// returns 0. A size of 0 writes nothing.
int CopyBounded(ScriptContext* ctx, char* dst, const char* src, std::size_t size);

// Appends src to the text in dst so that dst holds at most size - 1 bytes in
// all, with the same rules as CopyBounded.
int AppendBounded(ScriptContext* ctx, char* dst, const char* src, std::size_t size);

} // namespace jol
