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

// The exports that the export list names on Windows, where the 32-bit
// library lists its stdcall entries (DllMain, ZezuzAnswer) under their
// plain names: their decorated names must not leave it a second time.
// Elsewhere they are exported as any other.
#if defined(_WIN32)
#define JOL_LISTED_EXPORT extern "C"
#else
#define JOL_LISTED_EXPORT JOL_EXPORT
#endif

// A thread-local variable read on the hot path: on ELF systems it sits in
// the static thread-local block (the initial-exec model), so that reaching
// it is one load instead of a call; a few words fit in the room the loader
// keeps for libraries loaded later.
#if defined(__ELF__)
#define JOL_FAST_TLS __attribute__((tls_model("initial-exec")))
#else
#define JOL_FAST_TLS
#endif
