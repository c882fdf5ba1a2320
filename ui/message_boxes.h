// The dialogs of the standard dialog family that are plain message boxes:
// Message, Pause and AskYesNo.
#pragma once

#include "dispatch/handler.h"

namespace jol {

const HandlerRow* MessageBoxHandlers(std::size_t* count);

} // namespace jol
