// ProcessDaBatBuffer, the entry point through which a host runs a script.
#pragma once

#include <cstdint>

#include "dispatch/extender_abi.h"
#include "lang/keyword_entry.h"
#include "platform/abi.h"
#include "platform/handles.h"
#include "platform/memory.h"

// Runs the script held in the script block (its text and a zero byte, ANSI
// or UTF-16 with a byte-order mark) in the context. window owns the run's
// boxes; callback receives host functions and notifications; host_keywords
// is the host's keyword table (ids 900 to 1899), or null. Returns 1 when
// the run took place, whatever its outcome (left in the context's last run
// result), 0 when it could not start: a block that cannot be locked, a
// text without its zero byte, a text over 65520 bytes, UTF-16 text that
// cannot be converted, or a run of the context already in progress.
JOL_EXPORT std::int32_t ProcessDaBatBuffer(plat::Hwnd window, plat::MemHandle context,
                                           plat::MemHandle script, jol::ExtenderEntry callback,
                                           const jol::KeywordEntry* host_keywords);
