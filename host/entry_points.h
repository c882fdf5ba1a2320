// The library's exported entry points for hosts.
#pragma once

#include <cstdint>

#include "platform/abi.h"
#include "platform/handles.h"
#include "platform/memory.h"

// The export list names DllMain on Windows (its decorated name must not
// leave the library a second time).
#if defined(_WIN32)
#define JOL_DLLMAIN extern "C"
#else
#define JOL_DLLMAIN JOL_EXPORT
#endif

// Stores the library's module instance; nothing else happens at load.
JOL_DLLMAIN int JOL_STDCALL DllMain(void* instance, unsigned long reason, void* reserved);

// The multi-request entry point: 0 version handshake, 1 context set-up,
// 2 binding of the host window and variable table, 3 binding of the
// string heap, 99 release of everything the context holds.
JOL_EXPORT std::int32_t DoDaDllInit(plat::Hwnd window, plat::MemHandle context,
                                    std::uintptr_t handle2, short request, std::uintptr_t number4,
                                    const char* text5, const char* text6);

// Copies the library's version text into out; returns its length.
JOL_EXPORT int JolLibraryVersion(char* out, int size);
