// The menu entry points: LoadStandardMenu builds a host's menu from a menu
// file, ParseStandardMenu cuts out the code of the item chosen,
// MenuSelectProcessing gives status-line help for the highlighted item and
// HotKeyCheck turns keystrokes into menu commands. Also the entries
// through which a host reads and destroys menus.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "exec/error_report.h"
#include "host/context/bounded_text.h"
#include "host/context/script_context.h"
#include "host/context/variable_index.h"
#include "host/menu_file.h"
#include "host/script_run.h"
#include "include/jol.h"
#include "lang/variables.h"
#include "platform/abi.h"
#include "platform/boxes.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/input.h"
#include "platform/memory.h"
#include "platform/menus.h"
#include "platform/window_system.h"
#include "resources/message_table.h"

namespace jol {
namespace {

constexpr int kMsgUnexpectedLine = 502;
constexpr int kMsgOpen = 504;
constexpr int kMsgAlloc = 505;
constexpr int kMsgLock = 506;
constexpr int kMsgRead = 507;
constexpr int kMsgNoMenuBar = 513;
constexpr int kMsgPopupFailed[kMenuLevels] = {0, 516, 517, 518};
constexpr int kMsgReopen = 522;
constexpr int kMsgScanAlloc = 523;
constexpr int kMsgScanLock = 524;
constexpr int kMsgScanRead = 525;
constexpr int kMsgInvalid = 527;
constexpr int kMsgChanged = 528;
constexpr int kMsgTooBig = 530;
constexpr int kMsgTooMany = 599;
constexpr int kMsgBadUnicode = 215;
constexpr int kMsgSystemFirst = 700;
constexpr int kMsgPopupWord = 730;
constexpr int kMsgItemWord = 731;
constexpr unsigned kWmCommand = 0x0111;
constexpr std::size_t kReadChunk = 32767;

// The context of an entry point with its variable table and string heap
// bound, as a run has them. Called from inside a run (a menu highlight
// while a script waits), the run's binding serves.
class MenuCall {
public:
    explicit MenuCall(std::uintptr_t context) : context_(context) {
        auto* ctx = static_cast<ScriptContext*>(context_.get());
        if (!ctx || plat::mem_size(context) < sizeof(ScriptContext)) return;
        if (ctx->heap.base && ctx->vars) {
            ctx_ = ctx;
            return;
        }
        vars_ = std::make_unique<plat::LockedBlock>(ctx->vars_handle);
        heap_ = std::make_unique<plat::LockedBlock>(ctx->heap.handle);
        if (!vars_->get() || !heap_->get() || !ctx->heap.size) return;
        ctx->vars = static_cast<VarEntry*>(vars_->get());
        ctx->heap.base = static_cast<char*>(heap_->get());
        InvalidateVariableIndex(ctx);
        bound_ = true;
        ctx_ = ctx;
    }
    ~MenuCall() {
        if (bound_) {
            ctx_->heap.base = nullptr;
            ctx_->vars = nullptr;
        }
    }
    MenuCall(const MenuCall&) = delete;
    MenuCall& operator=(const MenuCall&) = delete;
    ScriptContext* ctx() const { return ctx_; }

private:
    plat::LockedBlock context_;
    std::unique_ptr<plat::LockedBlock> vars_, heap_;
    ScriptContext* ctx_ = nullptr;
    bool bound_ = false;
};

// A box of the menu entry points: OK, brought to the foreground.
void MenuBox(ScriptContext* ctx, plat::Hwnd owner, const char* text, const char* title) {
    ShowMessageBox(ctx, owner, text, title ? title : "", plat::mb::Ok | plat::mb::SetForeground);
}

// The text of a message; a message without one names its number.
std::string MessageOf(ScriptContext* ctx, int id) {
    char text[1024];
    if (LoadMessage(ctx, id, text, sizeof text) == 0)
        std::snprintf(text, sizeof text, "Undefined error code -> %03d", id);
    return text;
}

void MessageBoxOf(ScriptContext* ctx, plat::Hwnd owner, int id, const char* title) {
    MenuBox(ctx, owner, MessageOf(ctx, id).c_str(), title);
}

// A menu file's text in a block of its own, UTF-16 converted.
class MenuText {
public:
    ~MenuText() {
        if (text_) plat::mem_unlock(block_);
        if (block_) plat::mem_free(block_);
    }
    const char* text() const { return text_; }
    std::size_t length() const { return length_; }

    // Reads the file; false after the box of the failure (the open failure
    // reported only when open_error is nonzero).
    bool Read(ScriptContext* ctx, plat::Hwnd owner, const char* title, const char* path,
              int open_error, int alloc_error, int lock_error, int read_error) {
        const plat::FileHandle f = plat::open_file_read(path);
        if (!f) {
            if (open_error) MessageBoxOf(ctx, owner, open_error, title);
            return false;
        }
        const int failed = ReadOpen(ctx, f, alloc_error, lock_error, read_error);
        plat::close_file(f);
        if (failed) MessageBoxOf(ctx, owner, failed, title);
        return failed == 0;
    }

private:
    int ReadOpen(ScriptContext* ctx, plat::FileHandle f, int alloc_error, int lock_error,
                 int read_error) {
        std::uint64_t size = 0;
        if (!plat::file_size(f, &size)) return read_error;
        char head[2] = {};
        std::size_t got = 0;
        if (size >= 2 && (!plat::read_file(f, head, 2, &got) || got != 2)) return read_error;
        const unsigned mark = static_cast<unsigned char>(head[0]) |
                              static_cast<unsigned>(static_cast<unsigned char>(head[1])) << 8;
        const bool wide = size >= 2 && (mark == 0xFEFF || mark == 0xFFFE);
        // UTF-16 text may be up to four times the limit before conversion.
        if (size > (wide ? 4 * kMaxMenuText + 2 : kMaxMenuText)) return kMsgTooBig;
        const std::size_t bytes = static_cast<std::size_t>(size);
        block_ = plat::mem_alloc(bytes + 2);
        if (!block_) return alloc_error;
        char* text = static_cast<char*>(plat::mem_lock(block_));
        if (!text) return lock_error;
        text_ = text;
        const std::size_t done = size >= 2 ? 2 : 0;
        std::memcpy(text, head, done);
        for (std::size_t at = done; at < bytes;) {
            const std::size_t want = bytes - at < kReadChunk ? bytes - at : kReadChunk;
            if (!plat::read_file(f, text + at, want, &got) || got != want) return read_error;
            at += got;
        }
        text[bytes] = 0;
        text[bytes + 1] = 0;
        length_ = bytes;
        if (wide) {
            length_ = ConvertUnicodeScript(ctx, text, bytes);
            if (length_ == 0) return kMsgBadUnicode;
            if (length_ > kMaxMenuText) return kMsgTooBig;
        }
        return 0;
    }

    plat::MemHandle block_ = 0;
    char* text_ = nullptr;
    std::size_t length_ = 0;
};

char MenuLetter(const JolMenuState* state) {
    const auto index = static_cast<std::uint32_t>(state->index);
    return static_cast<char>('A' + index % 26);
}

void HelpName(char kind, char letter, unsigned long long number, char* out, std::size_t size) {
    std::snprintf(out, size, "%%%c%c%llu", kind, letter, number);
}

// Drops the popup help variables of a menu letter: popups are named by
// their handles, which a new load changes.
void DropPopupHelp(ScriptContext* ctx, char letter) {
    const char prefix[3] = {'%', 'p', static_cast<char>(letter - 'A' + 'a')};
    int count = ctx->vars_count;
    if (count > ctx->vars_capacity) count = ctx->vars_capacity;
    for (int n = 0; n < count; ++n)
        if (ctx->vars[n].flags && std::strncmp(ctx->vars[n].name, prefix, 3) == 0)
            DropVariable(ctx, n);
}

// Sets an item's help variable: its help text, or an empty text unless it
// exists already.
void SetHelp(ScriptContext* ctx, const char* name, const char* help) {
    if (!help[0] && LookupVariable(ctx, name) >= 0) return;
    SetVariable(ctx, name, help, 0, 2);
    ctx->error_code = 0;
}

// Builds the menu while the file is walked.
class MenuBuilder : public MenuWalkSink {
public:
    MenuBuilder(ScriptContext* ctx, plat::Menu root, bool bar, int first, int last,
                JolHotkeyTable* hotkeys, char letter)
        : ctx_(ctx), bar_(bar), first_(first), last_(last), hotkeys_(hotkeys), letter_(letter) {
        menus_[0] = root;
    }
    ~MenuBuilder() override {
        // Popups never appended to their parents are the builder's.
        for (int k = 1; k < kMenuLevels; ++k)
            if (menus_[k]) plat::destroy_menu(menus_[k]);
    }
    int count() const { return count_; }

    int PopupOpened(int k, const MenuTitle&) override {
        menus_[k] = plat::create_popup_menu();
        return menus_[k] ? 0 : kMsgPopupFailed[k];
    }
    int ItemClosed(int k, int, const MenuTitle& t) override {
        if (full_) return kMsgTooMany;
        const long long number = static_cast<long long>(first_) + count_;
        if (number > last_ || number > 0xFFFF) {
            full_ = true;
            return kMsgTooMany;
        }
        const unsigned id = static_cast<unsigned>(number);
        if (!t.hidden) {
            Separate(k, t);
            plat::append_menu(menus_[k - 1], Flags(t), id, 0, t.text);
        }
        // M1: the count is the host's; it is read unsigned and never
        // passes the table.
        if (t.hotkey && hotkeys_ && hotkeys_->count < kMaxMenuHotkeys) {
            hotkeys_->pairs[hotkeys_->count].hotkey = t.hotkey;
            hotkeys_->pairs[hotkeys_->count].command = static_cast<std::uint16_t>(id);
            ++hotkeys_->count;
        }
        char name[kTextSize];
        HelpName('M', letter_, id, name, sizeof name);
        SetHelp(ctx_, name, t.help);
        ++count_;
        return 0;
    }
    int PopupClosed(int k, const MenuTitle& t) override {
        const plat::Menu popup = menus_[k];
        menus_[k] = 0;
        Separate(k, t);
        if (!plat::append_menu(menus_[k - 1], Flags(t) | plat::mf::Popup, 0, popup, t.text)) {
            plat::destroy_menu(popup);
            return 0;
        }
        char name[kTextSize];
        HelpName('P', letter_, popup, name, sizeof name);
        SetHelp(ctx_, name, t.help);
        return 0;
    }

private:
    unsigned Flags(const MenuTitle& t) const {
        return t.column_break ? plat::mf::MenuBarBreak : plat::mf::String;
    }
    void Separate(int k, const MenuTitle& t) {
        if (t.separator && !(bar_ && k == 1))
            plat::append_menu(menus_[k - 1], plat::mf::Separator, 0, 0, nullptr);
    }

    ScriptContext* ctx_;
    bool bar_;
    int first_, last_;
    JolHotkeyTable* hotkeys_;
    char letter_;
    plat::Menu menus_[kMenuLevels] = {};
    int count_ = 0;
    bool full_ = false;
};

// Collects the code of one item (or the start-up code).
class CodeCutter : public MenuWalkSink {
public:
    CodeCutter(bool startup, int item) : startup_(startup), item_(item) {}
    std::vector<std::pair<std::size_t, std::size_t>> lines;
    bool found = false;

    int StartupLine(std::size_t s, std::size_t e) override {
        if (startup_) lines.emplace_back(s, e);
        return 0;
    }
    int ItemLine(int, int item, std::size_t s, std::size_t e, bool) override {
        if (!startup_ && item == item_) {
            found = true;
            lines.emplace_back(s, e);
        }
        return 0;
    }

private:
    bool startup_;
    int item_;
};

// The box of a walk that ended on a line that fits nowhere: the line, and
// the message that says what was wanted, under the title of message 502.
void ReportWalk(ScriptContext* ctx, plat::Hwnd owner, const char* title,
                const MenuWalkResult& walk) {
    if (walk.message == kMsgTooMany || walk.message == 214 || walk.message == kMsgPopupFailed[1] ||
        walk.message == kMsgPopupFailed[2] || walk.message == kMsgPopupFailed[3]) {
        MessageBoxOf(ctx, owner, walk.message, title);
        return;
    }
    std::string text = walk.line;
    if (!text.empty()) text += "\n";
    text += MessageOf(ctx, walk.message);
    MenuBox(ctx, owner, text.c_str(), MessageOf(ctx, kMsgUnexpectedLine).c_str());
}

// Finds the menu file: like Call's scripts, else in the host program's
// folder.
bool FindMenuFile(JolMenuState* state, char* out, std::size_t size) {
    char name[JOL_MENU_PATH_SIZE];
    std::memcpy(name, state->path, sizeof name);
    name[sizeof name - 1] = 0;
    if (plat::find_file(name, out, size)) return true;
    std::size_t n = plat::program_folder_name(out, size);
    if (n == 0 || n + std::strlen(name) + 1 > size) {
        std::snprintf(out, size, "%s", name);
        return true;
    }
    std::memcpy(out + n, name, std::strlen(name) + 1);
    return true;
}

} // namespace

// The menu's caption of an item (its text up to the tab, trailing blanks
// removed), looked for in the tree of root: by command number, or for a
// popup by its handle.
static bool FindMenuCaption(plat::Menu root, bool popup, std::uintptr_t key, char* out,
                            std::size_t size, int depth = 0) {
    const int n = plat::menu_item_count(root);
    for (int i = 0; i < n; ++i) {
        plat::MenuItem item;
        if (!plat::menu_item(root, i, &item)) continue;
        const bool hit =
            popup ? (item.flags & plat::mf::Popup) && item.popup == key
                  : !(item.flags & (plat::mf::Popup | plat::mf::Separator)) && item.id == key;
        if (hit) {
            char* tab = std::strchr(item.text, '\t');
            if (tab) *tab = 0;
            std::size_t len = std::strlen(item.text);
            while (len > 0 && item.text[len - 1] == ' ')
                --len;
            item.text[len] = 0;
            std::snprintf(out, size, "%s", item.text);
            return true;
        }
        if ((item.flags & plat::mf::Popup) && depth < 8 &&
            FindMenuCaption(item.popup, popup, key, out, size, depth + 1))
            return true;
    }
    return false;
}

} // namespace jol

using namespace jol;

JOL_EXPORT std::uintptr_t LoadStandardMenu(std::uintptr_t context, std::uintptr_t window,
                                           std::int32_t first, std::int32_t last,
                                           JolMenuState* state, const char* title,
                                           JolHotkeyTable* hotkeys, std::uintptr_t kind) {
    MenuCall call(context);
    ScriptContext* ctx = call.ctx();
    if (!ctx || !state) return 0;
    const plat::Hwnd owner = window;
    if (state->index == 0 && hotkeys) hotkeys->count = 0;
    if (hotkeys && hotkeys->count > kMaxMenuHotkeys) hotkeys->count = kMaxMenuHotkeys;

    char path[kPathSize];
    FindMenuFile(state, path, sizeof path);
    // A full name the menu state cannot hold is refused, never cut.
    const std::size_t path_length = std::strlen(path);
    if (path_length >= sizeof state->path) {
        MessageBoxOf(ctx, owner, kMsgOpen, title);
        return 0;
    }
    std::memcpy(state->path, path, path_length + 1);
    std::uint16_t date = 0, time = 0;
    plat::file_write_time_packed(path, &date, &time);
    MenuText text;
    if (!text.Read(ctx, owner, title, path, kMsgOpen, kMsgAlloc, kMsgLock, kMsgRead)) return 0;
    state->dos_date = date;
    state->dos_time = time;

    plat::Menu root = kind == JOL_MENU_POPUP ? plat::create_popup_menu()
                      : kind == JOL_MENU_BAR ? plat::create_menu_bar()
                                             : static_cast<plat::Menu>(kind);
    if (!root || !plat::is_menu(root)) {
        MessageBoxOf(ctx, owner, kMsgNoMenuBar, title);
        return 0;
    }
    const char letter = MenuLetter(state);
    DropPopupHelp(ctx, letter);
    MenuBuilder builder(ctx, root, kind != JOL_MENU_POPUP, first, last, hotkeys, letter);
    MenuWalkResult walk;
    WalkMenuFile(text.text(), text.length(), kind != JOL_MENU_POPUP, builder, &walk);
    if (walk.message) ReportWalk(ctx, owner, title, walk);
    state->last_command = first + builder.count() - 1;
    return root;
}

JOL_EXPORT std::intptr_t ParseStandardMenu(std::uintptr_t context, std::uintptr_t window,
                                           std::int32_t command, std::int32_t startup,
                                           std::int32_t first, std::int32_t, JolMenuState* state,
                                           const char* title) {
    MenuCall call(context);
    ScriptContext* ctx = call.ctx();
    if (!ctx || !state) return 0;
    const plat::Hwnd owner = window;
    char path[JOL_MENU_PATH_SIZE];
    std::memcpy(path, state->path, sizeof path);
    path[sizeof path - 1] = 0;

    const plat::FileHandle probe = plat::open_file_read(path);
    if (!probe) {
        if (!startup) MessageBoxOf(ctx, owner, kMsgReopen, title);
        return 0;
    }
    plat::close_file(probe);
    std::uint16_t date = 0, time = 0;
    plat::file_write_time_packed(path, &date, &time);
    if (date != state->dos_date || time != state->dos_time) {
        MessageBoxOf(ctx, owner, kMsgChanged, title);
        return -1;
    }
    MenuText text;
    if (!text.Read(ctx, owner, title, path, startup ? 0 : kMsgReopen, kMsgScanAlloc, kMsgScanLock,
                   kMsgScanRead))
        return 0;

    CodeCutter cutter(startup != 0, command - first);
    MenuWalkResult walk;
    WalkMenuFile(text.text(), text.length(), true, cutter, &walk);
    if (startup) {
        if (cutter.lines.empty()) return 0;
    } else if (walk.message == 214) {
        MessageBoxOf(ctx, owner, 214, title);
        return 0;
    } else if (!cutter.found) {
        MessageBoxOf(ctx, owner, kMsgInvalid, title);
        return 0;
    }
    // The code lines, each ended by CR LF, and a zero.
    std::size_t bytes = 1;
    for (const auto& [s, e] : cutter.lines)
        bytes += e - s + 2;
    const plat::MemHandle block = plat::mem_alloc(bytes);
    char* out = block ? static_cast<char*>(plat::mem_lock(block)) : nullptr;
    if (!out) {
        if (block) plat::mem_free(block);
        MessageBoxOf(ctx, owner, kMsgScanAlloc, title);
        return 0;
    }
    std::size_t at = 0;
    for (const auto& [s, e] : cutter.lines) {
        std::memcpy(out + at, text.text() + s, e - s);
        at += e - s;
        out[at++] = '\r';
        out[at++] = '\n';
    }
    out[at] = 0;
    plat::mem_unlock(block);
    return static_cast<std::intptr_t>(block);
}

JOL_EXPORT std::int32_t MenuSelectProcessing(std::uintptr_t context, std::uintptr_t window,
                                             std::uintptr_t item, std::uintptr_t menu,
                                             std::int32_t first, std::int32_t last, char* buffer,
                                             std::int32_t size, JolMenuState* state,
                                             std::int32_t given_menu) {
    MenuCall call(context);
    ScriptContext* ctx = call.ctx();
    if (!ctx) return -1;
    const unsigned number = static_cast<unsigned>(item & 0xFFFF);
    const unsigned flags = static_cast<unsigned>((item >> 16) & 0xFFFF);
    const bool popup = flags != 0xFFFF && (flags & plat::mf::Popup);
    const bool system = flags != 0xFFFF && (flags & JOL_MENU_SYSTEM);
    const char letter = state ? MenuLetter(state) : 'A';
    std::string text;
    int result = 0;

    plat::Menu root = given_menu ? static_cast<plat::Menu>(menu)
                      : system   ? plat::window_system_menu(window)
                                 : plat::window_menu(window);
    auto default_text = [&](bool is_popup, std::uintptr_t key) {
        char caption[kTextSize] = "";
        if (!FindMenuCaption(root, is_popup, key, caption, sizeof caption) && is_popup) {
            plat::MenuItem at;
            if (plat::menu_item(static_cast<plat::Menu>(menu), static_cast<int>(number), &at)) {
                if (char* tab = std::strchr(at.text, '\t')) *tab = 0;
                std::snprintf(caption, sizeof caption, "%s", at.text);
            }
        }
        std::size_t len = std::strlen(caption);
        while (len > 0 && caption[len - 1] == ' ')
            --len;
        caption[len] = 0;
        const std::string word = MessageOf(ctx, is_popup ? kMsgPopupWord : kMsgItemWord);
        std::string t = "\"" + std::string(caption) + "\"";
        if (word.empty() || word[0] != ' ') t += ' ';
        return t + word;
    };
    auto help_of = [&](char kind, unsigned long long key, std::string* out) {
        char name[kTextSize];
        HelpName(kind, letter, key, name, sizeof name);
        char value[kTextSize];
        if (!GetVariableText(ctx, name, value, sizeof value)) return false;
        *out = value;
        return true;
    };

    if (flags == 0xFFFF && !menu) {
        result = 5;
    } else if (popup && !system) {
        const plat::Menu sub = [&] {
            plat::MenuItem at;
            return plat::menu_item(static_cast<plat::Menu>(menu), static_cast<int>(number), &at)
                       ? at.popup
                       : plat::Menu{0};
        }();
        if (sub && help_of('P', sub, &text)) {
            result = 1;
        } else {
            text = default_text(true, sub);
            result = 3;
        }
    } else if (popup) {
        text = default_text(true, 0);
        result = 2;
    } else if (number == 0) {
        result = 5;
    } else if (system) {
        const int id = kMsgSystemFirst + static_cast<int>((number >> 4) & 0x1F);
        char message[kTextSize];
        if (LoadMessage(ctx, id, message, sizeof message)) {
            text = message;
            result = 1;
        } else {
            text = default_text(false, number);
            result = 2;
        }
    } else if (static_cast<std::int32_t>(number) >= first &&
               static_cast<std::int32_t>(number) <= last) {
        if (!help_of('M', number, &text)) text = default_text(false, number);
        result = 1;
    } else {
        text = default_text(false, number);
        result = 4;
    }
    if (buffer && size > 0) {
        const std::size_t room = static_cast<std::size_t>(size) - 1;
        const std::size_t n = text.size() < room ? text.size() : room;
        std::memcpy(buffer, text.data(), n);
        buffer[n] = 0;
    }
    return result;
}

JOL_EXPORT std::int32_t HotKeyCheck(std::uintptr_t context, std::uintptr_t window,
                                    std::uint32_t message, std::uintptr_t key,
                                    JolHotkeyTable* hotkeys) {
    MenuCall call(context);
    if (!call.ctx() || !hotkeys) return 0;
    auto down = [](int vk) { return plat::key_down(vk) || plat::key_held(vk); };
    const std::uint16_t value = HotkeyOfMessage(message, key, down(plat::vk::Shift),
                                                down(plat::vk::Control), down(plat::vk::Menu));
    if (!value) return 0;
    // M1: never past the table's pairs, whatever count the host left.
    std::uint32_t count = hotkeys->count;
    if (count > kMaxMenuHotkeys) count = kMaxMenuHotkeys;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (hotkeys->pairs[i].hotkey != value) continue;
        if (plat::is_window_enabled(window))
            plat::post_message(window, kWmCommand, hotkeys->pairs[i].command, 0);
        return 1;
    }
    return 0;
}

JOL_EXPORT std::int32_t JolMenuItemCount(std::uintptr_t menu) {
    return plat::menu_item_count(menu);
}

JOL_EXPORT std::int32_t JolGetMenuItem(std::uintptr_t menu, std::int32_t position,
                                       JolMenuItem* item) {
    plat::MenuItem m;
    if (!item || !plat::menu_item(menu, position, &m)) return 0;
    item->flags = m.flags;
    item->id = m.id;
    item->popup = m.popup;
    std::memcpy(item->text, m.text, sizeof item->text);
    return 1;
}

JOL_EXPORT std::int32_t JolDestroyMenu(std::uintptr_t menu) {
    return plat::is_menu(menu) && plat::destroy_menu(menu) ? 1 : 0;
}
