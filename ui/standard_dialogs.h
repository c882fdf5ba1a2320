// The standard dialogs that ask for more than a button: Display, AskLine,
// AskPassword, AskFileName, the six list dialogs and ButtonNames.
#pragma once

#include "dispatch/handler.h"

namespace jol {

extern const Module kStandardDialogModule;

} // namespace jol
