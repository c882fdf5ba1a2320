// The key language of SendKey, the key strings of WaitForKey and the one
// table of key names, read without a keyboard.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lib/desktop/key_language.h"
#include "lib/desktop/key_names.h"
#include "lib/desktop/menus.h"
#include "lib/desktop/mouse.h"

namespace {

using jol::KeyItem;
using jol::KeyParse;
namespace key_mod = jol::key_mod;

// The items of a key string as text: "<code>" for a named key, the
// character otherwise, then "*n" for a count other than 1 and the
// modifiers as S, C, A; "ERROR" where reading fails.
std::vector<std::string> Items(const char* keys) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    for (;;) {
        KeyItem item;
        const KeyParse r = jol::NextKeyItem(keys, &pos, &item);
        if (r == KeyParse::End) break;
        if (r == KeyParse::Error) {
            out.push_back("ERROR");
            break;
        }
        std::string s = item.named ? "<" + std::to_string(item.code) + ">"
                                   : std::string(item.text, item.length);
        if (item.repeat != 1) s += "*" + std::to_string(item.repeat);
        if (item.modifiers & key_mod::Shift) s += "S";
        if (item.modifiers & key_mod::Ctrl) s += "C";
        if (item.modifiers & key_mod::Alt) s += "A";
        out.push_back(s);
    }
    return out;
}

using V = std::vector<std::string>;

TEST(KeyLanguage, PrefixesNamesAndCharacters) {
    EXPECT_EQ(Items("^a"), (V{"aC"}));
    EXPECT_EQ(Items("+{TAB}"), (V{"<9>S"}));
    EXPECT_EQ(Items("^+!x"), (V{"xSCA"}));
    EXPECT_EQ(Items("ab~"), (V{"a", "b", "<13>"}));
    EXPECT_EQ(Items("{enter 3}{a 0}"), (V{"<13>*3", "a*0"}));
    EXPECT_EQ(Items("{F16}{f1}{Del}{SP}"), (V{"<127>", "<112>", "<46>", "<32>"}));
    EXPECT_EQ(Items("{ }{  2}"), (V{" ", " *2"}));
}

TEST(KeyLanguage, BracesAroundMarksTypeTheMarks) {
    EXPECT_EQ(Items("{+}{^}{!}{~}{{}"), (V{"+", "^", "!", "~", "{"}));
    // The closing brace itself: the first character after the opening
    // brace always belongs to the item.
    EXPECT_EQ(Items("{}}"), (V{"}"}));
    EXPECT_EQ(Items("{} 3}x"), (V{"}*3", "x"}));
    EXPECT_EQ(Items("a}"), (V{"a", "}"}));
}

TEST(KeyLanguage, SyntaxErrorsStopAfterTheGoodItems) {
    EXPECT_EQ(Items("ab{NOSUCHKEY}c"), (V{"a", "b", "ERROR"}));
    EXPECT_EQ(Items("x{ENTER"), (V{"x", "ERROR"}));
    EXPECT_EQ(Items("{}"), (V{"ERROR"}));
    EXPECT_EQ(Items("{"), (V{"ERROR"}));
    EXPECT_EQ(Items("a^"), (V{"a", "ERROR"}));
    EXPECT_EQ(Items("{a x}"), (V{"ERROR"}));
    EXPECT_EQ(Items("{ENTER }"), (V{"ERROR"}));
}

TEST(KeyLanguage, RepeatCountsAreBounded) {
    EXPECT_EQ(Items("{ENTER 10000}"), (V{"<13>*10000"}));
    EXPECT_EQ(Items("{ENTER 10001}"), (V{"ERROR"}));
    // A run of digits that would overflow a 32-bit count.
    EXPECT_EQ(Items("{a 99999999999999999999}"), (V{"ERROR"}));
    EXPECT_EQ(Items("{a -5}"), (V{"a*0"}));
}

TEST(KeyLanguage, WaitForKeyStrings) {
    jol::ParsedWaitKey parsed;
    ASSERT_TRUE(jol::ParseWaitKey("{F1}", &parsed));
    EXPECT_TRUE(parsed.named);
    EXPECT_EQ(parsed.code, 112);
    ASSERT_TRUE(jol::ParseWaitKey("+^{esc}", &parsed));
    EXPECT_EQ(parsed.code, 27);
    EXPECT_EQ(parsed.modifiers, jol::wait_mod::Shift | jol::wait_mod::Ctrl);
    // Characters stay characters (the keyboard layout finds their keys):
    // "." is the period, not the Delete key.
    ASSERT_TRUE(jol::ParseWaitKey(".", &parsed));
    EXPECT_FALSE(parsed.named);
    EXPECT_EQ(parsed.character, '.');
    ASSERT_TRUE(jol::ParseWaitKey("!q", &parsed));
    EXPECT_EQ(parsed.character, 'Q');
    EXPECT_EQ(parsed.modifiers, jol::wait_mod::Alt);
    // Names WaitForKey does not know: the first letter is the key.
    ASSERT_TRUE(jol::ParseWaitKey("{CAPSLOCK}", &parsed));
    EXPECT_FALSE(parsed.named);
    EXPECT_EQ(parsed.character, 'C');
    ASSERT_TRUE(jol::ParseWaitKey("{}}", &parsed));
    EXPECT_EQ(parsed.character, '}');
    EXPECT_FALSE(jol::ParseWaitKey("+^", &parsed));
}

TEST(KeyNames, OneTableForEveryUse) {
    EXPECT_EQ(jol::KeyCodeOfName("Backspace", jol::key_use::SendKey), 8);
    EXPECT_EQ(jol::KeyCodeOfName("ins", jol::key_use::SendKey), 45);
    EXPECT_EQ(jol::KeyCodeOfName("INS", jol::key_use::WaitForKey), -1);
    EXPECT_EQ(jol::KeyCodeOfName("CTRL", jol::key_use::WaitForKey), -1);
    EXPECT_EQ(jol::KeyCodeOfName("INSERT", jol::key_use::WaitForKey), 45);
    EXPECT_EQ(jol::KeyCodeOfName("F", jol::key_use::SendKey), -1);
    EXPECT_EQ(jol::KeyCodeOfName("F17", jol::key_use::SendKey), -1);
    EXPECT_STREQ(jol::KeyNameOfCode(46, jol::key_use::SendKey), "DELETE");
    EXPECT_STREQ(jol::KeyNameOfCode(18, jol::key_use::SendKey), "MENU");
    EXPECT_EQ(jol::KeyNameOfCode(18, jol::key_use::WaitForKey), nullptr);
    // Every name reads back to its code.
    std::size_t count = 0;
    const jol::KeyName* names = jol::KeyNames(&count);
    for (std::size_t i = 0; i < count; ++i)
        EXPECT_EQ(jol::KeyCodeOfName(names[i].name, names[i].uses), names[i].code) << names[i].name;
}

TEST(MouseScale, NoOverflowAndNoDivisionByZero) {
    EXPECT_EQ(jol::ScaleToScreen(0, 500, 1024), 512);
    EXPECT_EQ(jol::ScaleToScreen(100, 500, 1024), 612);
    // A product beyond 32 bits lands on the screen's edge, not elsewhere.
    EXPECT_EQ(jol::ScaleToScreen(0, 2000000000, 1024), 1023);
    EXPECT_EQ(jol::ScaleToScreen(0, -2000000000, 1024), 0);
    EXPECT_EQ(jol::ScaleToThousandths(50, 100), 500);
    EXPECT_EQ(jol::ScaleToThousandths(50, 0), 0);
}

TEST(MenuKey, LettersAndDigitsOfThePath) {
    // "File Open", "FileOpen" and the texts with their ampersands all name
    // the same command; the request ends at a backslash, the item's text
    // at the tab before its accelerator.
    EXPECT_EQ(jol::MenuKey("&File&Open", '\\', 256), "FILEOPEN");
    EXPECT_EQ(jol::MenuKey("File Open|_x\\tail", '\\', 256), "FILEOPENX");
    EXPECT_EQ(jol::MenuKey("&File&Open...\tCtrl+O", '\t', 1000), "FILEOPEN");
    EXPECT_EQ(jol::MenuKey("abcdef", 0, 3), "ABC");
    EXPECT_EQ(jol::MenuKey("- * -", 0, 256), "");
}

} // namespace
