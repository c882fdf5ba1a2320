// Text services of the system code page: double-byte lead bytes, letter
// classes, case mapping, the user-default locale's ordering and conversion
// between the code page and UTF-16.
//
// The Win32 backend asks the system; the native backend implements the same
// rules for the code page named by the environment variable JOL_CODEPAGE
// (default 1252; 932, 936, 949 and 950 are double-byte code pages whose lead
// bytes are known, so double-byte stepping can be exercised anywhere).
#pragma once

#include <cstddef>
#include <string_view>

namespace plat {

// The system (ANSI) code page.
unsigned code_page();
// Reads the code page setting again (native backend: JOL_CODEPAGE, read once
// and kept otherwise); returns the code page now in force.
unsigned refresh_code_page();

// True when the byte begins a double-byte character in the code page.
bool is_lead_byte(unsigned char c);
// Letter and letter-or-digit classes of a single-byte character.
bool is_alpha(unsigned char c);
bool is_alnum(unsigned char c);

// Case mapping of one single-byte character (others unchanged).
char to_lower_char(char c);
char to_upper_char(char c);
// Case mapping of a zero-terminated text in place; double-byte characters
// are stepped over as units and never changed.
void to_lower(char* s);
void to_upper(char* s);
// True when a and b are the same text but for the case of single-byte
// letters; double-byte characters must match as they are.
bool same_text_ignoring_case(std::string_view a, std::string_view b);

// Compares two zero-terminated texts by the user-default locale's rules:
// negative when a sorts before b, 0 when they are equal, positive otherwise.
// Word sort (string_sort false) ignores hyphen and apostrophe at the first
// levels; string sort orders punctuation as symbols before digits and
// letters. ignore_case drops the case level.
int compare_text(const char* a, const char* b, bool ignore_case, bool string_sort);

// Converts len UTF-16 units to the code page; characters that cannot be
// represented become the code page's default character. Writes at most
// out_size - 1 bytes and a terminator (when out_size > 0) and returns the
// number of bytes written without the terminator. A double-byte character
// is never split.
std::size_t wide_to_code_page(const char16_t* w, std::size_t len, char* out, std::size_t out_size);
// Converts len bytes of the code page to UTF-16; bytes that form no
// character become the default character U+FFFD or the code page's own
// replacement. Writes at most out_size - 1 units and a terminator (when
// out_size > 0) and returns the number of units written without the
// terminator.
std::size_t code_page_to_wide(const char* s, std::size_t len, char16_t* out, std::size_t out_size);

// Converts units UTF-16 units (zero units included, as zero bytes) to the
// system ANSI code page the way the system does by default: characters the
// code page lacks become its default character '?' (the Win32 backend may
// also map them to a close letter, as the system's best-fit tables do).
// With out null or out_size 0 it returns the number of bytes the result
// needs; otherwise it writes the result (no terminator is added) and
// returns its length, or 0 when it does not fit in out_size bytes.
std::size_t wide_to_ansi(const char16_t* w, std::size_t units, char* out, std::size_t out_size);

} // namespace plat
