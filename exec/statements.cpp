// The statement executor. JOL has no block parser: structures run line by
// line with the structure stack, and the lines of a false branch are passed
// in a skipping state in which only structure words are looked at.
#include <cstring>

#include "exec/error_report.h"
#include "exec/script_run.h"
#include "host/context/assert.h"
#include "host/context/errors.h"
#include "host/context/message_pump.h"
#include "lang/conversion.h"
#include "lang/evaluator.h"
#include "lang/fast/expression_programs.h"
#include "lang/fast/speedups.h"
#include "lang/fast/token_cache.h"
#include "lang/keyword_table.h"
#include "lang/math_functions.h"
#include "lang/string_heap.h"
#include "lang/tokenizer.h"
#include "lang/variables.h"
#include "platform/boxes.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "resources/message_table.h"

namespace jol {
namespace {

// Record codes of the structure stack.
constexpr std::uint16_t kForRecord = 257;
constexpr std::uint16_t kSwitchRecord = 388;
constexpr std::uint16_t kWhileRecord = 411;
constexpr std::uint16_t kIfRecord = 10001;
constexpr std::uint16_t kElseRecord = 10002;
constexpr std::uint16_t kGosubFalse = 29000;
constexpr std::uint16_t kGosubTrue = 29001;
constexpr std::uint16_t kGosubNone = 29003;
constexpr std::uint16_t kCallRecord = 158;

// Record states.
constexpr std::uint16_t kFalse = 1;
constexpr std::uint16_t kSkipped = 2;
constexpr std::uint16_t kContinued = 4;
constexpr std::uint16_t kBroken = 8;
constexpr std::uint16_t kLoopEndMask = kFalse | kSkipped | kBroken;

// Jump records.
constexpr unsigned char kGotoRecord = 0x9F;
constexpr unsigned char kGosubRecord = 0x9E;

// Trace kinds.
enum TraceKind {
    kTraceExpression = 0,
    kTraceSingleLine = 1,
    kTraceSkipped = 2,
    kTraceWhile = 3,
    kTraceEnd = 4,
    kTraceSwitch = 5,
    kTraceBreak = 6,
    kTraceContinue = 7,
    kTraceFor = 8,
    kTraceJump = 9,
    kTraceBlockIf = 10,
    kTraceBlockElse = 11,
    kTraceCase = 12,
};

StructureRecord* Top(ScriptContext* ctx) {
    StructureStack& s = ctx->structures;
    JOL_ASSERT(s.depth >= 0 && s.depth <= kStructureDepth);
    if (s.depth <= 0 || s.depth > kStructureDepth) return nullptr;
    return &s.records[s.depth - 1];
}

bool IsGosubRecord(std::uint16_t code) {
    return code == kGosubFalse || code == kGosubTrue || code == kGosubNone;
}

// A push onto a full stack fails and writes nothing.
int Push(ScriptContext* ctx, std::uint16_t code, std::uint16_t offset, std::uint16_t state,
         std::uint16_t extra = 0) {
    StructureStack& s = ctx->structures;
    JOL_ASSERT(s.depth >= 0 && s.depth <= kStructureDepth);
    if (s.depth < 0 || s.depth >= kStructureDepth) return Raise(ctx, Err::StructureTooDeep);
    s.records[s.depth++] = StructureRecord{code, offset, state, extra};
    return 1;
}

void Pop(ScriptContext* ctx) {
    StructureStack& s = ctx->structures;
    JOL_ASSERT(s.depth >= 0 && s.depth <= kStructureDepth);
    if (s.depth <= 0) return;
    s.records[--s.depth] = StructureRecord{};
}

std::uint16_t GosubCode(std::int32_t last_if) {
    return last_if == 0 ? kGosubFalse : last_if == 1 ? kGosubTrue : kGosubNone;
}

void Trace(ScriptContext* ctx, int kind, int truth = 0) {
    ctx->trace.kind = kind;
    ctx->trace.truth = truth;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

const char* SkipBlanks(const char* p) {
    while (IsBlank(*p))
        ++p;
    return p;
}

bool TokenIs(const ScriptContext* ctx, int id) {
    return ctx->token.cls == TokenClass::Keyword && ctx->token.id == id;
}

bool AtEnd(const ScriptContext* ctx) {
    return ctx->token.cls == TokenClass::End;
}

int HexDigit(unsigned char c) {
    return c >= 0x40 && c <= 0x4F ? c - 0x40 : -1;
}

// The target of a jump record at p, or -1 when the bytes are no jump record
// (such bytes also occur in text) or point outside the text.
int JumpTarget(const unsigned char* p, const RunCursor& cur) {
    if (*p != kGotoRecord && *p != kGosubRecord) return -1;
    int target = 0;
    for (int i = 1; i <= 4; ++i) {
        int d = HexDigit(p[i]);
        if (d < 0) return -1;
        target = target * 16 + d;
    }
    return target < cur.text_length ? target : -1;
}

// Evaluates the expression at the current token (no assignment) into v.
int Evaluate(ScriptContext* ctx, Value& v) {
    v = Value{};
    return ProcessSubExpression(ctx, v, 0);
}

// The expression after the statement word just read, into v, from the
// program a run of the line made before, without reading its first token
// first: 1 evaluated, 0 failed (as Evaluate), -1 not run (nothing read).
int ProgramAfterWord(ScriptContext* ctx, Value& v) {
    const int first = ProgramTokenAt(ctx, ctx->token.cursor, 0);
    if (first < 0) return -1;
    v = Value{};
    return RunMadeProgram(ctx, v, first, 0);
}

// The integer view of a condition; Err::NoNumber when it has none.
int Condition(ScriptContext* ctx, Value& v, std::int32_t* out) {
    if (!ToInteger(ctx, v, true)) {
        ReleaseValue(ctx, v);
        return Raise(ctx, Err::NoNumber);
    }
    *out = v.i;
    ReleaseValue(ctx, v);
    return 1;
}

// Makes v a number (integer or float view, no string); Err::ForNotNumber
// when it is none.
int ForNumber(ScriptContext* ctx, Value& v) {
    if (v.flags & (vf::Integer | vf::Float)) {
        ReleaseValue(ctx, v);
        return 1;
    }
    if (ToInteger(ctx, v, false) || ToFloat(ctx, v)) {
        ReleaseValue(ctx, v);
        return 1;
    }
    ReleaseValue(ctx, v);
    return Raise(ctx, Err::ForNotNumber);
}

bool Negative(const Value& v) {
    return (v.flags & vf::Integer) ? v.i < 0 : v.f < 0;
}

// Stores a number in a variable, releasing what the variable held.
int StoreNumber(ScriptContext* ctx, int index, Value v) {
    v.str = 0;
    v.flags &= vf::Integer | vf::Float;
    v.var = -1;
    ClearVariable(ctx, index);
    return StoreVariable(ctx, index, v);
}

// The numeric value of a variable; a string it held is released and its
// string flag cleared. Err::ForNotNumber when it has no number.
int VariableNumber(ScriptContext* ctx, int index, Value& out) {
    if (index < 0 || index >= ctx->vars_count) return Raise(ctx, Err::ForNotNumber);
    VarEntry& e = ctx->vars[index];
    out = Value{};
    out.f = e.f;
    out.i = e.i;
    out.flags = e.flags;
    out.str = (e.flags & vf::String) ? e.str : 0;
    // The string now belongs to out: the conversion below frees it.
    e.str = 0;
    e.flags &= ~vf::String;
    if (!ForNumber(ctx, out)) return 0;
    e.f = out.f;
    e.i = out.i;
    e.flags = out.flags;
    return 1;
}

struct Statement {
    ScriptContext* ctx;
    Value& result;
    char* line;
    int offset;
    RunCursor& cur;
    bool substituted;
    std::uint16_t skip; // state of the innermost record when the statement began
};

int Run(ScriptContext* ctx, Value& result, char* line, int offset, RunCursor& cur,
        bool substituted);

// ------------------------------------------------------------- IF THEN ELSE

// THEN and ELSE: the single-line form runs the rest of the line, the block
// form opens or flips an IF record.
int ThenElse(Statement& s, bool is_else) {
    ScriptContext* ctx = s.ctx;
    const char* rest = SkipBlanks(ctx->token.cursor);
    if (*rest && *rest != ';') {
        if (ctx->last_if == -1 && !s.skip) return Raise(ctx, Err::NoIfForThenElse);
        int flag = is_else ? (ctx->last_if == 0 ? 1 : 0) : (ctx->last_if == 1 ? 1 : 0);
        Trace(ctx, kTraceSingleLine, flag);
        if (!flag || s.skip) return 1;
        const int r =
            Run(ctx, s.result, s.line, static_cast<int>(rest - s.line), s.cur, s.substituted);
        // The trace tells of the THEN or ELSE, not of the statement it ran.
        Trace(ctx, kTraceSingleLine, 1);
        return r;
    }
    if (!is_else) {
        std::uint16_t state;
        if (s.skip) {
            state = kSkipped;
            Trace(ctx, kTraceSkipped);
        } else {
            if (ctx->last_if == -1) return Raise(ctx, Err::NoIfForThenElse);
            state = ctx->last_if == 0 ? kFalse : 0;
            Trace(ctx, kTraceBlockIf, state == 0);
        }
        ctx->last_if = -1;
        return Push(ctx, kIfRecord, s.cur.line_start, state);
    }
    ctx->last_if = -1;
    StructureRecord* top = Top(ctx);
    if (!top) return Raise(ctx, Err::EndNotFound);
    if (top->code != kIfRecord) return Raise(ctx, Err::ElseNoIf);
    if (top->state == 0 || top->state == kFalse) {
        top->state = top->state == 0 ? kFalse : 0;
        Trace(ctx, kTraceBlockElse, top->state == 0);
    } else {
        Trace(ctx, kTraceSkipped);
    }
    top->code = kElseRecord;
    return 1;
}

// IF once its condition is evaluated into v.
int IfEvaluated(Statement& s, Value& v) {
    ScriptContext* ctx = s.ctx;
    if (!TokenIs(ctx, kw::Then) && !AtEnd(ctx)) {
        ReleaseValue(ctx, v);
        return Raise(ctx, Err::ThenNotFound);
    }
    std::int32_t c;
    if (!Condition(ctx, v, &c)) return 0;
    ctx->last_if = c != 0;
    ctx->trace.truth = c != 0;
    return ThenElse(s, false);
}

int If(Statement& s) {
    ScriptContext* ctx = s.ctx;
    if (!s.skip) {
        Value v;
        if (const int quick = ProgramAfterWord(ctx, v); quick >= 0) {
            if (!quick) return 0;
        } else {
            if (!NextToken(ctx)) return 0;
            if (!Evaluate(ctx, v)) return 0;
        }
        return IfEvaluated(s, v);
    }
    // Passed over: read up to THEN without evaluating anything.
    for (;;) {
        if (!NextToken(ctx)) {
            // A token that does not read is stepped over.
            ClearSpeculativeError(ctx);
            ctx->token.cls = TokenClass::String;
            if (*ctx->token.cursor) ++ctx->token.cursor;
        }
        if (AtEnd(ctx) || TokenIs(ctx, kw::Then)) break;
    }
    ctx->last_if = 0;
    return ThenElse(s, false);
}

// --------------------------------------------------------------- loops

// WHILE once its condition is evaluated into v.
int WhileEvaluated(Statement& s, Value& v) {
    ScriptContext* ctx = s.ctx;
    if (!AtEnd(ctx)) {
        ReleaseValue(ctx, v);
        return Raise(ctx, Err::PastEnd);
    }
    std::int32_t c;
    if (!Condition(ctx, v, &c)) return 0;
    ctx->trace.truth = c != 0;
    return Push(ctx, kWhileRecord, s.cur.line_start, c ? 0 : kFalse);
}

int While(Statement& s) {
    ScriptContext* ctx = s.ctx;
    ctx->last_if = -1;
    Trace(ctx, kTraceWhile);
    if (s.skip) return Push(ctx, kWhileRecord, s.cur.line_start, kSkipped);
    Value v;
    if (const int quick = ProgramAfterWord(ctx, v); quick >= 0) {
        if (!quick) return 0;
    } else {
        if (!NextToken(ctx)) return 0;
        if (AtEnd(ctx)) return Raise(ctx, Err::Incomplete);
        if (!Evaluate(ctx, v)) return 0;
    }
    return WhileEvaluated(s, v);
}

// A round of a FOR loop whose bound, step and variable are plain integers
// and no math error is pending: the steps of the general round below (the
// variable's number, its sum with the step, its store and the comparison
// with the bound) done at once, with the same wrapping sum and the same
// entry afterwards. False, with nothing changed, when the round needs the
// general steps.
bool IntegerRound(ScriptContext* ctx, const Statement& s, StructureRecord* top, int index,
                  const Value& end, Value step, bool first) {
    if (step.flags == 0) {
        // no BY part: a step of 1
        step.flags = vf::Integer;
        step.i = 1;
    }
    if (end.flags != vf::Integer || step.flags != vf::Integer || index >= ctx->vars_count)
        return false;
    VarEntry& e = ctx->vars[index];
    if (e.flags != vf::Integer || e.str || PendingMathError() != Err::None) return false;
    if (!first) {
        e.i = static_cast<std::int32_t>(static_cast<std::uint32_t>(e.i) +
                                        static_cast<std::uint32_t>(step.i));
        ctx->last_assigned_var = static_cast<std::uint16_t>(index);
    }
    const bool more = step.i < 0 ? end.i <= e.i : end.i >= e.i;
    if (s.skip && !first) {
        top->state = kSkipped;
        Trace(ctx, kTraceSkipped);
    } else {
        top->state = more ? 0 : kFalse;
        ctx->trace.truth = more;
    }
    return true;
}

// The TO part of a FOR line: the first round (first) or a round resumed by
// NEXT.
// TO once its bound is evaluated into end; top is the FOR record.
int ToEvaluated(Statement& s, bool first, StructureRecord* top, Value& end) {
    ScriptContext* ctx = s.ctx;
    const int index = top->extra;
    if (!ForNumber(ctx, end)) return 0;
    if (AtEnd(ctx) && SpeedupOn(speedup::IntegerFor) &&
        IntegerRound(ctx, s, top, index, end, Value{}, first))
        return 1;
    Value var;
    if (!VariableNumber(ctx, index, var)) return 0;

    Value step;
    step.flags = vf::Integer;
    step.i = 1;
    if (!AtEnd(ctx)) {
        if (!TokenIs(ctx, kw::By)) return Raise(ctx, Err::PastEnd);
        if (!NextToken(ctx)) return 0;
        if (!Evaluate(ctx, step)) return 0;
        if (!AtEnd(ctx)) {
            ReleaseValue(ctx, step);
            return Raise(ctx, Err::PastEnd);
        }
        if (!ForNumber(ctx, step)) return 0;
    }
    if (SpeedupOn(speedup::IntegerFor) && IntegerRound(ctx, s, top, index, end, step, first))
        return 1;
    const bool down = Negative(step);

    if (!first) {
        if (!ApplyBinary(ctx, kw::Plus, var, step)) return 0;
        if (!StoreNumber(ctx, index, var)) return 0;
    }
    Value bound = end;
    Value current = var;
    current.str = 0;
    if (!Compare(ctx, down ? kw::LessEqual : kw::GreaterEqual, bound, current)) return 0;
    top = Top(ctx);
    if (s.skip && !first) {
        top->state = kSkipped;
        Trace(ctx, kTraceSkipped);
    } else {
        top->state = bound.i ? 0 : kFalse;
        ctx->trace.truth = bound.i != 0;
    }
    return 1;
}

int To(Statement& s, bool first) {
    ScriptContext* ctx = s.ctx;
    ctx->last_if = -1;
    Trace(ctx, kTraceFor);
    StructureRecord* top = Top(ctx);
    if (!top || top->code != kForRecord) return Raise(ctx, Err::ToWithoutFor);
    Value end;
    if (const int quick = ProgramAfterWord(ctx, end); quick >= 0) {
        if (!quick) return 0;
    } else {
        if (!NextToken(ctx)) return 0;
        if (!Evaluate(ctx, end)) return 0;
    }
    return ToEvaluated(s, first, top, end);
}

// Where a FOR line resumes on later rounds: the position of its TO part.
// The start value ends at the first space, so it must be written without
// spaces.
int ResumeOffset(ScriptContext* ctx, const char* line, const RunCursor& cur, std::uint16_t* out) {
    int i = 0;
    auto spaces = [&] {
        while (line[i] == ' ')
            ++i;
    };
    if (line[i] == ':')
        while (line[i] && line[i] != ' ')
            ++i;
    spaces();
    for (int n = 0; n < 3; ++n) {
        if (!line[i]) return Raise(ctx, Err::ForSyntax);
        ++i;
    }
    spaces();
    while (line[i] && line[i] != ' ' && line[i] != '=')
        ++i;
    spaces();
    if (line[i] != '=') return Raise(ctx, Err::ForSyntax);
    ++i;
    spaces();
    while (line[i] && line[i] != ' ')
        ++i;
    spaces();
    if (!line[i]) return Raise(ctx, Err::ForSyntax);
    const int offset = cur.line_start + i;
    if (offset >= cur.text_length) return Raise(ctx, Err::ForSyntax);
    *out = static_cast<std::uint16_t>(offset);
    return 1;
}

int For(Statement& s) {
    ScriptContext* ctx = s.ctx;
    if (s.skip) {
        Trace(ctx, kTraceSkipped);
        return Push(ctx, kForRecord, 0, kSkipped);
    }
    ctx->last_if = -1;
    if (!NextToken(ctx)) return 0;
    if (AtEnd(ctx)) return Raise(ctx, Err::Incomplete);
    if (ctx->token.cls != TokenClass::Variable) return Raise(ctx, Err::ForSyntax);
    int index = LookupVariableHinted(ctx, ctx->token.text, ctx->token.var_slot);
    if (index < 0) index = MentionVariable(ctx, ctx->token.text);
    if (index < 0) return 0;
    if (!NextToken(ctx)) return 0;
    if (!TokenIs(ctx, kw::Assign)) return Raise(ctx, Err::ForSyntax);
    if (!NextToken(ctx)) return 0;
    Value start;
    if (!Evaluate(ctx, start) || !ForNumber(ctx, start)) return 0;
    if (!StoreNumber(ctx, index, start)) return 0;
    if (!TokenIs(ctx, kw::To)) return Raise(ctx, Err::ForSyntax);
    std::uint16_t resume;
    if (!ResumeOffset(ctx, s.line, s.cur, &resume)) return 0;
    if (!Push(ctx, kForRecord, resume, 0, static_cast<std::uint16_t>(index))) return 0;
    return To(s, true);
}

// --------------------------------------------------------------- SWITCH

int SwitchValue(ScriptContext* ctx, std::int32_t* out) {
    Value v;
    if (!Evaluate(ctx, v)) return 0;
    if (!AtEnd(ctx)) {
        ReleaseValue(ctx, v);
        return Raise(ctx, Err::PastEnd);
    }
    if ((v.flags & vf::Float) && !(v.flags & vf::Integer)) {
        ReleaseValue(ctx, v);
        return Raise(ctx, Err::SwitchNotInteger);
    }
    if (!ToInteger(ctx, v, false)) {
        ReleaseValue(ctx, v);
        return Raise(ctx, Err::SwitchNotInteger);
    }
    *out = v.i;
    ReleaseValue(ctx, v);
    return 1;
}

int Switch(Statement& s) {
    ScriptContext* ctx = s.ctx;
    ctx->last_if = -1;
    Trace(ctx, kTraceSwitch);
    if (s.skip) return Push(ctx, kSwitchRecord, 0, kSkipped);
    if (!NextToken(ctx)) return 0;
    std::int32_t n;
    if (!SwitchValue(ctx, &n)) return 0;
    const auto u = static_cast<std::uint32_t>(n);
    return Push(ctx, kSwitchRecord, static_cast<std::uint16_t>(u >> 16), kFalse,
                static_cast<std::uint16_t>(u & 0xFFFF));
}

int Case(Statement& s) {
    ScriptContext* ctx = s.ctx;
    ctx->last_if = -1;
    Trace(ctx, kTraceCase, 0);
    StructureRecord* top = Top(ctx);
    if (!top || top->code != kSwitchRecord) return Raise(ctx, Err::CaseNoSwitch);
    if (top->state != kFalse && top->state != kContinued) return 1;
    // A CASE value that cannot be read matches nothing.
    if (!NextToken(ctx)) {
        ClearSpeculativeError(ctx);
        return 1;
    }
    Value v;
    if (!Evaluate(ctx, v)) {
        ClearSpeculativeError(ctx);
        return 1;
    }
    if (!AtEnd(ctx)) {
        ReleaseValue(ctx, v);
        return Raise(ctx, Err::PastEnd);
    }
    if (!ToInteger(ctx, v, false)) {
        ReleaseValue(ctx, v);
        return Raise(ctx, Err::SwitchNotInteger);
    }
    const auto u = static_cast<std::uint32_t>(v.i);
    ReleaseValue(ctx, v);
    if (top->offset == (u >> 16) && top->extra == (u & 0xFFFF)) {
        top->state = 0;
        ctx->trace.truth = 1;
    }
    return 1;
}

// --------------------------------------------------------- BREAK CONTINUE

int BreakContinue(Statement& s, bool is_break) {
    ScriptContext* ctx = s.ctx;
    ctx->last_if = -1;
    Trace(ctx, is_break ? kTraceBreak : kTraceContinue);
    StructureRecord* top = Top(ctx);
    if (!top) return Raise(ctx, is_break ? Err::BreakOutside : Err::ContinueOutside);
    if (s.skip) return 1;
    // A subroutine or called script is no loop: leaving it this way would
    // skip the rest of the script without a word.
    if (IsGosubRecord(top->code) || top->code == kCallRecord)
        return Raise(ctx, Err::BreakNotInLoop);
    top->state = is_break ? kBroken : kContinued;
    ctx->trace.truth = 1;
    return 1;
}

// ------------------------------------------------------------- end words

int EndWord(Statement& s, int word) {
    ScriptContext* ctx = s.ctx;
    ctx->last_if = -1;
    Trace(ctx, kTraceEnd);
    StructureRecord* top = Top(ctx);
    if (!top) return Raise(ctx, Err::EndNotFound);
    bool match = false;
    switch (word) {
    case kw::EndIf:
        match = top->code == kIfRecord || top->code == kElseRecord;
        break;
    case kw::EndSwitch:
        match = top->code == kSwitchRecord;
        break;
    case kw::EndWhile:
        match = top->code == kWhileRecord;
        break;
    case kw::Next:
        match = top->code == kForRecord;
        break;
    }
    if (!match) return Raise(ctx, Err::EndNoMatch);
    const std::uint16_t state = top->state;
    if (word == kw::Next && !(state & kLoopEndMask)) {
        s.cur.next_offset = top->offset;
        top->state = 0;
        return 1;
    }
    if (word == kw::EndWhile && !(state & kLoopEndMask)) s.cur.next_offset = top->offset;
    Pop(ctx);
    if (word == kw::EndIf && (state & (kContinued | kBroken))) {
        StructureRecord* outer = Top(ctx);
        if (!outer || IsGosubRecord(outer->code) || outer->code == kCallRecord)
            return Raise(ctx, Err::BreakNotInLoop);
        outer->state |= state & (kContinued | kBroken);
    }
    return 1;
}

int EndFollowedByWord(Statement& s) {
    ScriptContext* ctx = s.ctx;
    ctx->last_if = -1;
    if (!NextToken(ctx)) return 0;
    if (ctx->token.cls == TokenClass::Keyword) {
        switch (ctx->token.id) {
        case kw::For:
            return EndWord(s, kw::Next);
        case kw::If:
            return EndWord(s, kw::EndIf);
        case kw::Select:
        case kw::Switch:
            return EndWord(s, kw::EndSwitch);
        case kw::While:
            return EndWord(s, kw::EndWhile);
        }
    }
    return Raise(ctx, Err::EndUnidentified);
}

// ---------------------------------------------------------- jumps

// Reads the label name of a GOTO or GOSUB into label.
int LabelName(ScriptContext* ctx, char* label, std::size_t size) {
    GetNameToken(ctx);
    if (ctx->error_code) return 0;
    if (ctx->token.cls == TokenClass::End) return Raise(ctx, Err::GotoNoLabel);
    if (ctx->token.cls != TokenClass::String) return Raise(ctx, Err::GotoNoLabel);
    if (!ctx->token.text[0]) return Raise(ctx, Err::Incomplete);
    std::size_t n = std::strlen(ctx->token.text);
    if (n >= size) n = size - 1;
    std::memcpy(label, ctx->token.text, n);
    label[n] = 0;
    return 1;
}

int Goto(Statement& s) {
    ScriptContext* ctx = s.ctx;
    ctx->last_if = -1;
    char label[kTextSize];
    if (!LabelName(ctx, label, sizeof label)) return 0;
    return JumpToLabel(ctx, label, s.cur, s.offset, s.substituted);
}

int Gosub(Statement& s) {
    ScriptContext* ctx = s.ctx;
    if (s.skip) {
        Trace(ctx, kTraceSkipped);
        return 1;
    }
    const std::uint16_t code = GosubCode(ctx->last_if);
    ctx->last_if = -1;
    Trace(ctx, kTraceJump, 1);
    char label[kTextSize];
    if (!LabelName(ctx, label, sizeof label)) return 0;
    if (!NextToken(ctx)) return 0;
    if (!AtEnd(ctx)) return Raise(ctx, Err::PastEnd);
    if (!Push(ctx, code, s.cur.next_offset, 0)) return 0;
    return JumpToLabel(ctx, label, s.cur, s.offset, s.substituted);
}

int Return(Statement& s) {
    ScriptContext* ctx = s.ctx;
    ctx->last_if = -1;
    if (s.skip) {
        Trace(ctx, kTraceSkipped);
        return 1;
    }
    Trace(ctx, kTraceJump);
    StructureStack& st = ctx->structures;
    for (int i = st.depth - 1; i >= 0; --i) {
        const StructureRecord r = st.records[i];
        if (IsGosubRecord(r.code) || r.code == kCallRecord) {
            while (st.depth > i)
                Pop(ctx);
            if (r.code == kCallRecord) return kRunReturned;
            s.cur.next_offset = r.offset;
            ctx->last_if = r.code == kGosubFalse ? 0 : r.code == kGosubTrue ? 1 : -1;
            return 1;
        }
    }
    return kRunReturned;
}

// ------------------------------------------------------------- commands

int Execute(Statement& s) {
    ScriptContext* ctx = s.ctx;
    const char* rest = SkipBlanks(ctx->token.cursor);
    if (*rest == ';') return 1;
    int r = Run(ctx, s.result, s.line, static_cast<int>(rest - s.line), s.cur, true);
    if (r != 0) return r;
    const int code = ctx->error_code;
    if (code == 0 || (IsStopCode(code) && !ErrorIs(ctx, Err::StopReported))) return r;
    // The failure of the executed text is shown at once, whatever the error
    // mode.
    if (ctx->sounds) plat::play_system_sound("SystemHand");
    char title[kTextSize] = "EXECUTE::";
    char text[kTextSize];
    LoadMessage(ctx, code, text, sizeof text);
    std::strncat(title, text, sizeof title - std::strlen(title) - 1);
    int answer =
        ShowMessageBox(ctx, ctx->host_window, s.line, title,
                       plat::mb::OkCancel | plat::mb::IconExclamation | plat::mb::SetForeground);
    if (answer == plat::id::Ok) {
        ClearError(ctx);
        return 1;
    }
    RecordStop(ctx, code, nullptr);
    ctx->extended_error = 999;
    return ReplaceError(ctx, Err::StopReported);
}

int Command(Statement& s, int id) {
    ScriptContext* ctx = s.ctx;
    switch (id) {
    case kw::Beep:
        plat::beep();
        return 1;
    case kw::Execute:
        return Execute(s);
    case kw::Exit:
        ctx->last_if = -1;
        return Raise(ctx, Err::StopExit);
    case kw::Goto:
        return Goto(s);
    case kw::Yield:
        PumpMessages(ctx);
        return 1;
    }
    return Raise(ctx, Err::StructureUndefined);
}

int StructureWord(Statement& s, int id) {
    switch (id) {
    case kw::If:
        return If(s);
    case kw::Then:
        return ThenElse(s, false);
    case kw::Else:
        return ThenElse(s, true);
    case kw::While:
        return While(s);
    case kw::For:
        return For(s);
    case kw::To:
        return To(s, false);
    case kw::Switch:
    case kw::Select:
        return Switch(s);
    case kw::Case:
        return Case(s);
    case kw::Break:
        return BreakContinue(s, true);
    case kw::Continue:
        return BreakContinue(s, false);
    case kw::EndIf:
        return EndWord(s, kw::EndIf);
    case kw::EndWhile:
        return EndWord(s, kw::EndWhile);
    case kw::Next:
    case kw::EndFor:
        return EndWord(s, kw::Next);
    case kw::EndSwitch:
    case kw::EndSelect:
        return EndWord(s, kw::EndSwitch);
    case kw::End:
        return EndFollowedByWord(s);
    case kw::Gosub:
        return Gosub(s);
    case kw::Return:
        return Return(s);
    }
    return Raise(s.ctx, Err::StructureUndefined);
}

// A statement of a line that ran before, from the token recorded at its
// start, where that needs no reading of the line:
// - IF, WHILE and TO (a FOR round), whose expression runs from the
//   program made for it then: the word itself is not handed out into the
//   token state first, since the expression's tokens replace it before
//   anything can see it;
// - the words that end or flip a structure, handed out at once;
// - a name that starts a passed-over line, handed out (and so mentioned)
//   as reading it does.
// -1, with nothing changed, where none applies; the statement is then
// read as usual.
int RecordedStatement(Statement& s) {
    ScriptContext* ctx = s.ctx;
    CachedLine* e = BoundTokens(ctx);
    if (!e) return -1;
    const char* base = ctx->token.cached_base;
    const char* at = s.line + s.offset;
    if (at < base || at - base > e->line_length) return -1;
    const unsigned k = e->slot[at - base];
    if (k == 0) return -1;
    const CachedToken& w = e->tokens[k - 1u];
    if (w.cls == TokenClass::Variable) {
        if (!s.skip) return -1;
        ServeCachedToken(ctx, *e, static_cast<int>(k - 1u));
        // A passed-over line need not read.
        if (ctx->error_code) ClearSpeculativeError(ctx);
        Trace(ctx, kTraceSkipped);
        return 1;
    }
    if (w.cls != TokenClass::Keyword || w.row_kind != kind::Structure + 1) return -1;
    switch (w.id) {
    case kw::EndIf:
    case kw::EndWhile:
    case kw::Next:
    case kw::EndFor:
    case kw::Else:
        ServeCachedToken(ctx, *e, static_cast<int>(k - 1u));
        return StructureWord(s, w.id);
    case kw::If:
    case kw::While:
    case kw::To:
        break;
    default:
        return -1;
    }
    if (s.skip) return -1;
    StructureRecord* top = nullptr;
    if (w.id == kw::To) {
        top = Top(ctx);
        if (!top || top->code != kForRecord) return -1;
    }
    const int first = ProgramTokenAt(ctx, base + w.end, 0);
    if (first < 0) return -1;
    Value v{};
    const int r = RunMadeProgram(ctx, v, first, 0);
    if (r < 0) return -1;
    if (w.id == kw::If) return r ? IfEvaluated(s, v) : 0;
    ctx->last_if = -1;
    if (w.id == kw::While) {
        Trace(ctx, kTraceWhile);
        return r ? WhileEvaluated(s, v) : 0;
    }
    Trace(ctx, kTraceFor);
    return r ? ToEvaluated(s, false, top, v) : 0;
}

int Run(ScriptContext* ctx, Value& result, char* line, int offset, RunCursor& cur,
        bool substituted) {
    const StructureRecord* top = Top(ctx);
    const std::uint16_t skip = top ? top->state : 0;
    ctx->trace.skip_at_start = skip;
    Statement s{ctx, result, line, offset, cur, substituted, skip};

    const auto* first = reinterpret_cast<const unsigned char*>(line + offset);
    const int target = JumpTarget(first, cur);
    if (target >= 0) {
        if (skip) return 1;
        if (*first == kGosubRecord && !Push(ctx, GosubCode(ctx->last_if), cur.next_offset, 0))
            return 0;
        Trace(ctx, kTraceJump, 1);
        cur.next_offset = static_cast<std::uint16_t>(target);
        return 1;
    }

    if (const int r = RecordedStatement(s); r >= 0) return r;

    // A statement of a line that ran before, which starts with a name, runs
    // from its expression program at once.
    if (const int first = skip ? -1 : ProgramTokenAt(ctx, line + offset, 1); first >= 0) {
        const int r = RunMadeProgram(ctx, result, first, 1);
        if (r >= 0) {
            Trace(ctx, kTraceExpression);
            if (r == 0) return 0;
            if (AtEnd(ctx)) return 1;
            return Raise(ctx, Err::PastEnd);
        }
    }

    ctx->token.cursor = line + offset;
    if (!NextToken(ctx)) {
        if (!skip) return 0;
        // A passed-over line need not read.
        ClearSpeculativeError(ctx);
        Trace(ctx, kTraceSkipped);
        return 1;
    }
    if (AtEnd(ctx)) {
        if (skip) return 1;
        return Raise(ctx, Err::Incomplete);
    }
    int kind = ServedKeywordKind(ctx->token);
    if (kind < 0 && ctx->token.cls == TokenClass::Keyword) {
        if (const KeywordEntry* row = KeywordRow(ctx, ctx->token.id)) kind = RowKind(*row);
    }
    if (kind != kind::Command && kind != kind::Structure) {
        if (skip) {
            Trace(ctx, kTraceSkipped);
            return 1;
        }
        Trace(ctx, kTraceExpression);
        if (!ProcessSubExpression(ctx, result, 1)) return 0;
        if (AtEnd(ctx)) return 1;
        return Raise(ctx, Err::PastEnd);
    }
    if (kind == kind::Command) {
        if (skip) {
            Trace(ctx, kTraceSkipped);
            return 1;
        }
        return Command(s, ctx->token.id);
    }
    return StructureWord(s, ctx->token.id);
}

} // namespace

int ExecuteStatement(ScriptContext* ctx, Value& result, char* line, int statement_offset,
                     RunCursor& cur, bool substituted) {
    if (!ctx || !line || statement_offset < 0) return 0;
    return Run(ctx, result, line, statement_offset, cur, substituted);
}

} // namespace jol
