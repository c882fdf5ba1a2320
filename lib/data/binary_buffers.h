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

// Error codes of this module.
namespace binerr {
constexpr int OpenFailed = 1077;   // "FileOpen: Open failed"
constexpr int AllocFailed = 1126;  // "BinaryAlloc: Could not allocate binary buffer"
constexpr int FileTooLarge = 1330; // "BinaryRead: File size larger than binary buffer size"
constexpr int RecordSize = 1474;   // "BinaryHash/Sort: Invalid record size"
constexpr int KeyOffset = 1475;    // "BinaryHash/Sort: Invalid key offset"
constexpr int KeySize = 1476;      // "BinaryHash/Sort: Invalid key size"
constexpr int KeyBeyondRecord = 1477;
constexpr int RecordTooLarge = 1478;
constexpr int NoMemory = 1479; // "BinaryHash/Sort: Unable to allocate (or lock) memory"
constexpr int NoKey = 1480;    // "BinaryHash: Key value must be specified"
constexpr int KeyTooLong = 1481;
constexpr int HashFull = 1482; // "BinaryHash: No available space in binary buffer"
constexpr int OleTypeInvalid = 1514;
constexpr int OleTypeNoData = 1515;
constexpr int OleTypeNoDirection = 1516;
constexpr int PeekStrRange = 2331;
constexpr int PokeStrRange = 2332;
constexpr int BadHandle = 3023;   // "BinaryData: Invalid Binary Data handle passed"
constexpr int NoFreeSlot = 3024;  // "BinaryData: Too many open Binary Data Handles"
constexpr int ReadFailed = 3088;  // "FileRead: Attempt to read past end of file"
constexpr int EodRange = 3127;    // "BinaryEODSet: Set value beyond end of buffer"
constexpr int OffsetRange = 3325; // "BinaryPeek/Poke/Incr: Offset is beyond end of binary buffer"
constexpr int PokeValueRange = 3326;
constexpr int CopyOffsets = 3327;
constexpr int CopyNoRoom = 3328;
constexpr int CopySourceRange = 3329;
constexpr int IndexOffset = 3333; // "BinaryIndex: Offset is beyond end of binary buffer"
constexpr int WriteFailed = 3467; // "FileWrite: Write failed"
} // namespace binerr

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

// The rows of the Binary* functions for the dispatcher.
const HandlerRow* BinaryHandlers(std::size_t* count);

} // namespace jol
