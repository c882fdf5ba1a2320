// The dialogs of the standard dialog family that are plain message boxes:
// Message, Pause and AskYesNo.
#pragma once

#include "dispatch/handler.h"

namespace jol {

extern const Module kMessageBoxModule;

} // namespace jol
