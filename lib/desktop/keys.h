// Keystrokes: SendKey and the key language it reads, the toggle keys,
// IsKeyDown and WaitForKey.
#pragma once

#include "dispatch/handler.h"

namespace jol {

struct ScriptContext;

// Types keys (the key language of SendKey) into the window that has the
// keyboard focus, paced by the SendKey delay and the message pump, until
// the end, a syntax error (2001; the items before it stay typed) or a
// cancel. 1 on success, else 0 with the error raised.
int SendKeys(ScriptContext* ctx, const char* keys);

// The module record of SendKey, KeyToggleGet, KeyToggleSet, IsKeyDown and
// WaitForKey.
extern const Module kKeyModule;

} // namespace jol
