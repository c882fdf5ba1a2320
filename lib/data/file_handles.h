// Line-oriented text files (and pipes) through handles: FileOpen,
// FileRead, FileWrite and FileClose, over the five file slots of the
// script context.
#pragma once

#include <cstddef>

#include "dispatch/handler.h"

namespace jol {

namespace fherr {
constexpr int OpenFailed = 1077;
constexpr int BadMode = 3076;
constexpr int TooManyFiles = 3078;
constexpr int CloseBadHandle = 3079;
constexpr int CloseNotOpen = 3080;
constexpr int ReadBadHandle = 3081;
constexpr int ReadNotOpen = 3082;
constexpr int WriteBadHandle = 3084;
constexpr int WriteNotOpen = 3085;
constexpr int NotForReading = 3087;
constexpr int PastEnd = 3088;
constexpr int NotForWriting = 3089;
constexpr int WriteFailed = 3467;
} // namespace fherr

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

// The handler rows of FileOpen, FileRead, FileWrite and FileClose.
const HandlerRow* FileHandleHandlers(std::size_t* count);

} // namespace jol
