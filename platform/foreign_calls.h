// Calls into functions of other modules whose signature is known only at
// run time (DllCall), and the module facts those calls need.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace plat {

// How one argument is passed: a 32-bit number (Word already holds its low
// 16 bits zero-extended, Long its signed value) or an address.
enum class ForeignArg : std::uint8_t { Word, Long, Pointer };
// What the function gives back.
enum class ForeignResult : std::uint8_t { Word, Long, Pointer, Void };

constexpr int kForeignArgsMax = 15;

struct ForeignOutcome {
    std::uintptr_t value = 0; // the raw result (0 for Void)
    // false when the stack pointer after the call was not the one before
    // the arguments were pushed (only a 32-bit Windows build can tell; the
    // stack was put right again)
    bool stack_ok = true;
    std::uintptr_t stack_before = 0;
    std::uintptr_t stack_after = 0;
};

// Calls entry with count (0 to kForeignArgsMax) arguments, in the system's
// standard convention for exported functions (on 32-bit Windows the callee
// removes its arguments). False, with nothing called, for a bad count or a
// null entry.
bool call_foreign(void* entry, const std::uintptr_t* values, const ForeignArg* kinds, int count,
                  ForeignResult result, ForeignOutcome* out);

// True when a module name without a folder that is not found as a file is
// still worth handing to the loader, whose own search knows places a file
// search does not (the native loader's library folders).
bool loader_searches_bare_names();

// The instance handle stored with a window: the module that created it
// (natively the running program for the process's own windows); 0 when the
// system cannot tell.
Module window_instance(Hwnd w);

} // namespace plat
