// Script blocks: reading a script file into a block of its own, turning
// UTF-16 text into the system code page, and handing out the lines of a
// block one at a time.
#include <cstring>

#include "exec/error_report.h"
#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/script_run.h"
#include "lang/fast/change_epoch.h"
#include "lang/fast/line_cache.h"
#include "lang/fast/speedups.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "platform/text.h"

namespace jol {
namespace {

// The largest UTF-16 file worth converting: even if every character took
// only one byte per two units (surrogate pairs), a larger file could not
// fit the text limit.
constexpr std::uint64_t kMaxWideFile = 4ull * kMaxScriptText + 2;

constexpr unsigned char kCtrlZ = 26;

// The errors of script loading but ScriptNotFound are shown as the body of
// a box whose title is ExecutionError's.
void ReportLoadError(ScriptContext* ctx, Err message) {
    ReportError(ctx, ctx->host_window, ErrNumber(message), Err::ExecutionError, kSeverityFatal);
}

bool IsByteOrderMark(const char* text) {
    const unsigned mark = static_cast<unsigned char>(text[0]) |
                          static_cast<unsigned>(static_cast<unsigned char>(text[1])) << 8;
    return mark == 0xFEFF || mark == 0xFFFE;
}

// Owns a movable block for one scope: unlocked and freed on every path.
class ScopedBlock {
public:
    ScopedBlock() = default;
    ~ScopedBlock() {
        if (locked_) plat::mem_unlock(handle_);
        if (handle_) plat::mem_free(handle_);
        NoteChange(); // its handle may come back for other bytes
    }
    ScopedBlock(const ScopedBlock&) = delete;
    ScopedBlock& operator=(const ScopedBlock&) = delete;

    bool Allocate(std::size_t bytes) {
        NoteChange();
        handle_ = plat::mem_alloc(bytes);
        return handle_ != 0;
    }
    char* Lock() {
        locked_ = static_cast<char*>(plat::mem_lock(handle_));
        return locked_;
    }
    void Unlock() {
        if (locked_) plat::mem_unlock(handle_);
        locked_ = nullptr;
    }
    plat::MemHandle handle() const { return handle_; }

private:
    plat::MemHandle handle_ = 0;
    char* locked_ = nullptr;
};

class ScopedFile {
public:
    explicit ScopedFile(plat::FileHandle f) : f_(f) {}
    ~ScopedFile() { Close(); }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;
    void Close() {
        if (f_) plat::close_file(f_);
        f_ = 0;
    }
    plat::FileHandle get() const { return f_; }

private:
    plat::FileHandle f_;
};

bool ReadExactly(plat::FileHandle f, char* data, std::size_t bytes) {
    std::size_t got = 0;
    return plat::read_file(f, data, bytes, &got) && got == bytes;
}

// The line fetch of GetNextLine over the locked text, with the positions in
// locals (stores into the line cannot alias them) and the bytes classed
// once each. The same steps and the same cursor on every exit: 1 a line,
// 0 the end, -1 a line too long.
int FetchLine(const unsigned char* text, char* line, std::size_t size, RunCursor& cur) {
    std::uint32_t pos = cur.next_offset;
    const std::uint32_t end = cur.text_length;
    // Line feeds, blanks and tabs before the line are passed over.
    for (; pos < end; ++pos) {
        const unsigned char c = text[pos];
        if (c == 0) {
            cur.next_offset = static_cast<std::uint16_t>(pos);
            return 0;
        }
        if (c != '\n' && c != ' ' && c != '\t') break;
    }
    std::size_t copied = 0;
    if (pos < end) {
        cur.line_start = static_cast<std::uint16_t>(pos);
        const std::size_t room = size - 1;
        while (pos < end) {
            const unsigned char c = text[pos];
            if (c <= kCtrlZ) {
                if (c == 0) {
                    cur.next_offset = static_cast<std::uint16_t>(pos);
                    return 0;
                }
                ++pos;
                if (c == '\n') continue;
                if (c == '\r' || c == kCtrlZ) break;
            } else {
                ++pos;
            }
            if (copied >= room) {
                cur.next_offset = static_cast<std::uint16_t>(pos);
                return -1;
            }
            line[copied++] = static_cast<char>(c);
        }
    }
    cur.next_offset = static_cast<std::uint16_t>(pos);
    if (pos >= end && copied == 0) return 0;
    line[copied] = 0;
    return 1;
}

// Gives out the kept line e as the fetch at the cursor.
int ServeFetchedLine(ScriptContext* ctx, CachedLine* e, char* line, RunCursor& cur) {
    // A short line (most are) goes over as one fixed-size block, with what
    // the entry holds after its terminator.
    constexpr std::size_t kShortLine = 64;
    static_assert(kShortLine <= kCachedLineSize && kShortLine <= kTextSize);
    if (e->line_length < kShortLine)
        std::memcpy(line, e->line, kShortLine);
    else
        std::memcpy(line, e->line, e->line_length + 1u);
    cur.line_start = e->line_start;
    cur.next_offset = e->to;
    NoteFetchedLine(ctx, e, line);
    return 1;
}

// The text of the cursor's block, locked; null when the block cannot be
// locked (the error raised) or the fetch has nothing to read (a next
// offset at or past the end, a jump that leads nowhere, ends the script:
// nothing past the text is ever read).
const unsigned char* LockText(ScriptContext* ctx, std::size_t size, const RunCursor& cur) {
    const void* text = plat::mem_lock(cur.block);
    if (!text) {
        ReportLoadError(ctx, Err::ScriptNoLock);
        Raise(ctx, Err::ScriptNoLock);
        return nullptr;
    }
    if (cur.next_offset >= cur.text_length || size == 0) {
        plat::mem_unlock(cur.block);
        return nullptr;
    }
    return static_cast<const unsigned char*>(text);
}

// Unlocks the text after FetchLine and gives its answer, a line too long
// raised.
int EndFetch(ScriptContext* ctx, const RunCursor& cur, int got) {
    plat::mem_unlock(cur.block);
    if (got >= 0) return got;
    ReportLoadError(ctx, Err::LineTooLong);
    Raise(ctx, Err::LineTooLong);
    return 0;
}

// GetNextLine through the line cache. A line found in the block's bytes at
// the current change epoch is served without the block: nothing can have
// written or freed it since. The line that followed the last one when it
// ran before needs no search. Otherwise the same bytes as last time give
// the same line, and a line fetched afresh is kept.
int FetchThroughLineCache(ScriptContext* ctx, char* line, std::size_t size, RunCursor& cur) {
    const bool keep = size == kTextSize;
    if (keep && cur.next_offset < cur.text_length) {
        if (CachedLine* e =
                FollowingCheckedLine(ctx->token, cur.block, cur.text_length, cur.next_offset))
            return ServeFetchedLine(ctx, e, line, cur);
        if (CachedLine* e = FindCheckedLine(cur.block, cur.text_length, cur.next_offset)) {
            LinkFollowingLine(ctx->token, e, cur.next_offset);
            return ServeFetchedLine(ctx, e, line, cur);
        }
    }
    const unsigned char* text = LockText(ctx, size, cur);
    if (!text) return 0;
    const std::uint16_t from = cur.next_offset;
    if (keep) {
        if (CachedLine* e = FindFetchedLine(cur.block, cur.text_length, from, text)) {
            plat::mem_unlock(cur.block);
            LinkFollowingLine(ctx->token, e, from);
            return ServeFetchedLine(ctx, e, line, cur);
        }
    }
    const int got = FetchLine(text, line, size, cur);
    CachedLine* kept = nullptr;
    if (got == 1 && keep)
        kept = RememberFetchedLine(cur.block, cur.text_length, from, cur.next_offset,
                                   cur.line_start, text, line);
    LinkFollowingLine(ctx->token, kept, from);
    NoteFetchedLine(ctx, kept, line);
    return EndFetch(ctx, cur, got);
}

} // namespace

bool FetchFollowingLine(ScriptContext* ctx, char* line, RunCursor& cur) {
    if (!SpeedupOn(speedup::Lines) || cur.next_offset >= cur.text_length) return false;
    CachedLine* e = FollowingCheckedLine(ctx->token, cur.block, cur.text_length, cur.next_offset);
    if (!e) return false;
    ServeFetchedLine(ctx, e, line, cur);
    return true;
}

int GetNextLine(ScriptContext* ctx, char* line, std::size_t size, RunCursor& cur) {
    if (SpeedupOn(speedup::Lines)) return FetchThroughLineCache(ctx, line, size, cur);
    const unsigned char* text = LockText(ctx, size, cur);
    if (!text) return 0;
    return EndFetch(ctx, cur, FetchLine(text, line, size, cur));
}

std::size_t ConvertUnicodeScript(ScriptContext* ctx, char* text, std::size_t capacity) {
    (void)ctx;
    if (!text || capacity < 2) return 0;
    std::size_t start = IsByteOrderMark(text) ? 2 : 0;
    // The block starts aligned for any type, so its UTF-16 units are too.
    if (reinterpret_cast<std::uintptr_t>(text + start) % alignof(char16_t)) return 0;
    const char16_t* wide = reinterpret_cast<const char16_t*>(text + start);
    const std::size_t max_units = (capacity - start) / 2;
    std::size_t units = 0;
    while (units < max_units && wide[units] != 0)
        ++units;
    if (units == 0) return 0;

    const std::size_t need = plat::wide_to_ansi(wide, units, nullptr, 0);
    if (need == 0 || need + 1 > capacity) return 0;
    ScopedBlock temp;
    char* out = temp.Allocate(need + 1) ? temp.Lock() : nullptr;
    if (!out) return 0;
    const std::size_t n = plat::wide_to_ansi(wide, units, out, need + 1);
    if (n == 0 || n + 1 > capacity) return 0;
    std::memcpy(text, out, n);
    text[n] = 0;
    return n;
}

int LoadScriptFile(ScriptContext* ctx, const char* path) {
    ScopedFile file(plat::open_file_read(path));
    if (!file.get()) {
        CopyBounded(ctx, ctx->error_body, path ? path : "", sizeof ctx->error_body);
        ReportError(ctx, ctx->host_window, 1, Err::ScriptNotFound, kSeverityFatal);
        return 0;
    }
    std::uint64_t size = 0;
    if (!plat::file_size(file.get(), &size)) {
        ReportLoadError(ctx, Err::ScriptReadError);
        return 0;
    }
    char head[2] = {};
    bool wide = false;
    if (size >= 2) {
        if (!ReadExactly(file.get(), head, 2)) {
            ReportLoadError(ctx, Err::ScriptReadError);
            return 0;
        }
        wide = IsByteOrderMark(head);
    }
    if (size > (wide ? kMaxWideFile : kMaxScriptText)) {
        ReportLoadError(ctx, Err::ScriptTooLarge);
        return 0;
    }

    const std::size_t bytes = static_cast<std::size_t>(size);
    ScopedBlock block;
    if (!block.Allocate(bytes + 2)) {
        ReportLoadError(ctx, Err::ScriptNoMemory);
        return 0;
    }
    char* text = block.Lock();
    if (!text) {
        ReportLoadError(ctx, Err::ScriptNoLock);
        return 0;
    }
    const std::size_t done = size >= 2 ? 2 : 0;
    std::memcpy(text, head, done);
    if (!ReadExactly(file.get(), text + done, bytes - done)) {
        ReportLoadError(ctx, Err::ScriptReadError);
        return 0;
    }
    file.Close();
    text[bytes] = 0;
    text[bytes + 1] = 0;

    std::size_t length = bytes;
    if (wide) {
        length = ConvertUnicodeScript(ctx, text, bytes);
        if (length == 0) {
            ReportLoadError(ctx, Err::ScriptBadUnicode);
            return 0;
        }
        if (length > kMaxScriptText) {
            ReportLoadError(ctx, Err::ScriptTooLarge);
            return 0;
        }
    }
    block.Unlock();
    NoteChange(); // the new block's bytes

    RunCursor cur;
    cur.block = block.handle();
    cur.text_length = static_cast<std::uint16_t>(length);
    cur.file = path;
    return RunScript(ctx, cur);
}

} // namespace jol
