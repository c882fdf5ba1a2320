// Menu files: the lines of a menu file, their titles and hotkeys, and the
// walk over the file that both building a menu and cutting out an item's
// code take. Portable: the menus themselves are built by the caller.
//
// A menu file is text in lines (a carriage return, a line feed, the two
// together, a zero byte or Ctrl+Z ends a line). A line with no leading
// blank is a level-1 title, one to three leading spaces give levels 2 to
// 4; a tab within the first four characters or four leading spaces make a
// code line; empty lines, blank lines and lines whose first non-blank is
// ";" or "'" are passed over. Code lines before the first title are the
// start-up code; code lines after a title make it a command item; a title
// followed by a title one level deeper is a popup.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/context/text_sizes.h"

namespace jol {

constexpr std::size_t kMenuItemTextMax = 38; // characters of a title's item text
constexpr std::size_t kMaxMenuText = 65533;  // bytes of a menu file's text
constexpr std::uint32_t kMaxMenuHotkeys = 100;
constexpr int kMenuLevels = 4;

enum class MenuLineKind { Ignored, Title, Code };
struct MenuLineClass {
    MenuLineKind kind = MenuLineKind::Ignored;
    int level = 0; // titles: 1 to 4
};
MenuLineClass ClassifyMenuLine(const char* line);

// The hotkey word of a hotkey text ("^S", "!{F5}", "+ ^ x"): the
// key code plus 0x8000 Shift, 0x4000 Ctrl, 0x3000 Alt; 0 when it names no
// key.
std::uint16_t EncodeMenuHotkey(const char* keys);

// The hotkey word of a keystroke message: key-down messages (256, 260)
// give the virtual key plus 0x1000 (the modifier keys themselves none),
// character messages (258, 262) the upper-cased character (a control
// character 1 to 26 with Ctrl down its letter); plus the modifiers held.
// 0 for other messages and for no key.
std::uint16_t HotkeyOfMessage(unsigned message, std::uintptr_t key, bool shift, bool ctrl,
                              bool alt);

// One title line taken apart.
struct MenuTitle {
    bool separator = false;    // "_": a separator goes before the item
    bool column_break = false; // "|": the item starts a new column
    bool hidden = false;       // the caption begins with "@"
    std::uint16_t hotkey = 0;
    char text[kTextSize] = {};    // as shown: the caption, a tab, the hotkey text
    char caption[kTextSize] = {}; // the part before "\", tabs as spaces
    char help[kTextSize] = {};
};
// Takes the title line apart; bar_level1 for a level-1 item of a menu bar
// (its hotkey text has no tab before it).
void ParseMenuTitle(const char* line, int level, bool bar_level1, MenuTitle* out);

// The lines of a text of known length, never read past it.
class MenuLineReader {
public:
    MenuLineReader(const char* text, std::size_t length) : text_(text), length_(length) {}
    // 1: a line in line (kTextSize bytes), its bytes at [*start, *end) of
    // the text; 0: the end of the text; -1: a line over 256 characters
    // (its start in *start).
    int Next(char* line, std::size_t* start, std::size_t* end);

private:
    const char* text_;
    std::size_t length_;
    std::size_t pos_ = 0;
};

// What the walk meets, in file order. A callback returning a nonzero
// message number ends the walk with it.
class MenuWalkSink {
public:
    virtual ~MenuWalkSink() = default;
    // A code line before the first title (or a line passed over there).
    virtual int StartupLine(std::size_t, std::size_t) { return 0; }
    // The pending title of level k turns out to be a popup.
    virtual int PopupOpened(int /*k*/, const MenuTitle&) { return 0; }
    // A line of the command item of level k: its code lines (first for
    // the first) and the lines passed over between them; item the number
    // of the command item in file order, from 0.
    virtual int ItemLine(int /*k*/, int /*item*/, std::size_t, std::size_t, bool /*first*/) {
        return 0;
    }
    // The command item of level k is complete.
    virtual int ItemClosed(int /*k*/, int /*item*/, const MenuTitle&) { return 0; }
    // The popup of level k is complete (its items appended).
    virtual int PopupClosed(int /*k*/, const MenuTitle&) { return 0; }
};

// The outcome of a walk: message 0 when the whole file fitted, else the
// message number (512 to 581 for a line that fits nowhere, 214 for a line
// too long, or a callback's number) and the offending line (empty at the
// end of the file).
struct MenuWalkResult {
    int message = 0;
    char line[kTextSize] = {};
    int items = 0; // command items met
};
// bar: the menu is a menu bar (level-1 titles are its items).
void WalkMenuFile(const char* text, std::size_t length, bool bar, MenuWalkSink& sink,
                  MenuWalkResult* result);

} // namespace jol
