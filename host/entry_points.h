// The library's exported entry points for hosts. Their declarations are the
// public header's; the definitions are checked against it where they are
// compiled.
#pragma once

#include "include/jol.h"
#include "platform/platform.h"

// The exports that the export list names on Windows, where the 32-bit
// library lists its stdcall entries (DllMain, ZezuzAnswer) under their
// plain names: their decorated names must not leave it a second time.
// Elsewhere they are exported as any other.
#if defined(_WIN32)
#define JOL_LISTED_EXPORT extern "C"
#else
#define JOL_LISTED_EXPORT JOL_EXPORT
#endif
