// The answer queue's side of forms and debug steps, shared by the
// backends (platform/dialog_forms.h).
#pragma once

#include "platform/dialog_forms.h"

namespace plat::detail {

// With the answer queue active: writes the form to standard error, answers
// it from the queue ("dialog:button=N;NAME=value;..." presses the push
// button of value N after setting the controls of the named variables;
// "cancel" cancels; anything else, or no answer left, cancels with a note)
// and returns true. False when the queue is not active.
bool answer_form(Form& form, FormEvents& events, FormResult* result);

// With the answer queue active: writes the step to standard error and
// takes "next", "run", "cancel" or "showvar:NAME" (shown, then the next
// answer); no other answer left gives Failed. False when the queue is not
// active.
bool answer_debug_step(const DebugTexts& texts, ShowVariable show, void* user, DebugChoice* choice);

// The step's texts on standard error, one line.
void write_debug_texts(const DebugTexts& texts);

} // namespace plat::detail
