// The file-replace confirmation that FileCopy and FileMove ask before
// overwriting a file, and its test functions FileNameEval1 and
// FileNameEval2.
#pragma once

#include <cstddef>

#include "dispatch/handler.h"

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
ReplaceAnswer ConfirmReplace(ScriptContext* ctx, ReplaceChoice* choice, const char* source,
                             const char* target);

const HandlerRow* FileReplaceHandlers(std::size_t* count);

} // namespace jol
