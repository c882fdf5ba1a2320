#include "lib/data/binary_buffers.h"

#include <cstring>

#include "dispatch/int_control.h"
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lang/conversion.h"
#include "lang/string_heap.h"
#include "lib/data/string_functions.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "platform/system.h"
#include "platform/text.h"

namespace jol {
namespace {

using i64 = std::int64_t;

// The slot of a handle and its data address, or null when the handle names
// no buffer in use (a block that is gone or smaller than the slot says is
// refused too).
BufferSlot* Lookup(ScriptContext* ctx, i64 handle, unsigned char** data) {
    i64 index = handle - kBinaryHandleBase;
    if (!ctx || index < 0 || index >= kBufferSlots) return nullptr;
    BufferSlot& b = ctx->buffers[index];
    if (!b.block || plat::mem_size(b.block) < b.size) return nullptr;
    // The block stays locked from BinaryAlloc to BinaryFree, so its address
    // is fixed; this lock only reads it.
    void* p = plat::mem_lock(b.block);
    if (!p) return nullptr;
    plat::mem_unlock(b.block);
    *data = static_cast<unsigned char*>(p);
    return &b;
}

void Release(BufferSlot& b) {
    if (b.block) {
        while (plat::mem_lock_count(b.block) > 0 && plat::mem_unlock(b.block)) {
        }
        plat::mem_free(b.block);
    }
    b = BufferSlot{};
}

} // namespace

int BinaryBufferSlot(ScriptContext* ctx, std::int64_t handle) {
    unsigned char* data = nullptr;
    BufferSlot* b = Lookup(ctx, handle, &data);
    return b ? static_cast<int>(b - ctx->buffers) : -1;
}

bool GetBinaryBuffer(ScriptContext* ctx, std::int64_t handle, BinaryBufferView* view) {
    unsigned char* data = nullptr;
    BufferSlot* b = Lookup(ctx, handle, &data);
    if (!b || !view) return false;
    view->data = data;
    view->size = b->size;
    view->eod = b->eod;
    view->object_type = b->object_type;
    view->object_direction = b->object_direction;
    return true;
}

std::uintptr_t BinaryBufferAddress(ScriptContext* ctx, std::int64_t handle) {
    unsigned char* data = nullptr;
    return Lookup(ctx, handle, &data) ? reinterpret_cast<std::uintptr_t>(data) : 0;
}

bool SetBinaryBufferEod(ScriptContext* ctx, std::int64_t handle, std::uint32_t eod) {
    unsigned char* data = nullptr;
    BufferSlot* b = Lookup(ctx, handle, &data);
    if (!b || eod > b->size) return false;
    b->eod = eod;
    return true;
}

int FillBinaryBuffer(ScriptContext* ctx, std::int64_t handle, const char* data,
                     std::int64_t length) {
    unsigned char* p = nullptr;
    BufferSlot* b = Lookup(ctx, handle, &p);
    if (!b) return -1;
    if (!data) {
        b->eod = 0;
        return -1;
    }
    if (length <= 0) {
        b->eod = 0;
        return 1;
    }
    std::uint64_t n =
        static_cast<std::uint64_t>(length) < b->size ? static_cast<std::uint64_t>(length) : b->size;
    std::memcpy(p, data, static_cast<std::size_t>(n));
    b->eod = static_cast<std::uint32_t>(n);
    return n == static_cast<std::uint64_t>(length) ? 1 : 0;
}

void FreeBinaryBuffers(ScriptContext* ctx) {
    if (!ctx) return;
    for (BufferSlot& b : ctx->buffers)
        Release(b);
}

namespace {

int Integer(Value& result, i64 n) {
    result.i = static_cast<std::int32_t>(n);
    result.flags = vf::Integer;
    return 1;
}

int Float(Value& result, double f) {
    result.f = f;
    result.flags = vf::Float;
    return 1;
}

// The buffer named by args[1] (Err::BinaryBadHandle when there is none).
BufferSlot* Buffer(ScriptContext* ctx, const Value& handle, unsigned char** data) {
    BufferSlot* b = Lookup(ctx, handle.i, data);
    if (!b) Raise(ctx, Err::BinaryBadHandle);
    return b;
}

void RaiseEod(BufferSlot* b, i64 end) {
    if (end > static_cast<i64>(b->eod)) b->eod = static_cast<std::uint32_t>(end);
}

// Whether width bytes at offset lie inside size bytes.
bool Inside(i64 offset, i64 width, i64 size) {
    return offset >= 0 && width >= 0 && offset <= size && width <= size - offset;
}

std::uint32_t ReadLe(const unsigned char* p, int width) {
    std::uint32_t v = 0;
    for (int k = width - 1; k >= 0; --k)
        v = (v << 8) | p[k];
    return v;
}

void WriteLe(unsigned char* p, int width, std::uint32_t v) {
    for (int k = 0; k < width; ++k) {
        p[k] = static_cast<unsigned char>(v);
        v >>= 8;
    }
}

double ReadDouble(const unsigned char* p) {
    double d;
    std::memcpy(&d, p, sizeof d);
    return d;
}

void WriteDouble(unsigned char* p, double d) {
    std::memcpy(p, &d, sizeof d);
}

// ------------------------------------------------------------ slots

int FnBinaryAlloc(ScriptContext* ctx, int, Value& result, Value* args) {
    i64 size = args[1].i;
    if (size < 0) return Raise(ctx, Err::BinaryAllocFailed);
    int index = -1;
    for (int i = 0; i < kBufferSlots; ++i) {
        if (!ctx->buffers[i].block) {
            index = i;
            break;
        }
    }
    if (index < 0) return Raise(ctx, Err::BinaryNoFreeSlot);
    // An empty buffer still gets a byte of storage, so that it can be
    // locked like any other.
    plat::MemHandle block = plat::mem_alloc(size ? static_cast<std::size_t>(size) : 1);
    if (!block) return Raise(ctx, Err::BinaryAllocFailed);
    if (!plat::mem_lock(block)) {
        plat::mem_free(block);
        return Raise(ctx, Err::BinaryAllocFailed);
    }
    BufferSlot& b = ctx->buffers[index];
    b = BufferSlot{};
    b.block = block;
    b.size = static_cast<std::uint32_t>(size);
    return Integer(result, kBinaryHandleBase + index);
}

int FnBinaryFree(ScriptContext* ctx, int, Value& result, Value* args) {
    unsigned char* data;
    BufferSlot* b = Buffer(ctx, args[1], &data);
    if (!b) return 0;
    Release(*b);
    return Integer(result, 0);
}

int FnBinaryEODGet(ScriptContext* ctx, int, Value& result, Value* args) {
    unsigned char* data;
    BufferSlot* b = Buffer(ctx, args[1], &data);
    if (!b) return 0;
    return Integer(result, b->eod);
}

int FnBinaryEODSet(ScriptContext* ctx, int, Value& result, Value* args) {
    unsigned char* data;
    BufferSlot* b = Buffer(ctx, args[1], &data);
    if (!b) return 0;
    i64 eod = args[2].i;
    if (eod < 0 || eod > static_cast<i64>(b->size)) return Raise(ctx, Err::BinaryEodRange);
    std::uint32_t old = b->eod;
    b->eod = static_cast<std::uint32_t>(eod);
    return Integer(result, old);
}

// ------------------------------------------- peeks, pokes, increments

enum class Access { Peek, Poke, Incr };

int Integral(ScriptContext* ctx, Value& result, Value* args, int width, Access op) {
    unsigned char* data;
    BufferSlot* b = Buffer(ctx, args[1], &data);
    if (!b) return 0;
    i64 offset = args[2].i;
    if (!Inside(offset, width, b->size)) return Raise(ctx, Err::BinaryOffsetRange);
    if (op == Access::Poke) {
        i64 v = args[3].i;
        if ((width == 1 && (v < -256 || v > 255)) || (width == 2 && (v < -65536 || v > 65535)))
            return Raise(ctx, Err::BinaryPokeValueRange);
    }
    RaiseEod(b, offset + width);
    unsigned char* p = data + offset;
    std::uint32_t raw = ReadLe(p, width);
    i64 old = width == 4 ? static_cast<i64>(static_cast<std::int32_t>(raw)) : static_cast<i64>(raw);
    switch (op) {
    case Access::Peek:
        return Integer(result, old);
    case Access::Poke:
        WriteLe(p, width, static_cast<std::uint32_t>(args[3].i));
        return Integer(result, old);
    case Access::Incr: {
        std::uint32_t sum = raw + 1u;
        WriteLe(p, width, sum);
        return Integer(result, static_cast<std::int32_t>(sum));
    }
    }
    return 0;
}

int FloatAccess(ScriptContext* ctx, Value& result, Value* args, Access op) {
    unsigned char* data;
    BufferSlot* b = Buffer(ctx, args[1], &data);
    if (!b) return 0;
    i64 offset = args[2].i;
    if (!Inside(offset, 8, b->size)) return Raise(ctx, Err::BinaryOffsetRange);
    RaiseEod(b, offset + 8);
    unsigned char* p = data + offset;
    double old = ReadDouble(p);
    switch (op) {
    case Access::Peek:
        return Float(result, old);
    case Access::Poke:
        WriteDouble(p, args[3].f);
        return Float(result, old);
    case Access::Incr:
        WriteDouble(p, old + 1.0);
        return Float(result, old + 1.0);
    }
    return 0;
}

int FnBinaryPeek(ScriptContext* ctx, int, Value& result, Value* args) {
    return Integral(ctx, result, args, 1, Access::Peek);
}
int FnBinaryPeek2(ScriptContext* ctx, int, Value& result, Value* args) {
    return Integral(ctx, result, args, 2, Access::Peek);
}
int FnBinaryPeek4(ScriptContext* ctx, int, Value& result, Value* args) {
    return Integral(ctx, result, args, 4, Access::Peek);
}
int FnBinaryPoke(ScriptContext* ctx, int, Value& result, Value* args) {
    return Integral(ctx, result, args, 1, Access::Poke);
}
int FnBinaryPoke2(ScriptContext* ctx, int, Value& result, Value* args) {
    return Integral(ctx, result, args, 2, Access::Poke);
}
int FnBinaryPoke4(ScriptContext* ctx, int, Value& result, Value* args) {
    return Integral(ctx, result, args, 4, Access::Poke);
}
int FnBinaryIncr(ScriptContext* ctx, int, Value& result, Value* args) {
    return Integral(ctx, result, args, 1, Access::Incr);
}
int FnBinaryIncr2(ScriptContext* ctx, int, Value& result, Value* args) {
    return Integral(ctx, result, args, 2, Access::Incr);
}
int FnBinaryIncr4(ScriptContext* ctx, int, Value& result, Value* args) {
    return Integral(ctx, result, args, 4, Access::Incr);
}
int FnBinaryPeekFlt(ScriptContext* ctx, int, Value& result, Value* args) {
    return FloatAccess(ctx, result, args, Access::Peek);
}
int FnBinaryPokeFlt(ScriptContext* ctx, int, Value& result, Value* args) {
    return FloatAccess(ctx, result, args, Access::Poke);
}
int FnBinaryIncrFlt(ScriptContext* ctx, int, Value& result, Value* args) {
    return FloatAccess(ctx, result, args, Access::Incr);
}

// ------------------------------------------------------------ strings

int FnBinaryPeekStr(ScriptContext* ctx, int, Value& result, Value* args) {
    unsigned char* data;
    BufferSlot* b = Buffer(ctx, args[1], &data);
    if (!b) return 0;
    i64 offset = args[2].i;
    i64 most = args[3].i;
    // The request may end one byte past the buffer (offset + most - 1 up to
    // the size); what is copied is cut to the end of data, which never lies
    // beyond the buffer, so no byte outside it is read.
    if (offset < 0 || most < 0 || offset + most - 1 > static_cast<i64>(b->size))
        return Raise(ctx, Err::BinaryPeekStrRange);
    i64 present = static_cast<i64>(b->eod) - offset;
    i64 n = most < present ? most : present;
    if (n <= 0) return SetResultText(ctx, result, "", 0);
    // The script sees the bytes up to the first zero byte.
    const char* p = reinterpret_cast<const char*>(data + offset);
    const void* zero = std::memchr(p, 0, static_cast<std::size_t>(n));
    if (zero) n = static_cast<const char*>(zero) - p;
    return SetResultText(ctx, result, p, static_cast<std::size_t>(n));
}

int FnBinaryPokeStr(ScriptContext* ctx, int, Value& result, Value* args) {
    unsigned char* data;
    BufferSlot* b = Buffer(ctx, args[1], &data);
    if (!b) return 0;
    i64 offset = args[2].i;
    const char* s = ArgText(ctx, args[3]);
    auto len = static_cast<i64>(std::strlen(s));
    if (!Inside(offset, len, b->size)) return Raise(ctx, Err::BinaryPokeStrRange);
    std::memcpy(data + offset, s, static_cast<std::size_t>(len));
    RaiseEod(b, offset + len);
    return Integer(result, len);
}

int FnBinaryCopy(ScriptContext* ctx, int, Value& result, Value* args) {
    unsigned char* to;
    unsigned char* from;
    BufferSlot* d = Buffer(ctx, args[1], &to);
    if (!d) return 0;
    BufferSlot* s = Buffer(ctx, args[3], &from);
    if (!s) return 0;
    i64 to_off = args[2].i;
    i64 from_off = args[4].i;
    i64 count = args[5].i;
    if (to_off < 0 || from_off < 0 || to_off >= static_cast<i64>(d->size) ||
        from_off >= static_cast<i64>(s->size))
        return Raise(ctx, Err::BinaryCopyOffsets);
    if (count < 0 || count > static_cast<i64>(d->size) - to_off)
        return Raise(ctx, Err::BinaryCopyNoRoom);
    RaiseEod(d, to_off + count);
    if (count > static_cast<i64>(s->size) - from_off) return Raise(ctx, Err::BinaryCopySourceRange);
    // Source and destination may be the same buffer, overlapping.
    std::memmove(to + to_off, from + from_off, static_cast<std::size_t>(count));
    return Integer(result, count);
}

// ----------------------------------------------------------- searching

struct Folding {
    unsigned char table[256];
    bool active = false;
    explicit Folding(bool on) : active(on) {
        if (!on) return;
        for (int c = 0; c < 256; ++c)
            table[c] = static_cast<unsigned char>(plat::to_upper_char(static_cast<char>(c)));
        table[0] = 0;
    }
    unsigned char operator()(unsigned char c) const { return active ? table[c] : c; }
};

bool MatchBytes(const unsigned char* p, const unsigned char* s, std::size_t n, const Folding& f) {
    if (!f.active) return std::memcmp(p, s, n) == 0;
    for (std::size_t k = 0; k < n; ++k)
        if (f(p[k]) != f(s[k])) return false;
    return true;
}

int Index(ScriptContext* ctx, Value& result, Value* args, bool ignore_case) {
    unsigned char* data;
    BufferSlot* b = Buffer(ctx, args[1], &data);
    if (!b) return 0;
    i64 size = b->size;
    i64 eod = b->eod;
    i64 offset = args[2].i;
    if (offset < 0 || offset >= size) return Raise(ctx, Err::BinaryIndexOffset);
    const auto* s = reinterpret_cast<const unsigned char*>(ArgText(ctx, args[3]));
    auto len = static_cast<i64>(std::strlen(reinterpret_cast<const char*>(s)));
    bool forward = args[4].i == 0;
    if (len == 0) {
        // The nearest byte that is not zero: forward up to the end of data,
        // backward from the byte after the offset (inside the buffer).
        if (forward) {
            for (i64 p = offset; p < eod; ++p)
                if (data[p]) return Integer(result, p);
            return Integer(result, 0);
        }
        i64 from = offset + 1 < size ? offset + 1 : size - 1;
        for (i64 p = from; p >= 0; --p)
            if (data[p]) return Integer(result, p);
        return Integer(result, 0);
    }
    Folding fold(ignore_case);
    auto n = static_cast<std::size_t>(len);
    if (forward) {
        if (offset + len > eod) return Integer(result, 0);
        i64 last = eod - len;
        if (!ignore_case) {
            i64 p = offset;
            while (p <= last) {
                const void* hit =
                    std::memchr(data + p, s[0], static_cast<std::size_t>(last - p + 1));
                if (!hit) break;
                p = static_cast<const unsigned char*>(hit) - data;
                if (std::memcmp(data + p, s, n) == 0) return Integer(result, p);
                ++p;
            }
            return Integer(result, 0);
        }
        for (i64 p = offset; p <= last; ++p)
            if (MatchBytes(data + p, s, n, fold)) return Integer(result, p);
        return Integer(result, 0);
    }
    if (offset < len) return Integer(result, 0);
    for (i64 p = offset - len + 1; p >= 0; --p)
        if (MatchBytes(data + p, s, n, fold)) return Integer(result, p);
    return Integer(result, 0);
}

int FnBinaryIndex(ScriptContext* ctx, int, Value& result, Value* args) {
    return Index(ctx, result, args, false);
}
int FnBinaryIndexNc(ScriptContext* ctx, int, Value& result, Value* args) {
    return Index(ctx, result, args, true);
}

int FnBinaryStrCnt(ScriptContext* ctx, int, Value& result, Value* args) {
    unsigned char* data;
    BufferSlot* b = Buffer(ctx, args[1], &data);
    if (!b) return 0;
    i64 start = args[2].i;
    i64 end = args[3].i;
    if (start < 0 || end < 0) return Raise(ctx, Err::BinaryIndexOffset);
    if (start > end) {
        i64 t = start;
        start = end;
        end = t;
    }
    i64 size = b->size;
    if (end >= size) return Raise(ctx, Err::BinaryIndexOffset);
    const char* s = ArgText(ctx, args[4]);
    auto len = static_cast<i64>(std::strlen(s));
    if (len == 0 || start == end) return Integer(result, 0);
    i64 count = 0;
    for (i64 p = start; p <= end;) {
        if (len <= size - p && std::memcmp(data + p, s, static_cast<std::size_t>(len)) == 0) {
            ++count;
            p += len;
        } else {
            ++p;
        }
    }
    return Integer(result, count);
}

// --------------------------------------------------------------- files

int FnBinaryRead(ScriptContext* ctx, int, Value& result, Value* args) {
    unsigned char* data;
    BufferSlot* b = Buffer(ctx, args[1], &data);
    if (!b) return 0;
    bool before = plat::suppress_error_boxes(true);
    plat::FileHandle f =
        plat::open_data_file(ArgText(ctx, args[2]), false, ctx->options.read_share_mode);
    plat::suppress_error_boxes(before);
    if (!f) return Raise(ctx, Err::FileOpenFailed);
    std::uint64_t size = 0;
    if (!plat::file_size(f, &size)) {
        plat::close_file(f);
        return Raise(ctx, Err::FileReadPastEnd);
    }
    if (size > b->size) {
        plat::close_file(f);
        return Raise(ctx, Err::BinaryFileTooLarge);
    }
    std::size_t got = 0;
    bool ok = plat::read_file(f, data, static_cast<std::size_t>(size), &got);
    plat::close_file(f);
    // The end of data counts only the bytes that arrived.
    b->eod = static_cast<std::uint32_t>(got);
    if (!ok || got != size) return Raise(ctx, Err::FileReadPastEnd);
    return Integer(result, static_cast<i64>(got));
}

int FnBinaryWrite(ScriptContext* ctx, int, Value& result, Value* args) {
    unsigned char* data;
    BufferSlot* b = Buffer(ctx, args[1], &data);
    if (!b) return 0;
    bool before = plat::suppress_error_boxes(true);
    plat::FileHandle f =
        plat::open_data_file(ArgText(ctx, args[2]), true, ctx->options.write_share_mode);
    plat::suppress_error_boxes(before);
    if (!f) return Raise(ctx, Err::FileOpenFailed);
    std::size_t put = 0;
    // The file is cut to the new length only once all bytes are written.
    bool ok = plat::write_data_file(f, data, b->eod, &put) && put == b->eod &&
              plat::truncate_data_file(f);
    ok = plat::close_file(f) && ok;
    if (!ok) return Raise(ctx, Err::FileWriteFailed);
    return Integer(result, b->eod);
}

// -------------------------------------------------------------- records

int FnBinaryHashRec(ScriptContext* ctx, int, Value& result, Value* args) {
    unsigned char* data;
    BufferSlot* b = Buffer(ctx, args[1], &data);
    if (!b) return 0;
    i64 record = args[2].i;
    i64 key_offset = args[3].i;
    i64 key_size = args[4].i;
    const char* key = ArgText(ctx, args[5]);
    i64 size = b->size;
    if (record < 1) return Raise(ctx, Err::BinaryRecordSize);
    if (key_offset < 0) return Raise(ctx, Err::BinaryKeyOffset);
    if (key_size < 1) return Raise(ctx, Err::BinaryKeySize);
    if (key_offset + key_size > record) return Raise(ctx, Err::BinaryKeyBeyondRecord);
    if (record > size) return Raise(ctx, Err::BinaryRecordTooLarge);
    auto key_len = static_cast<i64>(std::strlen(key));
    if (key_len == 0) return Raise(ctx, Err::BinaryNoKey);
    if (key_len > key_size) return Raise(ctx, Err::BinaryKeyTooLong);
    // A field holds its key zero-terminated when shorter than the field:
    // the comparison takes a terminated copy.
    plat::MemHandle scratch_block = plat::mem_alloc(static_cast<std::size_t>(key_size) + 1);
    char* scratch = scratch_block ? static_cast<char*>(plat::mem_lock(scratch_block)) : nullptr;
    if (!scratch) {
        if (scratch_block) plat::mem_free(scratch_block);
        return Raise(ctx, Err::BinarySortMemory);
    }
    i64 n = size / record;
    std::uint32_t hash = 0;
    for (const char* p = key; *p; ++p)
        hash = 2u * hash +
               static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(*p)));
    i64 slot = n - 1 == 0 ? 0 : static_cast<i64>(hash % static_cast<std::uint32_t>(n - 1));
    i64 found = -1;
    for (i64 i = 0; i < n; ++i) {
        i64 at = (slot + i) % n;
        unsigned char* field = data + at * record + key_offset;
        if (field[0] == 0) {
            std::memcpy(field, key, static_cast<std::size_t>(key_len));
            if (key_len < key_size) field[key_len] = 0;
            found = at;
            break;
        }
        std::memcpy(scratch, field, static_cast<std::size_t>(key_size));
        scratch[key_size] = 0;
        if (plat::compare_text(scratch, key, true, true) == 0) {
            found = at;
            break;
        }
    }
    plat::mem_unlock(scratch_block);
    plat::mem_free(scratch_block);
    if (found < 0) return Raise(ctx, Err::BinaryHashFull);
    b->eod = b->size;
    return Integer(result, found * record);
}

// Sort keys: a number (integral keys widened, unsigned) or a string key
// copy in the key table.
enum class KeyType { Byte, Word, Dword, Double, String };

struct SortKeys {
    KeyType type;
    const unsigned char* table; // per record: 8 bytes, or the string stride
    std::size_t stride;
    bool descending;

    int Compare(std::uint32_t a, std::uint32_t b) const {
        const unsigned char* x = table + a * stride;
        const unsigned char* y = table + b * stride;
        int r;
        if (type == KeyType::String) {
            r = plat::compare_text(reinterpret_cast<const char*>(x),
                                   reinterpret_cast<const char*>(y), true, true);
        } else if (type == KeyType::Double) {
            double u = ReadDouble(x);
            double v = ReadDouble(y);
            // A total order: a value that is no number sorts after all.
            bool un = u != u;
            bool vn = v != v;
            if (un || vn)
                r = un == vn ? 0 : (un ? 1 : -1);
            else
                r = u < v ? -1 : (u > v ? 1 : 0);
        } else {
            std::uint64_t u, v;
            std::memcpy(&u, x, 8);
            std::memcpy(&v, y, 8);
            r = u < v ? -1 : (u > v ? 1 : 0);
        }
        return descending ? -r : r;
    }
};

// A bottom-up merge sort of the record numbers: no recursion, every access
// inside the two arrays whatever the comparison answers.
void SortRecords(std::uint32_t* order, std::uint32_t* spare, std::size_t n, const SortKeys& keys) {
    std::uint32_t* a = order;
    std::uint32_t* t = spare;
    for (std::size_t width = 1; width < n; width *= 2) {
        for (std::size_t lo = 0; lo < n; lo += 2 * width) {
            std::size_t mid = lo + width < n ? lo + width : n;
            std::size_t hi = lo + 2 * width < n ? lo + 2 * width : n;
            std::size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi)
                t[k++] = keys.Compare(a[j], a[i]) < 0 ? a[j++] : a[i++];
            while (i < mid)
                t[k++] = a[i++];
            while (j < hi)
                t[k++] = a[j++];
        }
        std::uint32_t* swap = a;
        a = t;
        t = swap;
    }
    if (a != order) std::memcpy(order, a, n * sizeof *order);
}

// A locked scratch block, released with the object.
class Scratch {
public:
    explicit Scratch(std::uint64_t bytes) {
        if (bytes == 0) bytes = 1;
        if (bytes > static_cast<std::uint64_t>(static_cast<std::size_t>(-1) / 2)) return;
        handle_ = plat::mem_alloc(static_cast<std::size_t>(bytes));
        if (handle_) p_ = static_cast<unsigned char*>(plat::mem_lock(handle_));
    }
    ~Scratch() {
        if (!handle_) return;
        if (p_) plat::mem_unlock(handle_);
        plat::mem_free(handle_);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    unsigned char* get() const { return p_; }

private:
    plat::MemHandle handle_ = 0;
    unsigned char* p_ = nullptr;
};

int FnBinarySort(ScriptContext* ctx, int, Value& result, Value* args) {
    unsigned char* data;
    BufferSlot* b = Buffer(ctx, args[1], &data);
    if (!b) return 0;
    i64 record = args[2].i;
    i64 key_offset = args[3].i;
    i64 key_size = args[4].i;
    std::uint32_t flags = static_cast<std::uint32_t>(args[5].i);
    i64 size = b->size;
    if (record < 1) return Raise(ctx, Err::BinaryRecordSize);
    if (key_offset < 0) return Raise(ctx, Err::BinaryKeyOffset);
    KeyType type = KeyType::String;
    i64 width = key_size;
    if (flags & 1) {
        type = KeyType::Byte;
        width = 1;
    } else if (flags & 2) {
        type = KeyType::Word;
        width = 2;
    } else if (flags & 4) {
        type = KeyType::Dword;
        width = 4;
    } else if (flags & 8) {
        type = KeyType::Double;
        width = 8;
    }
    if (width < 1) return Raise(ctx, Err::BinaryKeySize);
    if (key_offset + width > record) return Raise(ctx, Err::BinaryKeyBeyondRecord);
    if (record > size) return Raise(ctx, Err::BinaryRecordTooLarge);

    auto n = static_cast<std::size_t>(size / record);
    std::size_t stride = 8;
    if (type == KeyType::String)
        stride = (static_cast<std::size_t>(width) + 1 + 3) & ~std::size_t{3};
    Scratch copy(static_cast<std::uint64_t>(size));
    Scratch table(static_cast<std::uint64_t>(n) * stride);
    Scratch order(static_cast<std::uint64_t>(n) * 2 * sizeof(std::uint32_t));
    if (!copy.get() || !table.get() || !order.get()) return Raise(ctx, Err::BinarySortMemory);

    for (std::size_t r = 0; r < n; ++r) {
        const unsigned char* key = data + r * static_cast<std::size_t>(record) + key_offset;
        unsigned char* slot = table.get() + r * stride;
        if (type == KeyType::String) {
            std::memcpy(slot, key, static_cast<std::size_t>(width));
            std::memset(slot + width, 0, stride - static_cast<std::size_t>(width));
        } else if (type == KeyType::Double) {
            std::memcpy(slot, key, 8);
        } else {
            std::uint64_t v = ReadLe(key, static_cast<int>(width));
            std::memcpy(slot, &v, 8);
        }
    }
    auto* numbers = reinterpret_cast<std::uint32_t*>(order.get());
    for (std::size_t r = 0; r < n; ++r)
        numbers[r] = static_cast<std::uint32_t>(r);
    SortKeys keys{type, table.get(), stride, (flags & 16) != 0};
    SortRecords(numbers, numbers + n, n, keys);

    auto rec = static_cast<std::size_t>(record);
    for (std::size_t r = 0; r < n; ++r)
        std::memcpy(copy.get() + r * rec, data + numbers[r] * rec, rec);
    std::size_t whole = n * rec;
    std::memcpy(copy.get() + whole, data + whole, static_cast<std::size_t>(size) - whole);
    std::memcpy(data, copy.get(), static_cast<std::size_t>(size));
    RaiseEod(b, static_cast<i64>(whole));
    return Integer(result, 1);
}

int FnBinaryOleType(ScriptContext* ctx, int, Value& result, Value* args) {
    unsigned char* data;
    BufferSlot* b = Buffer(ctx, args[1], &data);
    if (!b) return 0;
    i64 type = args[2].i;
    if (type == 0) {
        b->object_type = 0;
        b->object_direction = 0;
        return Integer(result, 1);
    }
    if (type >= 1 && type <= 99) return Raise(ctx, Err::OleTypeNoDirection);
    if (type < 100 || type > 399) return Raise(ctx, Err::OleTypeInvalid);
    i64 data_type = type % 100;
    if (data_type == 0) return Raise(ctx, Err::OleTypeNoData);
    if (data_type > 2) return Raise(ctx, Err::OleTypeInvalid);
    b->object_type = static_cast<std::int32_t>(data_type);
    b->object_direction = static_cast<std::int32_t>(type / 100);
    return Integer(result, 1);
}

constexpr ModuleFunction kFunctions[] = {
    {"binaryalloc", FnBinaryAlloc, 0},
    {"binaryfree", FnBinaryFree, 0},
    {"binaryeodget", FnBinaryEODGet, trait::OwnContext},
    {"binaryeodset", FnBinaryEODSet, trait::OwnContext},
    {"binarypeek", FnBinaryPeek, trait::OwnContext},
    {"binarypeek2", FnBinaryPeek2, trait::OwnContext},
    {"binarypeek4", FnBinaryPeek4, trait::OwnContext},
    {"binarypeekflt", FnBinaryPeekFlt, trait::OwnContext},
    {"binarypoke", FnBinaryPoke, trait::OwnContext},
    {"binarypoke2", FnBinaryPoke2, trait::OwnContext},
    {"binarypoke4", FnBinaryPoke4, trait::OwnContext},
    {"binarypokeflt", FnBinaryPokeFlt, trait::OwnContext},
    {"binaryincr", FnBinaryIncr, trait::OwnContext},
    {"binaryincr2", FnBinaryIncr2, trait::OwnContext},
    {"binaryincr4", FnBinaryIncr4, trait::OwnContext},
    {"binaryincrflt", FnBinaryIncrFlt, trait::OwnContext},
    {"binarypeekstr", FnBinaryPeekStr, trait::OwnContext},
    {"binarypokestr", FnBinaryPokeStr, trait::OwnContext},
    {"binarycopy", FnBinaryCopy, trait::OwnContext},
    {"binaryindex", FnBinaryIndex, trait::OwnContext},
    {"binaryindexnc", FnBinaryIndexNc, trait::OwnContext},
    {"binarystrcnt", FnBinaryStrCnt, trait::OwnContext},
    {"binaryread", FnBinaryRead, 0},
    {"binarywrite", FnBinaryWrite, 0},
    {"binaryhashrec", FnBinaryHashRec, trait::OwnContext},
    {"binarysort", FnBinarySort, trait::OwnContext},
    {"binaryoletype", FnBinaryOleType, trait::OwnContext},
};
} // namespace

const Module kBinaryModule =
    MakeModule("binary buffers", kFunctions, FreeBinaryBuffers, ReleaseStage::AfterNotice);

} // namespace jol
