// The confirmation FileCopy and FileMove ask before overwriting a file.
#pragma once

namespace jol {

struct ScriptContext;

enum class ReplaceAnswer { Copy, Leave, SourceMissing, Cancelled };

// The choice remembered for the rest of one copying call: 0 ask, 101
// overwrite all, 102 use newer for all, 103 use older for all, 104
// cancelled; the single-file choices 1 to 4 are kept too but ask again.
struct ReplaceChoice {
    int remembered = 0;
};
constexpr int kReplaceAll = 101;

// Decides whether source may overwrite target: by the remembered choice,
// the files' last-write times, and else by asking with the confirmation
// box, whose button becomes the remembered choice.
//
// Upward hook: the box belongs to the user interface above this layer
// (ui/file_replace.cpp defines this); the file functions declare it here.
ReplaceAnswer ConfirmReplace(ScriptContext* ctx, ReplaceChoice* choice, const char* source,
                             const char* target);

} // namespace jol
