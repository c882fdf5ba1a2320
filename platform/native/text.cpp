// Text services of the native backend: the rules of the system code page
// for Windows-1252 (the default) and, for the double-byte code pages 932,
// 936, 949 and 950, their lead bytes with ASCII letter rules. The code page
// comes from the environment variable JOL_CODEPAGE.
#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/text.h"

namespace plat {
namespace {

std::atomic<unsigned> g_code_page{0};

unsigned read_code_page() {
    const char* v = std::getenv("JOL_CODEPAGE");
    unsigned cp = v ? static_cast<unsigned>(std::strtoul(v, nullptr, 10)) : 1252;
    if (cp != 932 && cp != 936 && cp != 949 && cp != 950) cp = 1252;
    return cp;
}

bool lead_in(unsigned cp, unsigned char c) {
    switch (cp) {
    case 932:
        return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936:
    case 949:
    case 950:
        return c >= 0x81 && c <= 0xFE;
    default:
        return false;
    }
}

// ------------------------------------------------------- Windows-1252

bool alpha_1252(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    switch (c) {
    case 0x83: // f with hook
    case 0x88: // modifier circumflex
    case 0x8A:
    case 0x8C:
    case 0x8E:
    case 0x9A:
    case 0x9C:
    case 0x9E:
    case 0x9F:
    case 0xAA: // feminine ordinal
    case 0xB5: // micro sign
    case 0xBA: // masculine ordinal
        return true;
    default:
        return c >= 0xC0 && c != 0xD7 && c != 0xF7;
    }
}

unsigned char lower_1252(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
    if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 0x10);
    if (c == 0x9F) return 0xFF;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
    return c;
}

// Sharp s and the micro sign have no capital in the code page.
unsigned char upper_1252(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    if (c == 0x9A || c == 0x9C || c == 0x9E) return static_cast<unsigned char>(c - 0x10);
    if (c == 0xFF) return 0x9F;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
    return c;
}

// UTF-16 values of 0x80 to 0x9F; the five unassigned bytes map to the C1
// control of the same value, as the system does.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t wide_1252(unsigned char c) {
    return (c >= 0x80 && c < 0xA0) ? kHigh1252[c - 0x80] : static_cast<char16_t>(c);
}

int narrow_1252(char16_t w) {
    if (w < 0x80 || (w >= 0xA0 && w <= 0xFF)) return w;
    for (int k = 0; k < 32; ++k)
        if (kHigh1252[k] == w) return 0x80 + k;
    return -1;
}

// ------------------------------------------------------------ ordering
//
// Each character has up to two sort elements (a ligature or sharp s sorts as
// two letters). An element carries the script group and the alphabetic
// weight (first level), the diacritic weight (second level) and the case
// weight (third level); 2 is the plain diacritic and the lower case. Texts
// are compared level by level over all their elements. Word sort sets
// hyphen, apostrophe, dashes and control characters aside: they count only
// after all three levels, by their position (an earlier one sorts later) and
// their weight. String sort gives them a first-level weight in the symbol
// group, before all other punctuation. The soft hyphen is ignored.

enum Kind : std::uint8_t { Primary, Special, Ignored };

struct Element {
    std::uint8_t group;
    std::uint8_t weight;
    std::uint8_t diacritic;
    std::uint8_t letter_case;
};

struct SortChar {
    Kind kind;
    std::uint8_t count;
    Element e[2];
};

// Bytes 0x01 to 0xFF of Windows-1252 in the user-default locale.
constexpr SortChar kSort1252[255] = {
    {Special, 1, {{0x06, 0x03, 0x02, 0x02}}},                           // 01 ctl
    {Special, 1, {{0x06, 0x04, 0x02, 0x02}}},                           // 02 ctl
    {Special, 1, {{0x06, 0x05, 0x02, 0x02}}},                           // 03 ctl
    {Special, 1, {{0x06, 0x06, 0x02, 0x02}}},                           // 04 ctl
    {Special, 1, {{0x06, 0x07, 0x02, 0x02}}},                           // 05 ctl
    {Special, 1, {{0x06, 0x08, 0x02, 0x02}}},                           // 06 ctl
    {Special, 1, {{0x06, 0x09, 0x02, 0x02}}},                           // 07 ctl
    {Special, 1, {{0x06, 0x0A, 0x02, 0x02}}},                           // 08 ctl
    {Primary, 1, {{0x07, 0x05, 0x02, 0x02}}},                           // 09 ctl
    {Primary, 1, {{0x07, 0x06, 0x02, 0x02}}},                           // 0A ctl
    {Primary, 1, {{0x07, 0x07, 0x02, 0x02}}},                           // 0B ctl
    {Primary, 1, {{0x07, 0x08, 0x02, 0x02}}},                           // 0C ctl
    {Primary, 1, {{0x07, 0x09, 0x02, 0x02}}},                           // 0D ctl
    {Special, 1, {{0x06, 0x0B, 0x02, 0x02}}},                           // 0E ctl
    {Special, 1, {{0x06, 0x0C, 0x02, 0x02}}},                           // 0F ctl
    {Special, 1, {{0x06, 0x0D, 0x02, 0x02}}},                           // 10 ctl
    {Special, 1, {{0x06, 0x0E, 0x02, 0x02}}},                           // 11 ctl
    {Special, 1, {{0x06, 0x0F, 0x02, 0x02}}},                           // 12 ctl
    {Special, 1, {{0x06, 0x10, 0x02, 0x02}}},                           // 13 ctl
    {Special, 1, {{0x06, 0x11, 0x02, 0x02}}},                           // 14 ctl
    {Special, 1, {{0x06, 0x12, 0x02, 0x02}}},                           // 15 ctl
    {Special, 1, {{0x06, 0x13, 0x02, 0x02}}},                           // 16 ctl
    {Special, 1, {{0x06, 0x14, 0x02, 0x02}}},                           // 17 ctl
    {Special, 1, {{0x06, 0x15, 0x02, 0x02}}},                           // 18 ctl
    {Special, 1, {{0x06, 0x16, 0x02, 0x02}}},                           // 19 ctl
    {Special, 1, {{0x06, 0x17, 0x02, 0x02}}},                           // 1A ctl
    {Special, 1, {{0x06, 0x18, 0x02, 0x02}}},                           // 1B ctl
    {Special, 1, {{0x06, 0x19, 0x02, 0x02}}},                           // 1C ctl
    {Special, 1, {{0x06, 0x1A, 0x02, 0x02}}},                           // 1D ctl
    {Special, 1, {{0x06, 0x1B, 0x02, 0x02}}},                           // 1E ctl
    {Special, 1, {{0x06, 0x1C, 0x02, 0x02}}},                           // 1F ctl
    {Primary, 1, {{0x07, 0x02, 0x02, 0x02}}},                           // 20
    {Primary, 1, {{0x07, 0x1C, 0x02, 0x02}}},                           // 21 !
    {Primary, 1, {{0x07, 0x1D, 0x02, 0x02}}},                           // 22 "
    {Primary, 1, {{0x07, 0x1F, 0x02, 0x02}}},                           // 23 #
    {Primary, 1, {{0x07, 0x21, 0x02, 0x02}}},                           // 24 $
    {Primary, 1, {{0x07, 0x23, 0x02, 0x02}}},                           // 25 %
    {Primary, 1, {{0x07, 0x25, 0x02, 0x02}}},                           // 26 &
    {Special, 1, {{0x06, 0x80, 0x02, 0x02}}},                           // 27 '
    {Primary, 1, {{0x07, 0x27, 0x02, 0x02}}},                           // 28 (
    {Primary, 1, {{0x07, 0x2A, 0x02, 0x02}}},                           // 29 )
    {Primary, 1, {{0x07, 0x2D, 0x02, 0x02}}},                           // 2A *
    {Primary, 1, {{0x08, 0x03, 0x02, 0x02}}},                           // 2B +
    {Primary, 1, {{0x07, 0x2F, 0x02, 0x02}}},                           // 2C ,
    {Special, 1, {{0x06, 0x82, 0x02, 0x02}}},                           // 2D -
    {Primary, 1, {{0x07, 0x33, 0x02, 0x02}}},                           // 2E .
    {Primary, 1, {{0x07, 0x35, 0x02, 0x02}}},                           // 2F /
    {Primary, 1, {{0x0D, 0x03, 0x02, 0x02}}},                           // 30 0
    {Primary, 1, {{0x0D, 0x1A, 0x02, 0x02}}},                           // 31 1
    {Primary, 1, {{0x0D, 0x1C, 0x02, 0x02}}},                           // 32 2
    {Primary, 1, {{0x0D, 0x1E, 0x02, 0x02}}},                           // 33 3
    {Primary, 1, {{0x0D, 0x20, 0x02, 0x02}}},                           // 34 4
    {Primary, 1, {{0x0D, 0x22, 0x02, 0x02}}},                           // 35 5
    {Primary, 1, {{0x0D, 0x24, 0x02, 0x02}}},                           // 36 6
    {Primary, 1, {{0x0D, 0x26, 0x02, 0x02}}},                           // 37 7
    {Primary, 1, {{0x0D, 0x28, 0x02, 0x02}}},                           // 38 8
    {Primary, 1, {{0x0D, 0x2A, 0x02, 0x02}}},                           // 39 9
    {Primary, 1, {{0x07, 0x37, 0x02, 0x02}}},                           // 3A :
    {Primary, 1, {{0x07, 0x3A, 0x02, 0x02}}},                           // 3B ;
    {Primary, 1, {{0x08, 0x0E, 0x02, 0x02}}},                           // 3C <
    {Primary, 1, {{0x08, 0x12, 0x02, 0x02}}},                           // 3D =
    {Primary, 1, {{0x08, 0x14, 0x02, 0x02}}},                           // 3E >
    {Primary, 1, {{0x07, 0x3C, 0x02, 0x02}}},                           // 3F ?
    {Primary, 1, {{0x07, 0x3E, 0x02, 0x02}}},                           // 40 @
    {Primary, 1, {{0x0E, 0x02, 0x02, 0x12}}},                           // 41 A
    {Primary, 1, {{0x0E, 0x09, 0x02, 0x12}}},                           // 42 B
    {Primary, 1, {{0x0E, 0x0A, 0x02, 0x12}}},                           // 43 C
    {Primary, 1, {{0x0E, 0x1A, 0x02, 0x12}}},                           // 44 D
    {Primary, 1, {{0x0E, 0x21, 0x02, 0x12}}},                           // 45 E
    {Primary, 1, {{0x0E, 0x23, 0x02, 0x12}}},                           // 46 F
    {Primary, 1, {{0x0E, 0x25, 0x02, 0x12}}},                           // 47 G
    {Primary, 1, {{0x0E, 0x2C, 0x02, 0x12}}},                           // 48 H
    {Primary, 1, {{0x0E, 0x32, 0x02, 0x12}}},                           // 49 I
    {Primary, 1, {{0x0E, 0x35, 0x02, 0x12}}},                           // 4A J
    {Primary, 1, {{0x0E, 0x36, 0x02, 0x12}}},                           // 4B K
    {Primary, 1, {{0x0E, 0x48, 0x02, 0x12}}},                           // 4C L
    {Primary, 1, {{0x0E, 0x51, 0x02, 0x12}}},                           // 4D M
    {Primary, 1, {{0x0E, 0x70, 0x02, 0x12}}},                           // 4E N
    {Primary, 1, {{0x0E, 0x7C, 0x02, 0x12}}},                           // 4F O
    {Primary, 1, {{0x0E, 0x7E, 0x02, 0x12}}},                           // 50 P
    {Primary, 1, {{0x0E, 0x89, 0x02, 0x12}}},                           // 51 Q
    {Primary, 1, {{0x0E, 0x8A, 0x02, 0x12}}},                           // 52 R
    {Primary, 1, {{0x0E, 0x91, 0x02, 0x12}}},                           // 53 S
    {Primary, 1, {{0x0E, 0x99, 0x02, 0x12}}},                           // 54 T
    {Primary, 1, {{0x0E, 0x9F, 0x02, 0x12}}},                           // 55 U
    {Primary, 1, {{0x0E, 0xA2, 0x02, 0x12}}},                           // 56 V
    {Primary, 1, {{0x0E, 0xA4, 0x02, 0x12}}},                           // 57 W
    {Primary, 1, {{0x0E, 0xA6, 0x02, 0x12}}},                           // 58 X
    {Primary, 1, {{0x0E, 0xA7, 0x02, 0x12}}},                           // 59 Y
    {Primary, 1, {{0x0E, 0xA9, 0x02, 0x12}}},                           // 5A Z
    {Primary, 1, {{0x07, 0x3F, 0x02, 0x02}}},                           // 5B [
    {Primary, 1, {{0x07, 0x41, 0x02, 0x02}}},                           // 5C backslash
    {Primary, 1, {{0x07, 0x42, 0x02, 0x02}}},                           // 5D ]
    {Primary, 1, {{0x07, 0x43, 0x02, 0x02}}},                           // 5E ^
    {Primary, 1, {{0x07, 0x44, 0x02, 0x02}}},                           // 5F _
    {Primary, 1, {{0x07, 0x48, 0x02, 0x02}}},                           // 60 `
    {Primary, 1, {{0x0E, 0x02, 0x02, 0x02}}},                           // 61 a
    {Primary, 1, {{0x0E, 0x09, 0x02, 0x02}}},                           // 62 b
    {Primary, 1, {{0x0E, 0x0A, 0x02, 0x02}}},                           // 63 c
    {Primary, 1, {{0x0E, 0x1A, 0x02, 0x02}}},                           // 64 d
    {Primary, 1, {{0x0E, 0x21, 0x02, 0x02}}},                           // 65 e
    {Primary, 1, {{0x0E, 0x23, 0x02, 0x02}}},                           // 66 f
    {Primary, 1, {{0x0E, 0x25, 0x02, 0x02}}},                           // 67 g
    {Primary, 1, {{0x0E, 0x2C, 0x02, 0x02}}},                           // 68 h
    {Primary, 1, {{0x0E, 0x32, 0x02, 0x02}}},                           // 69 i
    {Primary, 1, {{0x0E, 0x35, 0x02, 0x02}}},                           // 6A j
    {Primary, 1, {{0x0E, 0x36, 0x02, 0x02}}},                           // 6B k
    {Primary, 1, {{0x0E, 0x48, 0x02, 0x02}}},                           // 6C l
    {Primary, 1, {{0x0E, 0x51, 0x02, 0x02}}},                           // 6D m
    {Primary, 1, {{0x0E, 0x70, 0x02, 0x02}}},                           // 6E n
    {Primary, 1, {{0x0E, 0x7C, 0x02, 0x02}}},                           // 6F o
    {Primary, 1, {{0x0E, 0x7E, 0x02, 0x02}}},                           // 70 p
    {Primary, 1, {{0x0E, 0x89, 0x02, 0x02}}},                           // 71 q
    {Primary, 1, {{0x0E, 0x8A, 0x02, 0x02}}},                           // 72 r
    {Primary, 1, {{0x0E, 0x91, 0x02, 0x02}}},                           // 73 s
    {Primary, 1, {{0x0E, 0x99, 0x02, 0x02}}},                           // 74 t
    {Primary, 1, {{0x0E, 0x9F, 0x02, 0x02}}},                           // 75 u
    {Primary, 1, {{0x0E, 0xA2, 0x02, 0x02}}},                           // 76 v
    {Primary, 1, {{0x0E, 0xA4, 0x02, 0x02}}},                           // 77 w
    {Primary, 1, {{0x0E, 0xA6, 0x02, 0x02}}},                           // 78 x
    {Primary, 1, {{0x0E, 0xA7, 0x02, 0x02}}},                           // 79 y
    {Primary, 1, {{0x0E, 0xA9, 0x02, 0x02}}},                           // 7A z
    {Primary, 1, {{0x07, 0x4A, 0x02, 0x02}}},                           // 7B {
    {Primary, 1, {{0x07, 0x4C, 0x02, 0x02}}},                           // 7C |
    {Primary, 1, {{0x07, 0x4E, 0x02, 0x02}}},                           // 7D }
    {Primary, 1, {{0x07, 0x50, 0x02, 0x02}}},                           // 7E ~
    {Special, 1, {{0x06, 0x1D, 0x02, 0x02}}},                           // 7F ctl
    {Primary, 1, {{0x07, 0xA9, 0x02, 0x02}}},                           // 80 U+20AC
    {Primary, 1, {{0x0C, 0xFA, 0x1E, 0x02}}},                           // 81 U+0081
    {Primary, 1, {{0x07, 0x7B, 0x02, 0x02}}},                           // 82 U+201A
    {Primary, 1, {{0x0E, 0x23, 0x43, 0x02}}},                           // 83 U+0192
    {Primary, 1, {{0x07, 0x7F, 0x02, 0x02}}},                           // 84 U+201E
    {Primary, 1, {{0x0A, 0x10, 0x02, 0x02}}},                           // 85 U+2026
    {Primary, 1, {{0x0B, 0x25, 0x02, 0x02}}},                           // 86 U+2020
    {Primary, 1, {{0x0B, 0x26, 0x02, 0x02}}},                           // 87 U+2021
    {Primary, 1, {{0x07, 0x43, 0x02, 0x02}}},                           // 88 U+02C6
    {Primary, 1, {{0x0B, 0x2C, 0x0C, 0x02}}},                           // 89 U+2030
    {Primary, 1, {{0x0E, 0x91, 0x14, 0x12}}},                           // 8A U+0160
    {Primary, 1, {{0x07, 0x88, 0x02, 0x02}}},                           // 8B U+2039
    {Primary, 2, {{0x0E, 0x7C, 0x02, 0x12}, {0x0E, 0x21, 0x02, 0x12}}}, // 8C U+0152
    {Primary, 1, {{0x0C, 0xFA, 0x2A, 0x02}}},                           // 8D U+008D
    {Primary, 1, {{0x0E, 0xA9, 0x14, 0x12}}},                           // 8E U+017D
    {Primary, 1, {{0x0C, 0xFA, 0x2C, 0x02}}},                           // 8F U+008F
    {Primary, 1, {{0x0C, 0xFA, 0x2D, 0x02}}},                           // 90 U+0090
    {Primary, 1, {{0x07, 0x79, 0x02, 0x02}}},                           // 91 U+2018
    {Primary, 1, {{0x07, 0x7A, 0x02, 0x02}}},                           // 92 U+2019
    {Primary, 1, {{0x07, 0x7D, 0x02, 0x02}}},                           // 93 U+201C
    {Primary, 1, {{0x07, 0x7E, 0x02, 0x02}}},                           // 94 U+201D
    {Primary, 1, {{0x0B, 0x27, 0x02, 0x02}}},                           // 95 U+2022
    {Special, 1, {{0x06, 0x89, 0x02, 0x02}}},                           // 96 U+2013
    {Special, 1, {{0x06, 0x90, 0x02, 0x02}}},                           // 97 U+2014
    {Primary, 1, {{0x07, 0x5D, 0x02, 0x02}}},                           // 98 U+02DC
    {Primary, 1, {{0x0E, 0x9C, 0x02, 0x12}}},                           // 99 U+2122
    {Primary, 1, {{0x0E, 0x91, 0x14, 0x02}}},                           // 9A U+0161
    {Primary, 1, {{0x07, 0x89, 0x02, 0x02}}},                           // 9B U+203A
    {Primary, 2, {{0x0E, 0x7C, 0x02, 0x02}, {0x0E, 0x21, 0x02, 0x02}}}, // 9C U+0153
    {Primary, 1, {{0x0C, 0xFA, 0x3A, 0x02}}},                           // 9D U+009D
    {Primary, 1, {{0x0E, 0xA9, 0x14, 0x02}}},                           // 9E U+017E
    {Primary, 1, {{0x0E, 0xA7, 0x13, 0x12}}},                           // 9F U+0178
    {Primary, 1, {{0x07, 0x04, 0x02, 0x02}}},                           // A0 U+00A0
    {Primary, 1, {{0x07, 0x51, 0x02, 0x02}}},                           // A1 U+00A1
    {Primary, 1, {{0x07, 0x97, 0x02, 0x02}}},                           // A2 U+00A2
    {Primary, 1, {{0x07, 0x98, 0x02, 0x02}}},                           // A3 U+00A3
    {Primary, 1, {{0x07, 0x99, 0x02, 0x02}}},                           // A4 U+00A4
    {Primary, 1, {{0x07, 0x9A, 0x02, 0x02}}},                           // A5 U+00A5
    {Primary, 1, {{0x07, 0x52, 0x02, 0x02}}},                           // A6 U+00A6
    {Primary, 1, {{0x0A, 0x06, 0x02, 0x02}}},                           // A7 U+00A7
    {Primary, 1, {{0x07, 0x53, 0x02, 0x02}}},                           // A8 U+00A8
    {Primary, 1, {{0x0A, 0x07, 0x02, 0x02}}},                           // A9 U+00A9
    {Primary, 1, {{0x0E, 0x02, 0x03, 0x0E}}},                           // AA U+00AA
    {Primary, 1, {{0x08, 0x18, 0x02, 0x02}}},                           // AB U+00AB
    {Primary, 1, {{0x0A, 0x08, 0x02, 0x02}}},                           // AC U+00AC
    {Ignored, 0, {}},                                                   // AD U+00AD
    {Primary, 1, {{0x0A, 0x09, 0x02, 0x02}}},                           // AE U+00AE
    {Primary, 1, {{0x07, 0x54, 0x02, 0x02}}},                           // AF U+00AF
    {Primary, 1, {{0x0A, 0x0A, 0x02, 0x02}}},                           // B0 U+00B0
    {Primary, 1, {{0x08, 0x17, 0x02, 0x02}}},                           // B1 U+00B1
    {Primary, 1, {{0x0D, 0x1C, 0x02, 0x0E}}},                           // B2 U+00B2
    {Primary, 1, {{0x0D, 0x1E, 0x02, 0x0E}}},                           // B3 U+00B3
    {Primary, 1, {{0x07, 0x55, 0x02, 0x02}}},                           // B4 U+00B4
    {Primary, 1, {{0x0A, 0x0B, 0x02, 0x02}}},                           // B5 U+00B5
    {Primary, 1, {{0x0A, 0x0C, 0x02, 0x02}}},                           // B6 U+00B6
    {Primary, 1, {{0x0A, 0x0D, 0x02, 0x02}}},                           // B7 U+00B7
    {Primary, 1, {{0x07, 0x56, 0x02, 0x02}}},                           // B8 U+00B8
    {Primary, 1, {{0x0D, 0x1A, 0x02, 0x0E}}},                           // B9 U+00B9
    {Primary, 1, {{0x0E, 0x7C, 0x03, 0x0E}}},                           // BA U+00BA
    {Primary, 1, {{0x08, 0x1A, 0x02, 0x02}}},                           // BB U+00BB
    {Primary, 1, {{0x0D, 0x0D, 0x02, 0x02}}},                           // BC U+00BC
    {Primary, 1, {{0x0D, 0x11, 0x02, 0x02}}},                           // BD U+00BD
    {Primary, 1, {{0x0D, 0x15, 0x02, 0x02}}},                           // BE U+00BE
    {Primary, 1, {{0x07, 0x57, 0x02, 0x02}}},                           // BF U+00BF
    {Primary, 1, {{0x0E, 0x02, 0x0F, 0x12}}},                           // C0 U+00C0
    {Primary, 1, {{0x0E, 0x02, 0x0E, 0x12}}},                           // C1 U+00C1
    {Primary, 1, {{0x0E, 0x02, 0x12, 0x12}}},                           // C2 U+00C2
    {Primary, 1, {{0x0E, 0x02, 0x19, 0x12}}},                           // C3 U+00C3
    {Primary, 1, {{0x0E, 0x02, 0x13, 0x12}}},                           // C4 U+00C4
    {Primary, 1, {{0x0E, 0x02, 0x1A, 0x12}}},                           // C5 U+00C5
    {Primary, 2, {{0x0E, 0x02, 0x02, 0x12}, {0x0E, 0x21, 0x02, 0x12}}}, // C6 U+00C6
    {Primary, 1, {{0x0E, 0x0A, 0x1C, 0x12}}},                           // C7 U+00C7
    {Primary, 1, {{0x0E, 0x21, 0x0F, 0x12}}},                           // C8 U+00C8
    {Primary, 1, {{0x0E, 0x21, 0x0E, 0x12}}},                           // C9 U+00C9
    {Primary, 1, {{0x0E, 0x21, 0x12, 0x12}}},                           // CA U+00CA
    {Primary, 1, {{0x0E, 0x21, 0x13, 0x12}}},                           // CB U+00CB
    {Primary, 1, {{0x0E, 0x32, 0x0F, 0x12}}},                           // CC U+00CC
    {Primary, 1, {{0x0E, 0x32, 0x0E, 0x12}}},                           // CD U+00CD
    {Primary, 1, {{0x0E, 0x32, 0x12, 0x12}}},                           // CE U+00CE
    {Primary, 1, {{0x0E, 0x32, 0x13, 0x12}}},                           // CF U+00CF
    {Primary, 1, {{0x0E, 0x1A, 0x68, 0x12}}},                           // D0 U+00D0
    {Primary, 1, {{0x0E, 0x70, 0x19, 0x12}}},                           // D1 U+00D1
    {Primary, 1, {{0x0E, 0x7C, 0x0F, 0x12}}},                           // D2 U+00D2
    {Primary, 1, {{0x0E, 0x7C, 0x0E, 0x12}}},                           // D3 U+00D3
    {Primary, 1, {{0x0E, 0x7C, 0x12, 0x12}}},                           // D4 U+00D4
    {Primary, 1, {{0x0E, 0x7C, 0x19, 0x12}}},                           // D5 U+00D5
    {Primary, 1, {{0x0E, 0x7C, 0x13, 0x12}}},                           // D6 U+00D6
    {Primary, 1, {{0x08, 0x1C, 0x02, 0x02}}},                           // D7 U+00D7
    {Primary, 1, {{0x0E, 0x7C, 0x21, 0x12}}},                           // D8 U+00D8
    {Primary, 1, {{0x0E, 0x9F, 0x0F, 0x12}}},                           // D9 U+00D9
    {Primary, 1, {{0x0E, 0x9F, 0x0E, 0x12}}},                           // DA U+00DA
    {Primary, 1, {{0x0E, 0x9F, 0x12, 0x12}}},                           // DB U+00DB
    {Primary, 1, {{0x0E, 0x9F, 0x13, 0x12}}},                           // DC U+00DC
    {Primary, 1, {{0x0E, 0xA7, 0x0E, 0x12}}},                           // DD U+00DD
    {Primary, 2, {{0x0E, 0x99, 0x02, 0x12}, {0x0E, 0x2C, 0x02, 0x12}}}, // DE U+00DE
    {Primary, 2, {{0x0E, 0x91, 0x02, 0x02}, {0x0E, 0x91, 0x02, 0x02}}}, // DF U+00DF
    {Primary, 1, {{0x0E, 0x02, 0x0F, 0x02}}},                           // E0 U+00E0
    {Primary, 1, {{0x0E, 0x02, 0x0E, 0x02}}},                           // E1 U+00E1
    {Primary, 1, {{0x0E, 0x02, 0x12, 0x02}}},                           // E2 U+00E2
    {Primary, 1, {{0x0E, 0x02, 0x19, 0x02}}},                           // E3 U+00E3
    {Primary, 1, {{0x0E, 0x02, 0x13, 0x02}}},                           // E4 U+00E4
    {Primary, 1, {{0x0E, 0x02, 0x1A, 0x02}}},                           // E5 U+00E5
    {Primary, 2, {{0x0E, 0x02, 0x02, 0x02}, {0x0E, 0x21, 0x02, 0x02}}}, // E6 U+00E6
    {Primary, 1, {{0x0E, 0x0A, 0x1C, 0x02}}},                           // E7 U+00E7
    {Primary, 1, {{0x0E, 0x21, 0x0F, 0x02}}},                           // E8 U+00E8
    {Primary, 1, {{0x0E, 0x21, 0x0E, 0x02}}},                           // E9 U+00E9
    {Primary, 1, {{0x0E, 0x21, 0x12, 0x02}}},                           // EA U+00EA
    {Primary, 1, {{0x0E, 0x21, 0x13, 0x02}}},                           // EB U+00EB
    {Primary, 1, {{0x0E, 0x32, 0x0F, 0x02}}},                           // EC U+00EC
    {Primary, 1, {{0x0E, 0x32, 0x0E, 0x02}}},                           // ED U+00ED
    {Primary, 1, {{0x0E, 0x32, 0x12, 0x02}}},                           // EE U+00EE
    {Primary, 1, {{0x0E, 0x32, 0x13, 0x02}}},                           // EF U+00EF
    {Primary, 1, {{0x0E, 0x1A, 0x68, 0x02}}},                           // F0 U+00F0
    {Primary, 1, {{0x0E, 0x70, 0x19, 0x02}}},                           // F1 U+00F1
    {Primary, 1, {{0x0E, 0x7C, 0x0F, 0x02}}},                           // F2 U+00F2
    {Primary, 1, {{0x0E, 0x7C, 0x0E, 0x02}}},                           // F3 U+00F3
    {Primary, 1, {{0x0E, 0x7C, 0x12, 0x02}}},                           // F4 U+00F4
    {Primary, 1, {{0x0E, 0x7C, 0x19, 0x02}}},                           // F5 U+00F5
    {Primary, 1, {{0x0E, 0x7C, 0x13, 0x02}}},                           // F6 U+00F6
    {Primary, 1, {{0x08, 0x1D, 0x02, 0x02}}},                           // F7 U+00F7
    {Primary, 1, {{0x0E, 0x7C, 0x21, 0x02}}},                           // F8 U+00F8
    {Primary, 1, {{0x0E, 0x9F, 0x0F, 0x02}}},                           // F9 U+00F9
    {Primary, 1, {{0x0E, 0x9F, 0x0E, 0x02}}},                           // FA U+00FA
    {Primary, 1, {{0x0E, 0x9F, 0x12, 0x02}}},                           // FB U+00FB
    {Primary, 1, {{0x0E, 0x9F, 0x13, 0x02}}},                           // FC U+00FC
    {Primary, 1, {{0x0E, 0xA7, 0x0E, 0x02}}},                           // FD U+00FD
    {Primary, 2, {{0x0E, 0x99, 0x02, 0x02}, {0x0E, 0x2C, 0x02, 0x02}}}, // FE U+00FE
    {Primary, 1, {{0x0E, 0xA7, 0x13, 0x02}}},                           // FF U+00FF
};

struct Weight {
    std::uint16_t group; // wider than a byte for characters outside the table
    std::uint16_t weight;
    std::uint8_t diacritic;
    std::uint8_t letter_case;
};

// Walks the sort elements of a text. Characters outside the 1252 table
// (double-byte characters, high bytes of a double-byte code page) sort after
// all letters by their code, with plain diacritic and case.
class SortWalker {
public:
    SortWalker(const char* s, unsigned cp, bool string_sort)
        : p_(reinterpret_cast<const unsigned char*>(s)), cp_(cp), string_sort_(string_sort) {}

    // The next first-level element; false at the end of the text.
    bool next(Weight& w) {
        for (;;) {
            if (k_ < n_) {
                w = pend_[k_++];
                ++primaries_;
                return true;
            }
            if (!load()) return false;
            if (special_) {
                n_ = 0;
                continue;
            }
        }
    }

    // The next set-aside character of word sort with the number of
    // first-level elements before it; false at the end of the text.
    bool next_special(unsigned& position, std::uint8_t& weight) {
        for (;;) {
            if (k_ < n_) {
                primaries_ += n_ - k_;
                k_ = n_;
            }
            if (!load()) return false;
            if (special_) {
                position = primaries_;
                weight = special_weight_;
                n_ = 0;
                return true;
            }
        }
    }

private:
    // Decodes the next character into pend_; false at the end.
    bool load() {
        k_ = n_ = 0;
        special_ = false;
        for (;;) {
            unsigned char c = *p_;
            if (c == 0) return false;
            ++p_;
            if (cp_ != 1252 && c >= 0x80) {
                std::uint16_t code = c;
                if (lead_in(cp_, c) && *p_ != 0) {
                    code = static_cast<std::uint16_t>(c << 8 | *p_);
                    ++p_;
                }
                pend_[0] = Weight{0x100, code, 2, 2};
                n_ = 1;
                return true;
            }
            const SortChar& sc = kSort1252[c - 1];
            if (sc.kind == Ignored) continue;
            if (sc.kind == Special && !string_sort_) {
                special_ = true;
                special_weight_ = sc.e[0].weight;
                return true;
            }
            for (int i = 0; i < sc.count; ++i)
                pend_[i] =
                    Weight{sc.e[i].group, sc.e[i].weight, sc.e[i].diacritic, sc.e[i].letter_case};
            n_ = sc.count;
            return true;
        }
    }

    const unsigned char* p_;
    unsigned cp_;
    bool string_sort_;
    Weight pend_[2] = {};
    int n_ = 0;
    int k_ = 0;
    bool special_ = false;
    std::uint8_t special_weight_ = 0;
    unsigned primaries_ = 0;
};

bool is_ascii_alnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int sign(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

// The upper-case bit of a case weight; ignoring case drops only this bit,
// so a superscript digit still differs from the plain digit.
constexpr std::uint8_t kUpperCaseBit = 0x10;

// Compares one level: 1 first level, 2 diacritics, 3 case, 4 case without
// the upper-case bit.
int compare_level(const char* a, const char* b, unsigned cp, bool string_sort, int level) {
    SortWalker wa(a, cp, string_sort), wb(b, cp, string_sort);
    for (;;) {
        Weight x{}, y{};
        bool ha = wa.next(x), hb = wb.next(y);
        if (!ha || !hb) return ha ? 1 : (hb ? -1 : 0);
        int d = 0;
        if (level == 1) {
            d = x.group != y.group ? int(x.group) - int(y.group) : int(x.weight) - int(y.weight);
        } else if (level == 2) {
            d = int(x.diacritic) - int(y.diacritic);
        } else if (level == 3) {
            d = int(x.letter_case) - int(y.letter_case);
        } else {
            d = int(x.letter_case & ~kUpperCaseBit) - int(y.letter_case & ~kUpperCaseBit);
        }
        if (d) return sign(d);
    }
}

int compare_special(const char* a, const char* b, unsigned cp) {
    SortWalker wa(a, cp, false), wb(b, cp, false);
    for (;;) {
        unsigned pa = 0, pb = 0;
        std::uint8_t xa = 0, xb = 0;
        bool ha = wa.next_special(pa, xa), hb = wb.next_special(pb, xb);
        if (!ha || !hb) return ha ? 1 : (hb ? -1 : 0);
        if (pa != pb) return pa < pb ? 1 : -1;
        if (xa != xb) return xa < xb ? -1 : 1;
    }
}

// ------------------------------------------------- double-byte texts

// Converts one character with iconv; returns the bytes written or -1.
long iconv_piece(const char* to, const char* from, const char* in, std::size_t in_len, char* out,
                 std::size_t out_len) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return -1;
    char* ip = const_cast<char*>(in);
    char* op = out;
    std::size_t il = in_len, ol = out_len;
    std::size_t r = iconv(cd, &ip, &il, &op, &ol);
    long n = (r == static_cast<std::size_t>(-1) || il != 0) ? -1 : static_cast<long>(op - out);
    iconv_close(cd);
    return n;
}

const char* iconv_name(unsigned cp) {
    switch (cp) {
    case 932:
        return "CP932";
    case 936:
        return "CP936";
    case 949:
        return "CP949";
    default:
        return "CP950";
    }
}

} // namespace

unsigned refresh_code_page() {
    unsigned cp = read_code_page();
    g_code_page.store(cp, std::memory_order_relaxed);
    return cp;
}

unsigned code_page() {
    unsigned cp = g_code_page.load(std::memory_order_relaxed);
    return cp ? cp : refresh_code_page();
}

bool is_lead_byte(unsigned char c) {
    return lead_in(code_page(), c);
}

bool is_alpha(unsigned char c) {
    if (code_page() == 1252) return alpha_1252(c);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool is_alnum(unsigned char c) {
    if (c >= '0' && c <= '9') return true;
    if (code_page() == 1252 && (c == 0xB2 || c == 0xB3 || c == 0xB9)) return true;
    return is_alpha(c);
}

char to_lower_char(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    if (code_page() == 1252) return static_cast<char>(lower_1252(u));
    return (u >= 'A' && u <= 'Z') ? static_cast<char>(u + 0x20) : c;
}

char to_upper_char(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    if (code_page() == 1252) return static_cast<char>(upper_1252(u));
    return (u >= 'a' && u <= 'z') ? static_cast<char>(u - 0x20) : c;
}

void to_lower(char* s) {
    if (!s) return;
    unsigned cp = code_page();
    while (*s) {
        if (lead_in(cp, static_cast<unsigned char>(*s))) {
            if (s[1] == 0) return; // a lead byte before the end stays as it is
            s += 2;
            continue;
        }
        *s = to_lower_char(*s);
        ++s;
    }
}

void to_upper(char* s) {
    if (!s) return;
    unsigned cp = code_page();
    while (*s) {
        if (lead_in(cp, static_cast<unsigned char>(*s))) {
            if (s[1] == 0) return;
            s += 2;
            continue;
        }
        *s = to_upper_char(*s);
        ++s;
    }
}

int compare_text(const char* a, const char* b, bool ignore_case, bool string_sort) {
    if (!a) a = "";
    if (!b) b = "";
    // The same bytes are equal at every level; so is a shared start of
    // plain letters and digits, each one element of the same weights in
    // both texts (and the same count of elements before any character set
    // aside), so the comparison starts after it. A lead byte of a
    // double-byte character is never part of it, so no character is split.
    std::size_t same = 0;
    while (a[same] && a[same] == b[same] && is_ascii_alnum(a[same]))
        ++same;
    if (!a[same] && !b[same]) return 0;
    a += same;
    b += same;
    // Two ASCII characters right after it that are each one first-level
    // element (in either sort, in every code page) and whose elements
    // differ: they are the first elements that differ, and the first level
    // decides.
    const auto ca = static_cast<unsigned char>(*a), cb = static_cast<unsigned char>(*b);
    if (ca != 0 && cb != 0 && ca < 0x80 && cb < 0x80) {
        const SortChar& x = kSort1252[ca - 1];
        const SortChar& y = kSort1252[cb - 1];
        if (x.kind == Primary && y.kind == Primary && x.count == 1 && y.count == 1) {
            const Element& ex = x.e[0];
            const Element& ey = y.e[0];
            if (ex.group != ey.group) return ex.group < ey.group ? -1 : 1;
            if (ex.weight != ey.weight) return ex.weight < ey.weight ? -1 : 1;
        }
    }
    if (std::strcmp(a, b) == 0) return 0;
    unsigned cp = code_page();
    int r = compare_level(a, b, cp, string_sort, 1);
    if (r == 0) r = compare_level(a, b, cp, string_sort, 2);
    if (r == 0) r = compare_level(a, b, cp, string_sort, ignore_case ? 4 : 3);
    if (r == 0 && !string_sort) r = compare_special(a, b, cp);
    return r;
}

std::size_t wide_to_code_page(const char16_t* w, std::size_t len, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    out[0] = 0;
    if (!w) return 0;
    unsigned cp = code_page();
    std::size_t written = 0;
    // One UTF-16 unit at a time: a surrogate half has no place in any of
    // these code pages and becomes the default character on its own.
    for (std::size_t i = 0; i < len; ++i) {
        char piece[4];
        std::size_t n = 1;
        piece[0] = '?';
        if (cp == 1252) {
            int c = narrow_1252(w[i]);
            if (c >= 0) piece[0] = static_cast<char>(c);
        } else if (w[i] < 0x80) {
            piece[0] = static_cast<char>(w[i]);
        } else if (w[i] < 0xD800 || w[i] >= 0xE000) {
            unsigned char in[2] = {static_cast<unsigned char>(w[i] & 0xFF),
                                   static_cast<unsigned char>(w[i] >> 8)};
            long m = iconv_piece(iconv_name(cp), "UTF-16LE", reinterpret_cast<char*>(in), 2, piece,
                                 sizeof piece);
            if (m > 0 && m <= 2)
                n = static_cast<std::size_t>(m);
            else
                piece[0] = '?';
        }
        if (written + n > out_size - 1) break;
        for (std::size_t k = 0; k < n; ++k)
            out[written++] = piece[k];
    }
    out[written] = 0;
    return written;
}

std::size_t code_page_to_wide(const char* s, std::size_t len, char16_t* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    out[0] = 0;
    if (!s) return 0;
    unsigned cp = code_page();
    std::size_t written = 0;
    std::size_t i = 0;
    while (i < len && written < out_size - 1) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char16_t u = static_cast<char16_t>(c);
        std::size_t bytes = 1;
        if (cp == 1252) {
            u = wide_1252(c);
        } else if (c >= 0x80) {
            if (lead_in(cp, c) && i + 1 < len && s[i + 1] != 0) bytes = 2;
            unsigned char piece[4];
            long m = iconv_piece("UTF-16LE", iconv_name(cp), s + i, bytes,
                                 reinterpret_cast<char*>(piece), sizeof piece);
            u = m == 2 ? static_cast<char16_t>(piece[0] | piece[1] << 8) : char16_t(0xFFFD);
        }
        out[written++] = u;
        i += bytes;
    }
    out[written] = 0;
    return written;
}

} // namespace plat
