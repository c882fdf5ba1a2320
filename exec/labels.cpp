// The label search of GOTO, GOSUB and the :CANCEL rule, and the jump
// records that spare later executions of a jump the search.
#include <cstring>

#include "exec/script_run.h"
#include "host/context/errors.h"
#include "lang/fast/change_epoch.h"
#include "platform/memory.h"
#include "platform/text.h"

namespace jol {
namespace {

constexpr unsigned char kGotoRecord = 0x9F;
constexpr unsigned char kGosubRecord = 0x9E;

bool LabelEnds(char c) {
    return c == 0 || c == ' ' || c == '\t' || c == ';';
}

// True when the fetched line is the label line of label (upper case).
bool IsLabelLine(const char* line, const char* label, std::size_t length) {
    if (line[0] != ':') return false;
    for (std::size_t i = 0; i < length; ++i)
        if (plat::to_upper_char(line[1 + i]) != label[i]) return false;
    return LabelEnds(line[1 + length]);
}

// Writes the jump record over the GOTO or GOSUB statement at offset, when
// the statement is really there.
int WriteJumpRecord(ScriptContext* ctx, const RunCursor& cur, int offset, std::uint16_t target) {
    auto* text = static_cast<unsigned char*>(plat::mem_lock(cur.block));
    if (!text) return Raise(ctx, Err::GotoNoLock);
    if (offset >= 0 && offset + 5 <= cur.text_length &&
        (text[offset] == 'G' || text[offset] == 'g')) {
        const unsigned char third = text[offset + 2];
        text[offset] = (third == 'T' || third == 't') ? kGotoRecord : kGosubRecord;
        for (int i = 0; i < 4; ++i)
            text[offset + 1 + i] =
                static_cast<unsigned char>(0x40 + ((target >> (12 - 4 * i)) & 0xF));
    }
    plat::mem_unlock(cur.block);
    NoteChange(); // the block's bytes are not the ones fetched before
    return 1;
}

} // namespace

int JumpToLabel(ScriptContext* ctx, const char* label, RunCursor& cur, int statement_offset,
                bool no_rewrite) {
    char wanted[kTextSize];
    std::size_t length = 0;
    for (; label[length] && length < sizeof wanted - 1; ++length)
        wanted[length] = plat::to_upper_char(label[length]);
    wanted[length] = 0;

    RunCursor search = cur;
    search.next_offset = 0;
    search.line_start = 0;
    char line[kTextSize];
    while (GetNextLine(ctx, line, sizeof line, search)) {
        if (!IsLabelLine(line, wanted, length)) continue;
        const std::uint16_t target = search.line_start;
        cur.next_offset = target;
        if (!no_rewrite)
            return WriteJumpRecord(ctx, cur, cur.line_start + statement_offset, target);
        return 1;
    }
    return Raise(ctx, Err::GotoLabelNotFound);
}

} // namespace jol
