// Line-oriented text files (and pipes) through handles: FileOpen,
// FileRead, FileWrite and FileClose, over the five file slots of the
// script context.
#pragma once

#include <cstddef>

#include "dispatch/handler.h"

namespace jol {

// Slot flags of an open file.
namespace fslot {
constexpr int Read = 1;
constexpr int EndMet = 2;
constexpr int Write = 4;
constexpr int MarkerReturned = 8;
constexpr int Pipe = Read | Write;
} // namespace fslot

constexpr std::size_t kFileNameLimit = 256; // longer names are refused, never cut
constexpr std::size_t kLineLimit = 1258;    // a longer line comes back in pieces

struct FileSlot;

// Frees what a slot holds beside its file (which the caller has closed) and
// marks the slot free.
void ReleaseFileSlot(FileSlot& s);

// The module record of FileOpen, FileRead, FileWrite and FileClose.
extern const Module kFileHandleModule;

} // namespace jol
