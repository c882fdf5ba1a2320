#include "lib/desktop/shortcut_functions.h"

#include <cstdio>
#include <cstring>

#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lang/value.h"
#include "lib/data/file_names.h"
#include "lib/desktop/key_names.h"
#include "platform/shortcuts.h"
#include "platform/text.h"

namespace jol {
namespace {

constexpr std::size_t kNameSize = 1024;

enum class NameUse { Make, Change, Info };

// The extension of the last component (after its last dot); null when it
// has none.
const char* ExtensionOf(const char* name) {
    const char* dot = nullptr;
    for (const char* p = LastComponent(name); *p; ++p) {
        if (plat::is_lead_byte(static_cast<unsigned char>(*p)) && p[1]) {
            ++p;
            continue;
        }
        if (*p == '.') dot = p;
    }
    return dot ? dot + 1 : nullptr;
}

bool IsLnk(const char* ext) {
    return (ext[0] == 'l' || ext[0] == 'L') && (ext[1] == 'n' || ext[1] == 'N') &&
           (ext[2] == 'k' || ext[2] == 'K') && ext[3] == 0;
}

// The full name of the shortcut a function works on; 0 after raising the
// error of a name that cannot be used.
int ResolveName(ScriptContext* ctx, const char* name, NameUse use, char* full) {
    if (plat::find_shortcut(name, full, kNameSize))
        return use == NameUse::Make ? Raise(ctx, Err::ShortcutExists) : 1;
    if (use == NameUse::Info) return Raise(ctx, Err::ShortcutNotFound);
    // An empty name names no file (it would make a file called ".LNK").
    if (!*LastComponent(name))
        return Raise(ctx, use == NameUse::Make ? Err::ShortcutSave : Err::ShortcutNotFound);
    const char* ext = ExtensionOf(name);
    if (ext && !IsLnk(ext)) return Raise(ctx, Err::ShortcutExtension);
    // A longer name is refused rather than cut to another file's name.
    if (std::strlen(name) > kShortcutNameMax)
        return Raise(ctx, use == NameUse::Make ? Err::ShortcutSave : Err::ShortcutNotFound);
    if (use == NameUse::Change) return Raise(ctx, Err::ShortcutNotFound);
    std::snprintf(full, kNameSize, "%s%s", name, ext ? "" : ".LNK");
    return 1;
}

int RaiseStatus(ScriptContext* ctx, plat::ShortcutStatus status) {
    switch (status) {
    case plat::ShortcutStatus::Ok:
        return 1;
    case plat::ShortcutStatus::ComInit:
        return Raise(ctx, Err::ShortcutComInit);
    case plat::ShortcutStatus::CreateLink:
        return Raise(ctx, Err::ShortcutCreateLink);
    case plat::ShortcutStatus::QueryPersist:
        return Raise(ctx, Err::ShortcutQueryPersist);
    case plat::ShortcutStatus::Load:
        return Raise(ctx, Err::ShortcutLoad);
    case plat::ShortcutStatus::Save:
        return Raise(ctx, Err::ShortcutSave);
    }
    return Raise(ctx, Err::ShortcutLoad);
}

const char* Optional(const char* text) {
    return *text ? text : nullptr;
}

// ------------------------------------------------------------- handlers

namespace id {
constexpr int ShortcutMake = 364;
} // namespace id

// ShortcutMake and ShortcutEdit: shortcut, target, parameters, working
// directory, show mode.
int FnShortcutMake(ScriptContext* ctx, int id, Value& result, Value* args) {
    const bool make = id == id::ShortcutMake;
    char full[kNameSize];
    if (!ResolveName(ctx, ArgText(ctx, args[1]), make ? NameUse::Make : NameUse::Change, full))
        return 0;
    const int show = ShortcutShowCommand(args[5].i);
    if (show < 0) return Raise(ctx, Err::ShortcutShowMode);
    plat::ShortcutChange change;
    change.target = Optional(ArgText(ctx, args[2]));
    change.arguments = Optional(ArgText(ctx, args[3]));
    change.directory = Optional(ArgText(ctx, args[4]));
    change.show_command = show;
    if (!RaiseStatus(ctx, plat::write_shortcut(full, change, !make))) return 0;
    result.i = 1;
    return 1;
}

// ShortcutExtra: shortcut, description, hotkey, icon file, icon index.
int FnShortcutExtra(ScriptContext* ctx, int, Value& result, Value* args) {
    char full[kNameSize];
    if (!ResolveName(ctx, ArgText(ctx, args[1]), NameUse::Change, full)) return 0;
    plat::ShortcutChange change;
    const char* hotkey = ArgText(ctx, args[3]);
    if (*hotkey) {
        const int word = ParseHotkey(hotkey);
        if (word < 0) return Raise(ctx, Err::ShortcutHotkey);
        change.set_hotkey = true;
        change.hotkey = static_cast<std::uint16_t>(word);
    }
    change.description = Optional(ArgText(ctx, args[2]));
    change.icon_file = Optional(ArgText(ctx, args[4]));
    change.icon_index = static_cast<int>(args[5].i);
    if (!RaiseStatus(ctx, plat::write_shortcut(full, change, true))) return 0;
    result.i = 1;
    return 1;
}

// ShortcutInfo: the eight properties joined by tabs.
int FnShortcutInfo(ScriptContext* ctx, int, Value& result, Value* args) {
    char full[kNameSize];
    if (!ResolveName(ctx, ArgText(ctx, args[1]), NameUse::Info, full)) return 0;
    plat::ShortcutInfo info;
    if (!RaiseStatus(ctx, plat::read_shortcut(full, &info))) return 0;
    char hotkey[kHotkeyTextSize];
    FormatHotkey(info.hotkey, hotkey);
    char text[kShortcutInfoSize];
    std::snprintf(text, sizeof text, "%s\t%s\t%s\t%d\t%s\t%s\t%s\t%d", info.target, info.arguments,
                  info.directory, ShortcutShowMode(info.show_command), info.description, hotkey,
                  info.icon_file, info.icon_index);
    return ResultCopy(ctx, result, text);
}

constexpr ModuleFunction kFunctions[] = {
    {"shortcutedit", FnShortcutMake, 0},
    {"shortcutextra", FnShortcutExtra, 0},
    {"shortcutinfo", FnShortcutInfo, 0},
    {"shortcutmake", FnShortcutMake, 0},
};

} // namespace

int ShortcutShowCommand(long long mode) {
    switch (mode) {
    case 0:
        return 0;
    case 1:
        return plat::kShortcutShowMinNoActive;
    case 2:
        return plat::kShortcutShowNormal;
    case 3:
        return plat::kShortcutShowMaximized;
    default:
        return -1;
    }
}

int ShortcutShowMode(int show_command) {
    switch (show_command) {
    case plat::kShortcutShowMinNoActive:
        return 1;
    case plat::kShortcutShowNormal:
        return 2;
    case plat::kShortcutShowMaximized:
        return 3;
    default:
        return 0;
    }
}

const Module kShortcutModule = MakeModule("shortcuts", kFunctions);

} // namespace jol
