// Replacing an icon of a program file (IconReplace, and IntControl 37 with
// a chosen icon): the image data of one icon resource of a 16-bit (NE) or
// 32-bit or 64-bit (PE) program is overwritten in place by the first image
// of an icon file. The program never changes size or layout: a PE icon
// must be replaced by an image of exactly its size, an NE icon by one of at
// most its size (which overwrites its start).
#pragma once

#include <cstddef>
#include <cstdint>

#include "dispatch/handler.h"
#include "lib/data/pe_image.h"

namespace jol {

// The operation itself, ReplaceIcon, is declared with IntControl
// (dispatch/int_control.h), which uses it as well. The program file is
// never written unless every structure was checked and the whole range to
// write is known to lie inside the icon's resource and the file.
// The program file being changed: its bytes through image (which must know
// its size), and the writer of bytes at an offset, which answers true only
// when all of them were written and pushed to the file.
using ProgramWrite = bool (*)(void* target, std::uint64_t offset, const void* data,
                              std::size_t bytes);
struct ProgramBytes {
    ImageSource image;
    ProgramWrite write = nullptr;
    void* target = nullptr;
};
// The part of ReplaceIcon after the icon file was read: finds icon number
// (from 1) of the program, checks where it lies and its size against the
// new image's, and writes the image over it. 1 when written; 0 with the
// error raised when not.
int WriteProgramIcon(ScriptContext* ctx, const ProgramBytes& program, std::int32_t number,
                     const unsigned char* image, std::uint32_t size);

extern const Module kIconModule;

} // namespace jol
