// The file-replace confirmation that FileCopy and FileMove ask before
// overwriting a file (ConfirmReplace, declared in
// lib/data/replace_confirmation.h), and its test functions FileNameEval1
// and FileNameEval2.
#pragma once

#include <cstddef>

#include "dispatch/handler.h"
#include "lib/data/replace_confirmation.h"

namespace jol {

struct ScriptContext;

extern const Module kFileReplaceModule;

} // namespace jol
