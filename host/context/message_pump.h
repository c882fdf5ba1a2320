// Keeps the host's user interface alive while the library works: the
// thread's messages are dispatched between script lines, and Ctrl+Break is
// watched for.
#pragma once

#include "dispatch/extender_abi.h"

namespace jol {

struct ScriptContext;

// Dispatches the waiting messages of the thread, sleeping 20 ms after each,
// until the queue is empty or the script is cancelled.
void PumpMessages(ScriptContext* ctx);
// As PumpMessages without the sleep (the script asked for exclusive running).
void PumpMessagesExclusive(ScriptContext* ctx);
// The look before a script line: as PumpMessages (or PumpMessagesExclusive
// while the script runs exclusively) once a millisecond has passed since the
// last look of the thread; before that, only a pending interrupt request is
// taken. The poll notification is sent either way.
void PumpBetweenLines(ScriptContext* ctx);
// Sets the cancel flag when Ctrl and Break are both down (unless the
// script turned Ctrl+Break off), then sends the poll notification when the
// host asked for it.
void PollCancelKeys(ScriptContext* ctx);

// Sends a notification (a negative request) to the host callback, when
// there is one, with the five request-specific arguments as given. Returns
// the callback's result, or 0 without a callback.
std::int32_t NotifyHost(ScriptContext* ctx, ExtArg request, const ExtArg (&args)[5]);
// As NotifyHost with text as the first argument and empty texts for the
// other four (text null: all five empty).
std::int32_t NotifyHostText(ScriptContext* ctx, ExtArg request, const char* text);

} // namespace jol
