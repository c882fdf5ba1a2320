// Text services of the code page. The expectations are the system's own
// answers for code page 1252 in the user-default locale, so the same tests
// hold for the native backend and for the Win32 backend.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "platform/text.h"

namespace {

int Sign(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

// Sign of the comparison in the four modes: word sort, word sort ignoring
// case, string sort, string sort ignoring case.
struct Order {
    const char* a;
    const char* b;
    int word, word_nocase, string, string_nocase;
};

class PlatformText : public ::testing::Test {
protected:
    void SetUp() override {
        if (plat::code_page() != 1252) GTEST_SKIP() << "code page " << plat::code_page();
    }
};

TEST_F(PlatformText, LetterClasses) {
    for (unsigned char c = 'A'; c <= 'Z'; ++c) {
        EXPECT_TRUE(plat::is_alpha(c));
        EXPECT_TRUE(plat::is_alpha(static_cast<unsigned char>(c + 0x20)));
    }
    for (unsigned char c = '0'; c <= '9'; ++c) {
        EXPECT_FALSE(plat::is_alpha(c));
        EXPECT_TRUE(plat::is_alnum(c));
    }
    // accented letters, ligatures, ordinals and the micro sign are letters
    for (unsigned char c :
         {0xC0, 0xC9, 0xD6, 0xD8, 0xDF, 0xE9, 0xFF, 0x8A, 0x9C, 0x9F, 0x83, 0xAA, 0xBA, 0xB5})
        EXPECT_TRUE(plat::is_alpha(c)) << std::hex << unsigned(c);
    // signs between the letters are not
    for (unsigned char c : {0xD7, 0xF7, 0x80, 0xA9, 0xBF, 0x20, 0x5F, 0x2D, 0x40, 0x5B, 0x60, 0x7B})
        EXPECT_FALSE(plat::is_alnum(c)) << std::hex << unsigned(c);
    // superscript digits are alphanumeric without being letters; fractions
    // are neither
    for (unsigned char c : {0xB2, 0xB3, 0xB9}) {
        EXPECT_FALSE(plat::is_alpha(c));
        EXPECT_TRUE(plat::is_alnum(c));
    }
    EXPECT_FALSE(plat::is_alnum(0xBD));
    EXPECT_FALSE(plat::is_alpha(0));
    for (int c = 0; c < 256; ++c)
        EXPECT_FALSE(plat::is_lead_byte(static_cast<unsigned char>(c)));
}

TEST_F(PlatformText, CaseMapping) {
    EXPECT_EQ(plat::to_lower_char('Q'), 'q');
    EXPECT_EQ(plat::to_upper_char('q'), 'Q');
    EXPECT_EQ(plat::to_lower_char('\xC9'), '\xE9');
    EXPECT_EQ(plat::to_upper_char('\xE9'), '\xC9');
    EXPECT_EQ(plat::to_lower_char('\x8A'), '\x9A');
    EXPECT_EQ(plat::to_lower_char('\x9F'), '\xFF'); // capital y diaeresis
    EXPECT_EQ(plat::to_upper_char('\xFF'), '\x9F');
    // no capital in the code page: sharp s, micro sign; signs stay
    EXPECT_EQ(plat::to_upper_char('\xDF'), '\xDF');
    EXPECT_EQ(plat::to_upper_char('\xB5'), '\xB5');
    EXPECT_EQ(plat::to_lower_char('\xD7'), '\xD7');
    EXPECT_EQ(plat::to_upper_char('\xF7'), '\xF7');
    EXPECT_EQ(plat::to_lower_char('@'), '@');

    char s[] = "Gr\xDC\xDF"
               "e, \xC0 BIENT\xD4T!";
    plat::to_lower(s);
    EXPECT_STREQ(s, "gr\xFC\xDF"
                    "e, \xE0 bient\xF4t!");
    plat::to_upper(s);
    EXPECT_STREQ(s, "GR\xDC\xDF"
                    "E, \xC0 BIENT\xD4T!");
    char empty[] = "";
    plat::to_lower(empty);
    plat::to_upper(nullptr);
    EXPECT_STREQ(empty, "");

    EXPECT_TRUE(plat::same_text_ignoring_case("Pw_Name\xC9", "pW_nAME\xE9"));
    EXPECT_TRUE(plat::same_text_ignoring_case("", ""));
    EXPECT_FALSE(plat::same_text_ignoring_case("name", "names"));
    EXPECT_FALSE(plat::same_text_ignoring_case("stra\xDF"
                                               "e",
                                               "STRASSE"));
}

TEST_F(PlatformText, Ordering) {
    const Order cases[] = {
        // case is a later level than the letters
        {"a", "B", -1, -1, -1, -1},
        {"a", "A", -1, 0, -1, 0},
        {"A", "b", -1, -1, -1, -1},
        {"AB", "ab", 1, 0, 1, 0},
        {"zebra", "Zebra", -1, 0, -1, 0},
        // word sort sets hyphen and apostrophe aside, string sort does not
        {"co-op", "coop", 1, 1, -1, -1},
        {"coop", "co-op", -1, -1, 1, 1},
        {"it's", "its", 1, 1, -1, -1},
        {"x-ray", "xray", 1, 1, -1, -1},
        {"xray", "x-rbx", -1, -1, 1, 1},
        // an earlier hyphen sorts later
        {"a-b", "ab-", 1, 1, -1, -1},
        {"-ab", "a-b", 1, 1, -1, -1},
        {"-", "!", -1, -1, -1, -1},
        {"\x96", "-", 1, 1, 1, 1}, // en dash after hyphen
        // punctuation before digits before letters
        {"!", "0", -1, -1, -1, -1},
        {"_", "0", -1, -1, -1, -1},
        {"0", "a", -1, -1, -1, -1},
        {"a.b", "ab", -1, -1, -1, -1},
        {"a1", "a10", -1, -1, -1, -1},
        {"a10", "a2", -1, -1, -1, -1},
        // accents are a level between letters and case
        {"r\xE9sum\xE9", "resume", 1, 1, 1, 1},
        {"r\xE9sum\xE9", "R\xE9sum\xE9", -1, 0, -1, 0},
        {"\xE9", "f", -1, -1, -1, -1},
        {"a\xE0",
         "\xE0"
         "a",
         -1, -1, -1, -1},
        // ligatures and sharp s sort as their letters
        {"\xE6", "ae", 0, 0, 0, 0},
        {"\xDF", "ss", 0, 0, 0, 0},
        {"\xDF", "st", -1, -1, -1, -1},
        // a superscript digit differs from the digit even ignoring case
        {"\xB2", "2", 1, 1, 1, 1},
        // the soft hyphen is ignored
        {"a\xAD"
         "b",
         "ab", 0, 0, 0, 0},
        {"", "a", -1, -1, -1, -1},
        {"", "", 0, 0, 0, 0},
        {"abc", "ab", 1, 1, 1, 1},
        // the first letters or digits that differ decide, whatever follows
        {"abd", "abc", 1, 1, 1, 1},
        {"Zb", "a", 1, 1, 1, 1},
        {"a9x", "aA", -1, -1, -1, -1},
        {"b", "A-", 1, 1, 1, 1},
        {"The end", "*EOF*", 1, 1, 1, 1},
    };
    for (const Order& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        EXPECT_EQ(Sign(plat::compare_text(c.a, c.b, false, false)), c.word);
        EXPECT_EQ(Sign(plat::compare_text(c.a, c.b, true, false)), c.word_nocase);
        EXPECT_EQ(Sign(plat::compare_text(c.a, c.b, false, true)), c.string);
        EXPECT_EQ(Sign(plat::compare_text(c.a, c.b, true, true)), c.string_nocase);
        // the order is antisymmetric
        EXPECT_EQ(Sign(plat::compare_text(c.b, c.a, false, false)), -c.word);
        EXPECT_EQ(Sign(plat::compare_text(c.b, c.a, true, true)), -c.string_nocase);
        // and the same after a shared start of letters and digits
        const std::string a = std::string("Qz09") + c.a, b = std::string("Qz09") + c.b;
        EXPECT_EQ(Sign(plat::compare_text(a.c_str(), b.c_str(), false, false)), c.word);
        EXPECT_EQ(Sign(plat::compare_text(a.c_str(), b.c_str(), true, false)), c.word_nocase);
        EXPECT_EQ(Sign(plat::compare_text(a.c_str(), b.c_str(), false, true)), c.string);
        EXPECT_EQ(Sign(plat::compare_text(a.c_str(), b.c_str(), true, true)), c.string_nocase);
    }
    EXPECT_EQ(plat::compare_text(nullptr, "", false, false), 0);
}

#if !defined(_WIN32)
// The comparison decides some orders from the first characters that differ
// and walks the elements for the rest. A soft hyphen (ignored at every
// level) at the start of both texts forces the walk: both ways must agree
// on every pair of short ASCII texts, after a shared start or without one.
TEST_F(PlatformText, FirstDifferenceAgreesWithTheWalk) {
    std::vector<std::string> texts;
    for (int c = 1; c < 128; ++c)
        texts.emplace_back(1, static_cast<char>(c));
    const char some[] = "\t -'!*09AZaz_.~\x7F";
    for (const char x : std::string(some))
        for (const char y : std::string(some))
            texts.push_back(std::string{x, y});
    for (const char* start : {"", "ab", "Q9"}) {
        for (const std::string& a : texts)
            for (const std::string& b : texts) {
                const std::string sa = start + a, sb = start + b;
                const std::string wa = "\xAD" + sa, wb = "\xAD" + sb;
                for (int flags = 0; flags < 4; ++flags) {
                    const bool nocase = flags & 1, string_sort = flags & 2;
                    ASSERT_EQ(Sign(plat::compare_text(sa.c_str(), sb.c_str(), nocase, string_sort)),
                              Sign(plat::compare_text(wa.c_str(), wb.c_str(), nocase, string_sort)))
                        << "[" << sa << "] [" << sb << "] " << flags;
                }
            }
    }
}
#endif

TEST_F(PlatformText, WideConversion) {
    const char16_t wide[] = {u'A', 0x20AC, 0x0100, 0x00FF, 0x0178, 0xD83D, 0xDE00, 0x3042, 0};
    char out[32];
    std::size_t n = plat::wide_to_code_page(wide, 8, out, sizeof out);
    // no best fit: A-macron has no place and becomes the default character;
    // each half of a surrogate pair does as well
    EXPECT_EQ(n, 8u);
    EXPECT_STREQ(out, "A\x80?\xFF\x9F???");
    // the output is cut at its size, always terminated
    n = plat::wide_to_code_page(wide, 8, out, 3);
    EXPECT_EQ(n, 2u);
    EXPECT_STREQ(out, "A\x80");
    EXPECT_EQ(plat::wide_to_code_page(wide, 8, out, 0), 0u);

    const char bytes[] = "a\x80\x81\x9F\xE9";
    char16_t back[16];
    n = plat::code_page_to_wide(bytes, 5, back, 16);
    ASSERT_EQ(n, 5u);
    EXPECT_EQ(back[0], u'a');
    EXPECT_EQ(back[1], 0x20AC);
    EXPECT_EQ(back[2], 0x0081); // unassigned bytes keep their value
    EXPECT_EQ(back[3], 0x0178);
    EXPECT_EQ(back[4], 0x00E9);
    EXPECT_EQ(back[5], 0);
    n = plat::code_page_to_wide(bytes, 5, back, 3);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(back[2], 0);

    // every byte survives the round trip
    char all[256];
    for (int c = 1; c < 256; ++c)
        all[c - 1] = static_cast<char>(c);
    char16_t w[256];
    ASSERT_EQ(plat::code_page_to_wide(all, 255, w, 256), 255u);
    char again[256];
    ASSERT_EQ(plat::wide_to_code_page(w, 255, again, 256), 255u);
    EXPECT_EQ(std::memcmp(all, again, 255), 0);
}

TEST_F(PlatformText, AnsiConversionOfWholeTexts) {
    // Zero units are bytes like any other; nothing is added at the end.
    const char16_t wide[] = {u'a', 0x20AC, 0, u'b', 0x3042};
    EXPECT_EQ(plat::wide_to_ansi(wide, 5, nullptr, 0), 5u);
    char out[8];
    std::memset(out, '#', sizeof out);
    ASSERT_EQ(plat::wide_to_ansi(wide, 5, out, sizeof out), 5u);
    EXPECT_EQ(std::string(out, 6), std::string("a\x80\0b?#", 6));
    // A result that does not fit gives nothing.
    EXPECT_EQ(plat::wide_to_ansi(wide, 5, out, 4), 0u);
    EXPECT_EQ(plat::wide_to_ansi(wide, 0, out, sizeof out), 0u);
}

// The native backend takes the code page from JOL_CODEPAGE; the system's
// code page cannot be changed by a program, so there the test is skipped.
TEST(PlatformTextDoubleByte, LeadBytesAndStepping) {
    plat::set_env("JOL_CODEPAGE", "932");
    unsigned cp = plat::refresh_code_page();
    if (cp != 932) {
        plat::set_env("JOL_CODEPAGE", nullptr);
        plat::refresh_code_page();
        GTEST_SKIP() << "the code page is the system's";
    }
    EXPECT_TRUE(plat::is_lead_byte(0x81));
    EXPECT_TRUE(plat::is_lead_byte(0x9F));
    EXPECT_FALSE(plat::is_lead_byte(0xA0));
    EXPECT_FALSE(plat::is_lead_byte(0xDF)); // half-width katakana
    EXPECT_TRUE(plat::is_lead_byte(0xE0));
    EXPECT_TRUE(plat::is_lead_byte(0xFC));
    EXPECT_FALSE(plat::is_lead_byte(0xFD));
    EXPECT_FALSE(plat::is_lead_byte('A'));

    // a trail byte in the letter range is not case-mapped (0x81 0x41 is the
    // ideographic comma); a lead byte before the end stays
    char s[] = "Ab\x81"
               "A"
               "C\x81";
    plat::to_lower(s);
    EXPECT_STREQ(s, "ab\x81"
                    "Ac\x81");
    plat::to_upper(s);
    EXPECT_STREQ(s, "AB\x81"
                    "AC\x81");
    // nor compared without case: the two characters differ
    EXPECT_FALSE(plat::same_text_ignoring_case("x\x81"
                                               "A",
                                               "X\x81"
                                               "a"));
    EXPECT_TRUE(plat::same_text_ignoring_case("x\x81"
                                              "A",
                                              "X\x81"
                                              "A"));

    // a double-byte character sorts as one unit, after the letters
    EXPECT_LT(plat::compare_text("z", "\x82\xA0", false, false), 0);
    EXPECT_LT(plat::compare_text("\x82\xA0", "\x82\xA2", false, false), 0);
    EXPECT_EQ(plat::compare_text("\x82\xA0", "\x82\xA0", false, false), 0);
    EXPECT_GT(plat::compare_text("a\x82", "a", false, false), 0);

    // conversion to and from UTF-16
    char16_t w[8];
    ASSERT_EQ(plat::code_page_to_wide("\x82\xA0"
                                      "a",
                                      3, w, 8),
              2u);
    EXPECT_EQ(w[0], 0x3042);
    EXPECT_EQ(w[1], u'a');
    char out[8];
    EXPECT_EQ(plat::wide_to_code_page(w, 2, out, 8), 3u);
    EXPECT_STREQ(out, "\x82\xA0"
                      "a");
    // a double-byte character that does not fit is left out whole
    EXPECT_EQ(plat::wide_to_code_page(w, 2, out, 2), 0u);
    EXPECT_STREQ(out, "");

    for (const char* v : {"936", "949", "950"}) {
        plat::set_env("JOL_CODEPAGE", v);
        if (plat::refresh_code_page() != static_cast<unsigned>(std::atoi(v))) continue;
        EXPECT_TRUE(plat::is_lead_byte(0x81)) << v;
        EXPECT_TRUE(plat::is_lead_byte(0xFE)) << v;
        EXPECT_FALSE(plat::is_lead_byte(0x80)) << v;
        EXPECT_FALSE(plat::is_lead_byte(0xFF)) << v;
    }
    plat::set_env("JOL_CODEPAGE", nullptr);
    plat::refresh_code_page();
}

} // namespace
