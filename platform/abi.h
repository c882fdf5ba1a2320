// The calling convention and the export mark of the library's entry
// points and callbacks: stdcall on the shipped 32-bit Windows build, the
// plain convention elsewhere.
#pragma once

#if defined(_WIN32) && !defined(_WIN64)
#define JOL_STDCALL __stdcall
#else
#define JOL_STDCALL
#endif

#if defined(_WIN32)
#define JOL_EXPORT extern "C" __declspec(dllexport)
#else
#define JOL_EXPORT extern "C" __attribute__((visibility("default")))
#endif
