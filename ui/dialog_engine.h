// Dialog and DialogBox: dialogs that scripts lay out themselves, in
// variables (Dialog) or as a text grid in a file (DialogBox). The backend
// shows them as forms (platform/dialog_forms.h); the rules that fill the
// controls from the variables and store them back live here, on both
// backends.
#pragma once

#include "dispatch/handler.h"

namespace jol {

extern const Module kDialogModule;

} // namespace jol
