// A handle value is an integer whose flags are exactly Integer plus
// FileHandle (5); only FileOpen makes one, so a plain number is never taken
// for a handle. The integer is the system's file handle, which the slot
// table holds beside the slot flags (fslot bits, in FileSlot::mode).
#include "lib/data/file_handles.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "platform/system.h"

namespace jol {
namespace {

constexpr std::uint32_t kHandleFlags = vf::Integer | vf::FileHandle;
constexpr const char* kEndMarker = "*EOF*";
constexpr std::size_t kReadAhead = 16384;

// The slot that holds a handle value, null when none does.
FileSlot* SlotOf(ScriptContext* ctx, const Value& v) {
    const std::uint32_t wanted = static_cast<std::uint32_t>(v.i);
    for (FileSlot& s : ctx->files)
        if (s.handle && static_cast<std::uint32_t>(s.handle) == wanted) return &s;
    return nullptr;
}

// The slot of a handle argument; null with bad_handle when the value is no
// handle value, with not_open when no slot holds it.
FileSlot* Lookup(ScriptContext* ctx, const Value& v, Err bad_handle, Err not_open) {
    if (v.flags != kHandleFlags) {
        Raise(ctx, bad_handle);
        return nullptr;
    }
    FileSlot* s = SlotOf(ctx, v);
    if (!s) Raise(ctx, not_open);
    return s;
}

bool IsPipe(const FileSlot& s) {
    return (s.mode & fslot::Pipe) == fslot::Pipe;
}

int FnFileOpen(ScriptContext* ctx, int, Value& result, Value* args) {
    FileSlot* slot = nullptr;
    for (FileSlot& s : ctx->files)
        if (!s.handle) {
            slot = &s;
            break;
        }
    if (!slot) return Raise(ctx, Err::TooManyFiles);
    std::string mode = ArgText(ctx, args[2]);
    for (char& c : mode)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    plat::TextOpen how;
    int flags;
    int share = 0;
    if (mode == "READ") {
        how = plat::TextOpen::Read;
        flags = fslot::Read;
        share = ctx->options.read_share_mode;
    } else if (mode == "WRITE") {
        how = plat::TextOpen::Write;
        flags = fslot::Write;
        share = ctx->options.write_share_mode;
    } else if (mode == "APPEND") {
        how = plat::TextOpen::Append;
        flags = fslot::Write;
    } else if (mode == "PIPE") {
        how = plat::TextOpen::Pipe;
        flags = fslot::Pipe;
    } else {
        return Raise(ctx, Err::FileOpenBadMode);
    }
    const char* name = ArgText(ctx, args[1]);
    // A name longer than the limit is refused whole: a cut name could open
    // (or create) some other file.
    if (std::strlen(name) > kFileNameLimit) return Raise(ctx, Err::FileOpenFailed);
    // The system's critical-error boxes stay away during the open; the
    // mode the process had before comes back afterwards, whatever it was.
    const std::uint32_t before = plat::set_error_mode(plat::errmode::FailCriticalErrors);
    plat::set_error_mode(before | plat::errmode::FailCriticalErrors);
    const plat::FileHandle f = plat::open_text_file(name, how, share);
    plat::set_error_mode(before);
    if (!f) return Raise(ctx, Err::FileOpenFailed);
    slot->handle = f;
    slot->mode = flags;
    slot->pipe = flags == fslot::Pipe ? 1 : 0;
    // Without room for a read-ahead block the file is read a byte at a time.
    if (flags == fslot::Read) slot->buffer = plat::mem_alloc(kReadAhead);
    result.i = static_cast<std::int32_t>(static_cast<std::uint32_t>(f));
    result.flags = kHandleFlags;
    return 1;
}

// The length of the run of bytes at the start of from[0, n) that holds no
// carriage return, line feed or end-of-file mark. Eight bytes are looked at
// a time: a word holds one of the three exactly when one of its bytes
// xor-ed with it is zero, which the borrow of the subtraction shows.
std::size_t PlainRun(const unsigned char* from, std::size_t n) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighs = 0x8080808080808080u;
    const auto has_zero = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
    std::size_t k = 0;
    for (; k + 8 <= n; k += 8) {
        std::uint64_t w;
        std::memcpy(&w, from + k, sizeof w);
        if (has_zero(w ^ (kOnes * 13)) | has_zero(w ^ (kOnes * 10)) | has_zero(w ^ (kOnes * 26)))
            break;
    }
    for (; k < n; ++k) {
        const unsigned char c = from[k];
        if (c == 13 || c == 10 || c == 26) break;
    }
    return k;
}

// The bytes of a slot, handed out one at a time for the length of one read.
// A file opened for reading is read ahead a block at a time, locked once
// for the whole read (a pipe is read a byte at a time, so that a read takes
// only what the other side has written so far).
class SlotBytes {
public:
    explicit SlotBytes(FileSlot* s) : s_(s) {
        if (s_->buffer) data_ = static_cast<unsigned char*>(plat::mem_lock(s_->buffer));
    }
    ~SlotBytes() {
        if (data_) plat::mem_unlock(s_->buffer);
    }
    SlotBytes(const SlotBytes&) = delete;
    SlotBytes& operator=(const SlotBytes&) = delete;

    // 1 with the next byte, 0 at the end of the data, -1 when the read failed.
    int Next(unsigned char* byte) {
        if (!s_->buffer) {
            std::size_t got = 0;
            if (!plat::read_file(s_->handle, byte, 1, &got)) return -1;
            return got == 1 ? 1 : 0;
        }
        if (!data_) return -1;
        if (s_->taken == s_->buffered) {
            std::size_t got = 0;
            s_->taken = s_->buffered = 0;
            if (!plat::read_file(s_->handle, data_, kReadAhead, &got)) return -1;
            s_->buffered = static_cast<std::uint32_t>(got);
            if (got == 0) return 0;
        }
        *byte = data_[s_->taken++];
        return 1;
    }

    // Copies the bytes read ahead up to the next line end, line feed or
    // end-of-file mark, at most room of them; the number copied. These are
    // the bytes Next would hand out one by one to be kept as they are.
    std::size_t TakePlain(char* out, std::size_t room) {
        if (!data_) return 0;
        const unsigned char* from = data_ + s_->taken;
        std::size_t n = s_->buffered - s_->taken;
        if (n > room) n = room;
        n = PlainRun(from, n);
        std::memcpy(out, from, n);
        s_->taken += static_cast<std::uint32_t>(n);
        return n;
    }

private:
    FileSlot* s_;
    unsigned char* data_ = nullptr;
};

int FnFileRead(ScriptContext* ctx, int, Value& result, Value* args) {
    FileSlot* s = Lookup(ctx, args[1], Err::FileReadBadHandle, Err::FileReadNotOpen);
    if (!s) return 0;
    if (!(s->mode & fslot::Read)) return Raise(ctx, Err::FileNotForReading);
    if (s->mode & fslot::MarkerReturned) return Raise(ctx, Err::FileReadPastEnd);
    if (s->mode & fslot::EndMet) {
        s->mode |= fslot::MarkerReturned;
        return ResultCopy(ctx, result, kEndMarker);
    }
    const bool pipe = IsPipe(*s);
    char line[kLineLimit + 1];
    std::size_t n = 0;
    SlotBytes bytes(s);
    for (;;) {
        n += bytes.TakePlain(line + n, kLineLimit - n);
        if (n == kLineLimit) break;
        unsigned char byte = 0;
        const int got = bytes.Next(&byte);
        if (got < 0) return Raise(ctx, Err::FileReadPastEnd);
        if (got == 0 || (!pipe && byte == 26)) {
            if (pipe) break; // the data available so far; a later call reads on
            s->mode |= fslot::EndMet;
            if (n == 0) {
                s->mode |= fslot::MarkerReturned;
                return ResultCopy(ctx, result, kEndMarker);
            }
            break;
        }
        if (byte == 13) break;
        if (byte == 10) continue;
        line[n++] = static_cast<char>(byte);
        if (n == kLineLimit) break;
    }
    if (pipe && n == 0) return ResultCopy(ctx, result, kEndMarker);
    line[n] = 0;
    return ResultCopy(ctx, result, line);
}

int FnFileWrite(ScriptContext* ctx, int, Value&, Value* args) {
    FileSlot* s = Lookup(ctx, args[1], Err::FileWriteBadHandle, Err::FileWriteNotOpen);
    if (!s) return 0;
    if (!(s->mode & fslot::Write)) return Raise(ctx, Err::FileNotForWriting);
    std::string data = ArgText(ctx, args[2]);
    if (!IsPipe(*s)) data += "\r\n";
    // One write for the line and its end; a short write is a failure.
    std::size_t put = 0;
    if (!plat::write_data_file(s->handle, data.data(), data.size(), &put) || put != data.size())
        return Raise(ctx, Err::FileWriteFailed);
    return 1;
}

int FnFileClose(ScriptContext* ctx, int, Value&, Value* args) {
    FileSlot* s = Lookup(ctx, args[1], Err::FileCloseBadHandle, Err::FileCloseNotOpen);
    if (!s) return 0;
    // What was written must reach the file: a failed flush (or close) is
    // reported as a failed write. The slot is free in either case.
    bool ok = true;
    if (s->mode & fslot::Write) ok = plat::flush_file(s->handle);
    ok = plat::close_file(s->handle) && ok;
    ReleaseFileSlot(*s);
    if (!ok) return Raise(ctx, Err::FileWriteFailed);
    return 1;
}

} // namespace

void ReleaseFileSlot(FileSlot& s) {
    if (s.buffer) plat::mem_free(s.buffer);
    s = FileSlot{};
}

namespace {

constexpr ModuleFunction kFunctions[] = {
    {"fileopen", FnFileOpen, 0},
    {"fileread", FnFileRead, trait::ProgramCall},
    {"filewrite", FnFileWrite, trait::ProgramCall},
    {"fileclose", FnFileClose, 0},
};

} // namespace

namespace {

// Closes every file the script left open.
void ReleaseFiles(ScriptContext* ctx) {
    for (FileSlot& f : ctx->files) {
        if (f.handle) plat::close_file(f.handle);
        ReleaseFileSlot(f);
    }
}

} // namespace

const Module kFileHandleModule =
    MakeModule("file handles", kFunctions, ReleaseFiles, ReleaseStage::AfterNotice);

} // namespace jol
