// Menu files: the parts of a title line, hotkeys, the line reader, the
// walk's errors, and the four menu entry points driven as a host drives
// them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/context/script_context.h"
#include "host/menu_file.h"
#include "include/jol.h"
#include "lang/variables.h"
#include "platform/memory.h"
#include "platform/menus.h"
#include "platform/window_system.h"
#include "tests/unit/test_support.h"

namespace {

using jol::ClassifyMenuLine;
using jol::EncodeMenuHotkey;
using jol::MenuLineKind;

TEST(MenuFile, LineClasses) {
    struct Case {
        const char* line;
        MenuLineKind kind;
        int level;
    } cases[] = {
        {"", MenuLineKind::Ignored, 0},         {"   ", MenuLineKind::Ignored, 0},
        {"  ; note", MenuLineKind::Ignored, 0}, {"'note", MenuLineKind::Ignored, 0},
        {"File", MenuLineKind::Title, 1},       {" Open", MenuLineKind::Title, 2},
        {"  Deep", MenuLineKind::Title, 3},     {"   Deeper", MenuLineKind::Title, 4},
        {"    x = 1", MenuLineKind::Code, 0},   {"\tx = 1", MenuLineKind::Code, 0},
        {"   \tx = 1", MenuLineKind::Code, 0},  {"Tab\tinside", MenuLineKind::Title, 1},
    };
    for (const Case& c : cases) {
        const jol::MenuLineClass got = ClassifyMenuLine(c.line);
        EXPECT_EQ(got.kind, c.kind) << c.line;
        EXPECT_EQ(got.level, c.level) << c.line;
    }
}

TEST(MenuFile, HotkeyTexts) {
    EXPECT_EQ(EncodeMenuHotkey("^S"), 0x4000 + 83);
    EXPECT_EQ(EncodeMenuHotkey("^s"), 0x4000 + 83);
    EXPECT_EQ(EncodeMenuHotkey("{F5}"), 0x1074);
    EXPECT_EQ(EncodeMenuHotkey("{f16}"), 0x107F);
    EXPECT_EQ(EncodeMenuHotkey("!x"), 0x3000 + 'X');
    EXPECT_EQ(EncodeMenuHotkey("+ ^ {PgDn}"), 0x8000 + 0x4000 + 0x1022);
    EXPECT_EQ(EncodeMenuHotkey("{ESC}"), 27);
    EXPECT_EQ(EncodeMenuHotkey("{BACKSPACE}"), 8);
    EXPECT_EQ(EncodeMenuHotkey("{TAB}"), 0x1009);
    EXPECT_EQ(EncodeMenuHotkey("{DEL}"), 0x102E);
    EXPECT_EQ(EncodeMenuHotkey("{PRTSC}"), 0x102A);
    // A character that is not a capital letter is a virtual key with Ctrl.
    EXPECT_EQ(EncodeMenuHotkey("^1"), 0x4000 + 0x1000 + '1');
    EXPECT_EQ(EncodeMenuHotkey("1"), '1');
    EXPECT_EQ(EncodeMenuHotkey("^{q}"), 0x4000 + 'Q');
    // No key: unknown and modifier-only names, a bare name, nothing.
    EXPECT_EQ(EncodeMenuHotkey("{NoSuchKey}"), 0);
    EXPECT_EQ(EncodeMenuHotkey("{SHIFT}"), 0);
    EXPECT_EQ(EncodeMenuHotkey("{NUMLOCK}"), 0);
    EXPECT_EQ(EncodeMenuHotkey("F5"), 0);
    EXPECT_EQ(EncodeMenuHotkey("^"), 0);
    EXPECT_EQ(EncodeMenuHotkey("{F5"), 0);
}

TEST(MenuFile, KeystrokeMessages) {
    using jol::HotkeyOfMessage;
    // Ctrl+S as a character message and as registered.
    EXPECT_EQ(HotkeyOfMessage(258, 19, false, true, false), EncodeMenuHotkey("^S"));
    EXPECT_EQ(HotkeyOfMessage(256, 0x74, false, false, false), EncodeMenuHotkey("{F5}"));
    // Alt+X arrives as a system key-down.
    EXPECT_EQ(HotkeyOfMessage(260, 'X', false, false, true), EncodeMenuHotkey("!x"));
    EXPECT_EQ(HotkeyOfMessage(262, 'x', false, false, false), 'X');
    EXPECT_EQ(HotkeyOfMessage(256, 0x22, true, true, false), EncodeMenuHotkey("+^{PGDN}"));
    // The modifier keys themselves, other messages and no key.
    EXPECT_EQ(HotkeyOfMessage(256, 16, true, false, false), 0);
    EXPECT_EQ(HotkeyOfMessage(256, 18, false, false, true), 0);
    EXPECT_EQ(HotkeyOfMessage(257, 0x74, false, false, false), 0);
    EXPECT_EQ(HotkeyOfMessage(258, 0, false, false, false), 0);
}

TEST(MenuFile, TitleLines) {
    jol::MenuTitle t;
    jol::ParseMenuTitle(" _&Open\\^O ; Opens a file  ", 2, false, &t);
    EXPECT_TRUE(t.separator);
    EXPECT_FALSE(t.column_break);
    EXPECT_STREQ(t.caption, "&Open");
    EXPECT_STREQ(t.text, "&Open\tCtrl+O");
    EXPECT_STREQ(t.help, "Opens a file");
    EXPECT_EQ(t.hotkey, 0x4000 + 'O');

    jol::ParseMenuTitle("|Help\\!+{F1}", 1, true, &t);
    EXPECT_TRUE(t.column_break);
    EXPECT_STREQ(t.text, "HelpAlt+Shift+{F1}"); // no tab in a menu bar's own items
    EXPECT_EQ(t.hotkey, 0x3000 + 0x8000 + 0x1070);

    jol::ParseMenuTitle("  @Secret\\^H", 3, false, &t);
    EXPECT_TRUE(t.hidden);

    // Tabs in the caption are shown as blanks; the text is cut at 38.
    jol::ParseMenuTitle("A\tB", 1, false, &t);
    EXPECT_STREQ(t.caption, "A B");
    const std::string long_title(60, 'x');
    jol::ParseMenuTitle(long_title.c_str(), 1, false, &t);
    EXPECT_EQ(std::strlen(t.text), jol::kMenuItemTextMax);
    // A hotkey text that grows ("!" to "Alt+") stays within the buffer.
    const std::string keys = "K\\" + std::string(36, '!');
    jol::ParseMenuTitle(keys.c_str(), 1, false, &t);
    EXPECT_EQ(std::strlen(t.text), 2 + 36 * 4u);
}

std::vector<std::string> Lines(const std::string& text) {
    // Exactly the text's bytes, without a terminator to run into.
    std::unique_ptr<char[]> copy(new char[text.size()]);
    std::memcpy(copy.get(), text.data(), text.size());
    jol::MenuLineReader reader(copy.get(), text.size());
    std::vector<std::string> out;
    char line[jol::kTextSize];
    std::size_t s = 0, e = 0;
    int got;
    while ((got = reader.Next(line, &s, &e)) == 1) {
        EXPECT_EQ(std::string(copy.get() + s, e - s), line);
        out.push_back(line);
    }
    if (got < 0) out.push_back("<too long>");
    return out;
}

TEST(MenuFile, LineEnds) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Lines("a\r\nb\r\n"), (V{"a", "b"}));
    // A lone carriage return ends a line, also the last one, and nothing
    // past the text is read.
    EXPECT_EQ(Lines("a\rb\r"), (V{"a", "b"}));
    EXPECT_EQ(Lines("a\nb"), (V{"a", "b"}));
    EXPECT_EQ(Lines(std::string("a\0b\x1A"
                                "c",
                                5)),
              (V{"a", "b", "c"}));
    EXPECT_EQ(Lines("a\r\n\r\nb"), (V{"a", "", "b"}));
    EXPECT_EQ(Lines(std::string(256, 'x') + "\r\n"), (V{std::string(256, 'x')}));
    EXPECT_EQ(Lines("a\r\n" + std::string(257, 'x')), (V{"a", "<too long>"}));
}

struct Recorder : jol::MenuWalkSink {
    std::string log;
    int PopupOpened(int k, const jol::MenuTitle& t) override {
        log += "open" + std::to_string(k) + ":" + t.caption + " ";
        return 0;
    }
    int ItemClosed(int k, int item, const jol::MenuTitle& t) override {
        log += "item" + std::to_string(k) + "#" + std::to_string(item) + ":" + t.caption + " ";
        return 0;
    }
    int PopupClosed(int k, const jol::MenuTitle& t) override {
        log += "close" + std::to_string(k) + ":" + t.caption + " ";
        return 0;
    }
};

int WalkMessage(const std::string& text, std::string* log = nullptr) {
    Recorder r;
    jol::MenuWalkResult result;
    jol::WalkMenuFile(text.data(), text.size(), true, r, &result);
    if (log) *log = r.log;
    return result.message;
}

TEST(MenuFile, WalkOrderAndErrors) {
    std::string log;
    EXPECT_EQ(WalkMessage("\tstart\r\nA\r\n B\r\n  C\r\n\tc\r\n D\r\n\td\r\nE\r\n\te\r\n", &log),
              0);
    EXPECT_EQ(log, "open1:A open2:B item3#0:C close2:B item2#1:D close1:A item1#2:E ");

    struct Case {
        const char* text;
        int message;
    } cases[] = {
        {"\tx\r\n B\r\n", 512},
        {"", 512},
        {"\tonly start-up code\r\n", 512},
        {"A\r\n  C\r\n", 514},
        {"A\r\n", 514},
        {"A\r\n\tx\r\n B\r\n", 515},
        {"A\r\n B\r\n   D\r\n", 519},
        {"A\r\n B\r\n", 519},
        {"A\r\n B\r\n\tx\r\n  C\r\n", 520},
        {"A\r\n B\r\n  C\r\nA\r\n", 521},
        {"A\r\n B\r\n  C\r\n\tx\r\n   D\r\n", 579},
        {"A\r\n B\r\n  C\r\n   D\r\nA\r\n", 580},
        {"A\r\n B\r\n  C\r\n   D\r\n", 580},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WalkMessage(c.text), c.message) << c.text;
    // A code line of level 4 is followed by a title of level 1 to 4 only;
    // there is no deeper level, so 581 needs a line no class gives.
    EXPECT_EQ(WalkMessage("A\r\n B\r\n  C\r\n   D\r\n\tx\r\n   E\r\n\ty\r\n"), 0);
    EXPECT_EQ(WalkMessage("A\r\n\tx\r\n" + std::string(300, ';') + "\r\n"), 214);
}

// ----------------------------------------------------------- entry points

class MenuEntryPoints : public ::testing::Test {
protected:
    void SetUp() override {
        home_.emplace();
        context_ = JolBlockAlloc(JOL_CONTEXT_BLOCK_SIZE);
        vars_ = JolBlockAlloc(sizeof(JolVarEntry) * 300);
        heap_ = JolBlockAlloc(16384);
        ASSERT_TRUE(context_ && vars_ && heap_);
        ASSERT_EQ(DoDaDllInit(0, context_, 0, JOL_INIT_CONTEXT, 0, nullptr, nullptr), 52);
        ASSERT_EQ(DoDaDllInit(0, context_, vars_, JOL_INIT_VARIABLES, 300, "T", "T.INI"), 1);
        ASSERT_EQ(DoDaDllInit(0, context_, heap_, JOL_INIT_HEAP, 16384, "t", nullptr), 1);
    }
    void TearDown() override {
        for (std::uintptr_t m : menus_)
            JolDestroyMenu(m);
        DoDaDllInit(0, context_, 0, JOL_INIT_RELEASE, 0, nullptr, nullptr);
        for (std::uintptr_t h : {context_, vars_, heap_})
            JolBlockFree(h);
        home_.reset();
    }

    std::string Write(const std::string& name, const std::string& text) {
        return dir_.File(name, text);
    }
    // Loads a file with the boxes caught.
    std::uintptr_t Load(const std::string& file, std::int32_t first, std::int32_t last,
                        std::string* boxes = nullptr, std::uintptr_t kind = JOL_MENU_BAR) {
        std::snprintf(state_.path, sizeof state_.path, "%s", file.c_str());
        testing::internal::CaptureStderr();
        const std::uintptr_t m =
            LoadStandardMenu(context_, 0, first, last, &state_, "Test", hotkeys_.get(), kind);
        const std::string out = testing::internal::GetCapturedStderr();
        if (boxes) *boxes = out;
        if (m) menus_.push_back(m);
        return m;
    }
    std::string Variable(const char* name) {
        char text[JOL_TEXT_SIZE] = "";
        std::string copy = name;
        if (!DLLServices(context_, JOL_SERVICE_GET_VARIABLE, copy.data(), text, sizeof text, 0))
            return "<none>";
        return text;
    }
    std::intptr_t Parse(std::int32_t command, bool startup, std::string* boxes = nullptr) {
        testing::internal::CaptureStderr();
        const std::intptr_t b =
            ParseStandardMenu(context_, 0, command, startup ? 1 : 0, 100, 0, &state_, "Test");
        const std::string out = testing::internal::GetCapturedStderr();
        if (boxes) *boxes = out;
        return b;
    }
    std::string BlockText(std::intptr_t b) {
        const auto h = static_cast<std::uintptr_t>(b);
        const char* p = static_cast<const char*>(JolBlockLock(h));
        std::string s = p ? p : "";
        JolBlockUnlock(h);
        JolBlockFree(h);
        return s;
    }
    std::string Select(std::uintptr_t item, std::uintptr_t menu, int* result, int size = 257) {
        std::vector<char> buffer(static_cast<std::size_t>(size) + 1, '#');
        *result = MenuSelectProcessing(context_, 0, item, menu, 100, state_.last_command,
                                       buffer.data(), size, &state_, 1);
        return size > 0 ? std::string(buffer.data()) : std::string(buffer.data(), 1);
    }

    std::optional<test::TempHome> home_;
    test::TempFolder dir_;
    std::uintptr_t context_ = 0, vars_ = 0, heap_ = 0;
    JolMenuState state_ = {};
    std::unique_ptr<JolHotkeyTable> hotkeys_ = std::make_unique<JolHotkeyTable>();
    std::vector<std::uintptr_t> menus_;
};

const char kMenu[] = "\tstarted = 1\r\n"
                     "&File ; File commands\r\n"
                     " &Open\\^O ; Opens a file\r\n"
                     "\topened = 1\r\n"
                     "\t; a comment inside\r\n"
                     "\topened = 2\r\n"
                     " _|&Save\\{F5}\r\n"
                     "    saved = 1\r\n"
                     " @Hidden\\^H\r\n"
                     "\thidden = 1\r\n"
                     "Edit\r\n"
                     "\tedited = 1\r\n";

TEST_F(MenuEntryPoints, BuildsTheMenuWithHelpAndHotkeys) {
    std::string boxes;
    const std::uintptr_t bar = Load(Write("m.mnu", kMenu), 100, 199, &boxes);
    ASSERT_NE(bar, 0u);
    EXPECT_EQ(boxes, "");
    EXPECT_EQ(state_.last_command, 103);
    EXPECT_NE(std::string(state_.path).find("m.mnu"), std::string::npos);
    ASSERT_EQ(JolMenuItemCount(bar), 2);
    JolMenuItem file, item;
    ASSERT_TRUE(JolGetMenuItem(bar, 0, &file));
    EXPECT_EQ(file.flags & JOL_MENU_ITEM_POPUP, JOL_MENU_ITEM_POPUP);
    EXPECT_STREQ(file.text, "&File");
    ASSERT_EQ(JolMenuItemCount(file.popup), 3); // Open, a separator, Save; Hidden is not shown
    ASSERT_TRUE(JolGetMenuItem(file.popup, 0, &item));
    EXPECT_EQ(item.id, 100u);
    EXPECT_STREQ(item.text, "&Open\tCtrl+O");
    ASSERT_TRUE(JolGetMenuItem(file.popup, 1, &item));
    EXPECT_TRUE(item.flags & JOL_MENU_ITEM_SEPARATOR);
    ASSERT_TRUE(JolGetMenuItem(file.popup, 2, &item));
    EXPECT_EQ(item.id, 101u);
    EXPECT_TRUE(item.flags & JOL_MENU_ITEM_BARBREAK);
    ASSERT_TRUE(JolGetMenuItem(bar, 1, &item));
    EXPECT_EQ(item.id, 103u);

    // Hotkeys, the hidden item's included.
    ASSERT_EQ(hotkeys_->count, 3u);
    EXPECT_EQ(hotkeys_->pairs[0].hotkey, 0x4000 + 'O');
    EXPECT_EQ(hotkeys_->pairs[0].command, 100);
    EXPECT_EQ(hotkeys_->pairs[1].hotkey, 0x1074);
    EXPECT_EQ(hotkeys_->pairs[2].command, 102);

    EXPECT_EQ(Variable("%MA100"), "Opens a file");
    EXPECT_EQ(Variable("%MA101"), "");
    const std::string popup_help = "%PA" + std::to_string(file.popup);
    EXPECT_EQ(Variable(popup_help.c_str()), "File commands");

    // Status-line help.
    int r = 0;
    EXPECT_EQ(Select(100, file.popup, &r), "Opens a file");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(Select(0 | (0x10u << 16), bar, &r), "File commands");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(Select(500, bar, &r), "\"\" menu item");
    EXPECT_EQ(r, 4);
    EXPECT_EQ(Select(0, bar, &r), "");
    EXPECT_EQ(r, 5);
    EXPECT_EQ(Select(0xF060 | (0x2000u << 16), 0, &r), "Close down application");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(Select(0xF130 | (0x2000u << 16), 0, &r), "Get Task Manager");
    EXPECT_EQ(Select(0xF0F0 | (0x2000u << 16), bar, &r), "\"\" menu item");
    EXPECT_EQ(r, 2);
    // The buffer's size bounds the text; a size of 0 writes nothing.
    EXPECT_EQ(Select(100, file.popup, &r, 5), "Open");
    EXPECT_EQ(Select(100, file.popup, &r, 0), "#");
}

TEST_F(MenuEntryPoints, CutsOutTheCodeOfAnItem) {
    Load(Write("m.mnu", kMenu), 100, 199);
    EXPECT_EQ(BlockText(Parse(100, false)), "\topened = 1\r\n\topened = 2\r\n");
    EXPECT_EQ(BlockText(Parse(101, false)), "    saved = 1\r\n");
    EXPECT_EQ(BlockText(Parse(102, false)), "\thidden = 1\r\n");
    EXPECT_EQ(BlockText(Parse(103, false)), "\tedited = 1\r\n");
    EXPECT_EQ(BlockText(Parse(0, true)), "\tstarted = 1\r\n");

    // The block runs.
    const std::intptr_t b = Parse(100, false);
    ASSERT_GT(b, 0);
    EXPECT_EQ(ProcessDaBatBuffer(0, context_, static_cast<std::uintptr_t>(b), nullptr, nullptr), 1);
    JolBlockFree(static_cast<std::uintptr_t>(b));
    EXPECT_EQ(Variable("opened"), "2");

    std::string boxes;
    EXPECT_EQ(Parse(150, false, &boxes), 0);
    EXPECT_NE(boxes.find("Menu file ended unexpectedly, or menu is invalid."), std::string::npos);
}

TEST_F(MenuEntryPoints, LoneCarriageReturnsAndNoStartupCode) {
    // The last line ends with a lone carriage return at the file's end.
    Load(Write("cr.mnu", "Top\r Item ; help\r\tx = 1\r\tx = 2\r"), 100, 199);
    EXPECT_EQ(state_.last_command, 100);
    EXPECT_EQ(BlockText(Parse(100, false)), "\tx = 1\r\n\tx = 2\r\n");
    std::string boxes;
    EXPECT_EQ(Parse(0, true, &boxes), 0);
    EXPECT_EQ(boxes, "");
}

TEST_F(MenuEntryPoints, ChangedFileAsksForAReload) {
    const std::string name = Write("m.mnu", kMenu);
    Load(name, 100, 199);
    const auto path = dir_.path() / "m.mnu";
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) +
                                               std::chrono::seconds(10));
    std::string boxes;
    EXPECT_EQ(Parse(100, false, &boxes), -1);
    EXPECT_NE(boxes.find("JOL Processor menu(s) will reloaded"), std::string::npos) << boxes;
    // Loaded again, the items run.
    Load(name, 100, 199);
    EXPECT_EQ(BlockText(Parse(103, false)), "\tedited = 1\r\n");
    // A file that has gone: 522, and nothing shown for the start-up code.
    std::filesystem::remove(path);
    EXPECT_EQ(Parse(100, false, &boxes), 0);
    EXPECT_NE(boxes.find("Menu file re-open error"), std::string::npos) << boxes;
    EXPECT_EQ(Parse(0, true, &boxes), 0);
    EXPECT_EQ(boxes, "");
}

TEST_F(MenuEntryPoints, FileErrorsAreShownInBoxes) {
    std::string boxes;
    EXPECT_EQ(Load(dir_.Name("missing.mnu"), 100, 199, &boxes), 0u);
    EXPECT_NE(boxes.find("Test: Menu file file open error."), std::string::npos) << boxes;
    EXPECT_EQ(Load(Write("big.mnu", std::string(65534, ';')), 100, 199, &boxes), 0u);
    EXPECT_NE(boxes.find("Test: Menu/Batch file too big  >>64K"), std::string::npos) << boxes;
    // The offending line and what was wanted, under message 502.
    const std::uintptr_t m =
        Load(Write("bad.mnu", "A\r\n\tx = 1\r\nB\r\n   D\r\n"), 100, 199, &boxes);
    EXPECT_NE(boxes.find("Unexpected menu line.  Check for proper indentation.:    D\n"
                         "Need batch code or second level menu title. Not found."),
              std::string::npos)
        << boxes;
    // The menu built up to the error is returned.
    EXPECT_EQ(JolMenuItemCount(m), 1);
    // A line too long ends the load; the line is never cut.
    Load(Write("long.mnu", "A\r\n\tx = 1\r\n" + std::string(300, 'x') + "\r\n"), 100, 199, &boxes);
    EXPECT_NE(boxes.find("Test: Line too long (>256 characters)"), std::string::npos) << boxes;
}

TEST_F(MenuEntryPoints, TooManyItemsAndHotkeys) {
    std::string text = "Top\r\n";
    for (int i = 0; i < 5; ++i)
        text += " I" + std::to_string(i) + "\\^{F" + std::to_string(i + 1) + "}\r\n\tx = 1\r\n";
    std::string boxes;
    const std::uintptr_t m = Load(Write("five.mnu", text), 100, 102, &boxes);
    // One box, the items up to the last number, and the menu built so far.
    std::size_t first = boxes.find("Too many menu items defined for current application.");
    EXPECT_NE(first, std::string::npos) << boxes;
    EXPECT_EQ(boxes.find("Too many menu items", first + 1), std::string::npos) << boxes;
    EXPECT_EQ(state_.last_command, 102);
    JolMenuItem top;
    ASSERT_TRUE(JolGetMenuItem(m, 0, &top));
    EXPECT_EQ(JolMenuItemCount(top.popup), 3);

    // 101 hotkeys: the 101st is not registered, its item is in the menu.
    text = "Keys\r\n";
    for (int i = 0; i < 101; ++i)
        text += " K" + std::to_string(i) + "\\^{F" + std::to_string(1 + i % 16) + "}\r\n\tx=1\r\n";
    const std::uintptr_t keys = Load(Write("keys.mnu", text), 100, 999);
    EXPECT_EQ(hotkeys_->count, 100u);
    ASSERT_TRUE(JolGetMenuItem(keys, 0, &top));
    EXPECT_EQ(JolMenuItemCount(top.popup), 101);

    // A count the host never set (menu index 1 keeps the table) is read as
    // at most the table's pairs, never past them.
    hotkeys_->count = 0xFFFFFFFFu;
    state_.index = 1;
    Load(Write("one.mnu", "A\\^Q\r\n\tx=1\r\n"), 1000, 1100);
    EXPECT_EQ(hotkeys_->count, 100u);
    hotkeys_->count = 0x80000000u;
    EXPECT_EQ(HotKeyCheck(context_, 0, 258, 'z', hotkeys_.get()), 0);
}

TEST_F(MenuEntryPoints, HotkeysPostTheirCommand) {
    Load(Write("m.mnu", kMenu), 100, 199);
    const plat::Hwnd w = test::CreateTestWindow(0);
    ASSERT_NE(w, 0u);
    plat::Msg m;
    while (plat::peek_message(&m, true)) {
    }
    // F5, as the key-down message of its virtual key.
    EXPECT_EQ(HotKeyCheck(context_, w, 256, 0x74, hotkeys_.get()), 1);
    bool found = false;
    while (plat::peek_message(&m, true))
        if (m.hwnd == w && m.message == 0x0111) {
            EXPECT_EQ(m.wparam, 101u);
            found = true;
        }
    EXPECT_TRUE(found);
    EXPECT_EQ(HotKeyCheck(context_, w, 256, 0x75, hotkeys_.get()), 0);
    EXPECT_EQ(HotKeyCheck(context_, w, 512, 0x74, hotkeys_.get()), 0);
    plat::destroy_window(w);
}

TEST_F(MenuEntryPoints, ReloadDropsThePopupHelpOfTheOldMenu) {
    const std::string name = Write("m.mnu", kMenu);
    auto popup_help = [&] {
        int n = 0;
        const auto* vars = static_cast<const JolVarEntry*>(JolBlockLock(vars_));
        for (int i = 0; i < 300; ++i)
            if (vars[i].flags && std::strncmp(vars[i].name, "%pa", 3) == 0) ++n;
        JolBlockUnlock(vars_);
        return n;
    };
    Load(name, 100, 199);
    EXPECT_EQ(popup_help(), 1);
    for (int i = 0; i < 3; ++i)
        Load(name, 100, 199);
    EXPECT_EQ(popup_help(), 1);
}

} // namespace
