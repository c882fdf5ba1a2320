// Binary buffers: the ten raw memory blocks of a script context and the
// Binary* functions that read and write them.
//
// A script names a buffer by its handle, 987659 plus the slot index; a
// buffer's bytes are reached only through a handle that names a slot in use.
// Every offset, width and count a script passes is checked against the
// buffer's size (overflow-safe, negatives refused) before a byte is touched.
// Multi-byte values are little-endian; floats are 8-byte doubles.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dispatch/handler.h"

namespace jol {

struct ScriptContext;

constexpr std::int32_t kBinaryHandleBase = 987659;

// A buffer of the context seen from outside the Binary* functions (the DLL
// calls, IntControl, the service entry, the automation bridge).
struct BinaryBufferView {
    unsigned char* data = nullptr; // valid while the buffer exists
    std::uint32_t size = 0;
    std::uint32_t eod = 0;
    std::int32_t object_type = 0;      // BinaryOleType data type, 0 none
    std::int32_t object_direction = 0; // BinaryOleType direction
};

// The slot index (0 to 9) of a script handle that names a buffer in use;
// -1 for any other number. Sets no error.
int BinaryBufferSlot(ScriptContext* ctx, std::int64_t handle);

// The buffer of a script handle; false (view untouched) when the handle
// names none. Sets no error.
bool GetBinaryBuffer(ScriptContext* ctx, std::int64_t handle, BinaryBufferView* view);

// Sets the end of data of a buffer; false for a handle that names none or
// an end beyond the buffer's size.
bool SetBinaryBufferEod(ScriptContext* ctx, std::int64_t handle, std::uint32_t eod);

// Copies min(length, size) bytes of data to the start of the buffer and
// sets its end of data to the count copied; no data or a length of 0 or
// less sets it to 0. 1 when everything fitted, 0 when it was cut, -1 for a
// handle that names no buffer or for no data.
int FillBinaryBuffer(ScriptContext* ctx, std::int64_t handle, const char* data,
                     std::int64_t length);

// Releases every buffer of the context and clears the slots (the end of a
// run, the context's release).
void FreeBinaryBuffers(ScriptContext* ctx);

// The module record of the Binary* functions.
extern const Module kBinaryModule;

} // namespace jol
