// The parts of the standard dialogs that do not depend on the system: list
// entries from item lists and files, their order, selections, the file
// filter and folder, and the Display time. Double-byte cases run natively
// in code page 932, where 0x83 is a lead byte and "|" (0x7C) and "\" (0x5C)
// can be trail bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/environment.h"
#include "platform/text.h"
#include "ui/dialog_lists.h"

namespace {

using Entries = std::vector<std::string>;

class DoubleByte {
public:
    DoubleByte() {
        had_ = plat::get_env("JOL_CODEPAGE", saved_, sizeof saved_) > 0;
        plat::set_env("JOL_CODEPAGE", "932");
        plat::refresh_code_page();
    }
    ~DoubleByte() {
        plat::set_env("JOL_CODEPAGE", had_ ? saved_ : nullptr);
        plat::refresh_code_page();
    }

private:
    char saved_[32] = {};
    bool had_ = false;
};

TEST(DialogLists, EntriesOfItemLists) {
    // Empty entries between delimiters stay; an empty last one does not.
    EXPECT_EQ(jol::ListEntries("b|a||c|", "|"), (Entries{"b", "a", "", "c"}));
    EXPECT_EQ(jol::ListEntries("x\ty", jol::ListDelimiter("")), (Entries{"x", "y"}));
    EXPECT_EQ(jol::ListEntries("", "|"), Entries{});
    // An entry of 300 characters is cut to 254 and ends the list.
    const std::string long_item(300, 'x');
    const Entries cut = jol::ListEntries(("a|" + long_item + "|b|c").c_str(), "|");
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(cut[1], std::string(254, 'x'));
    // 254 characters fit.
    EXPECT_EQ(jol::ListEntries((std::string(254, 'y') + "|z").c_str(), "|").size(), 2u);
    EXPECT_EQ(jol::ListDelimiter("|,"), "|");
}

TEST(DialogLists, EntriesOfFiles) {
    EXPECT_EQ(jol::FileEntries("one\r\ntwo\r\n\r\nthree"), (Entries{"one", "two", "", "three"}));
    EXPECT_EQ(jol::FileEntries("one\r\n"), (Entries{"one"}));
    // Only carriage returns end lines: a file of line feeds is one line.
    EXPECT_EQ(jol::FileEntries("a\nb\n"), (Entries{"ab"}));
    EXPECT_EQ(jol::FileEntries(std::string(300, 'q') + "\r\nr"),
              (Entries{std::string(254, 'q'), "r"}));
}

TEST(DialogLists, SortingAndSelections) {
    Entries e{"b", "A", "c", "a", "B"};
    jol::SortEntries(e);
    EXPECT_EQ(e, (Entries{"A", "a", "b", "B", "c"}));
    EXPECT_EQ(jol::JoinSelection({"x", "y"}, "\t"), "x\ty\t");
    EXPECT_EQ(jol::JoinSelection({}, "|"), "");
    // 101 entries of 254 characters: a result far beyond the 1281 bytes of
    // a work buffer comes out whole.
    const Entries many(101, std::string(254, 'm'));
    EXPECT_EQ(jol::JoinSelection(many, "|").size(), 101u * 255u);
}

TEST(DialogLists, FileFilterAndFolder) {
    EXPECT_EQ(jol::FileFilter("Text|*.txt|All|*.*|"),
              std::string("Text\0*.txt\0All\0*.*\0\0\0", 21));
    // A filter of 256 characters that does not end in "|" still ends in
    // two zeros; a longer one is cut to 256.
    const std::string types = "T|" + std::string(254, 'p');
    const std::string f = jol::FileFilter(types.c_str());
    ASSERT_EQ(f.size(), 258u);
    EXPECT_EQ(f[1], '\0');
    EXPECT_EQ(f.substr(256), std::string("\0\0", 2));
    EXPECT_EQ(jol::FileFilter((types + "overflow").c_str()).size(), 258u);
    EXPECT_EQ(jol::FileFilter(""), std::string("\0\0", 2));

    EXPECT_EQ(jol::StartFolder("C:\\data\\"), "C:\\data");
    EXPECT_EQ(jol::StartFolder("C:/data/"), "C:/data");
    EXPECT_EQ(jol::StartFolder("C:\\"), "C:\\");
    EXPECT_EQ(jol::StartFolder("C:\\data"), "C:\\data");

    EXPECT_EQ(jol::DisplayMilliseconds(0), 2000u);
    EXPECT_EQ(jol::DisplayMilliseconds(-5), 2000u);
    EXPECT_EQ(jol::DisplayMilliseconds(1), 1000u);
    EXPECT_EQ(jol::DisplayMilliseconds(5000), 3600000u);
}

#ifndef _WIN32
TEST(DialogLists, DoubleByteCharacters) {
    DoubleByte cp932;
    // A "|" that is a trail byte stays in the filter; the others become
    // zeros.
    EXPECT_EQ(jol::FileFilter("\x83|x|*.y|"), std::string("\x83|x\0*.y\0\0\0", 10));
    // A trail byte "\" is not a trailing backslash.
    EXPECT_EQ(jol::StartFolder("C:\\d\x83\\"), "C:\\d\x83\\");
    // A double-byte delimiter is both bytes; a lead byte alone is one byte
    // and never matches past the end of the list.
    EXPECT_EQ(jol::ListDelimiter("\x83\x40rest"), "\x83\x40");
    EXPECT_EQ(jol::ListDelimiter("\x83"), "\x83");
    EXPECT_EQ(jol::ListEntries("a\x83\x40"
                               "b\x83\x40",
                               "\x83\x40"),
              (Entries{"a", "b"}));
    EXPECT_EQ(jol::ListEntries("ab", "\x83"), (Entries{"ab"}));
    // A trail byte "|" does not split the list.
    EXPECT_EQ(jol::ListEntries("\x83|x|y", "|"), (Entries{"\x83|x", "y"}));
    // A cut never splits a character.
    const std::string dbcs_item = std::string(253, 'd') + "\x83\x40";
    EXPECT_EQ(jol::ListEntries(dbcs_item.c_str(), "|"), (Entries{std::string(253, 'd')}));
}
#endif

} // namespace
