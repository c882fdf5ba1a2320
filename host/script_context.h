// The old place of the script context record, kept only for
// tools/jolrun/main.cpp until that program uses nothing but the public
// header; the build's layer check fails once it no longer includes this, as
// a reminder to remove it.
#pragma once

#include "host/context/script_context.h"
