#include "lang/fast/expression_programs.h"

#include <cstring>
#include <new>

#include "dispatch/dispatcher.h"
#include "dispatch/handler.h"
#include "host/context/assert.h"
#include "host/context/errors.h"
#include "lang/conversion.h"
#include "lang/evaluator.h"
#include "lang/fast/line_cache.h"
#include "lang/fast/speedups.h"
#include "lang/fast/token_cache.h"
#include "lang/fast/variable_hint.h"
#include "lang/keyword_table.h"
#include "lang/math_functions.h"
#include "lang/string_heap.h"
#include "lang/text_join.h"
#include "lang/tokenizer.h"
#include "lang/variables.h"

namespace jol {
namespace {

constexpr int kStackDepth = 16;
constexpr int kCallDepth = 8;    // argument lists open at once
constexpr int kFixedArgsMax = 5; // more arguments, or a variable list, are not translated
constexpr int kVariadicCount = 100;

// Built-in functions a program may call: they run no host code, touch no
// variable, show no box, pump no messages and read no token themselves, so
// nothing the program checked before its first step can change under it
// (their modules mark them trait::ProgramCall).
bool CallableFromProgram(const KeywordEntry& row) {
    return (FunctionTraits(row.id) & trait::ProgramCall) != 0;
}
bool IsStrCat(const KeywordEntry& row) {
    return std::strncmp(row.name, "strcat", sizeof row.name) == 0;
}

// What the dispatcher does after a handler has run that matters here: a
// pending math error becomes the call's error. (It also compares the host's
// rows again, for a handler that ran host code; none of the functions a
// program calls runs any, and host code that runs later is met by the line
// binding's own check.)
void AfterHandler(ScriptContext* ctx) {
    TakeMathError(ctx);
}

constexpr int kPendingTries = 3; // translations tried before a line is given up

// The recorded token that is the current token, -1 when there is none.
int CurrentToken(const ScriptContext* ctx, const CachedLine& e) {
    const TokenState& t = ctx->token;
    const char* base = t.cached_base;
    if (!t.start || t.start < base || t.cursor < t.start || t.cursor - base > e.line_length)
        return -1;
    const auto start = static_cast<std::uint16_t>(t.start - base);
    const auto end = static_cast<std::uint16_t>(t.cursor - base);
    const auto same = [&](const CachedToken& c) {
        return c.start == start && c.end == end && c.cls == t.cls && c.id == t.id;
    };
    // The token the tokenizer last served; any other current token (one
    // stepped back to, one read past the cache) has no program.
    if (t.cached_token >= 0 && t.cached_token < e.count && same(e.tokens[t.cached_token]))
        return t.cached_token;
    return -1;
}

bool IsKeywordToken(const CachedToken& c, int id) {
    return c.cls == TokenClass::Keyword && c.id == id;
}

// The recorded name of token c into the token state's name: a short one
// (every name is, but one the tokenizer cut at its limit) as one block of
// the name's size, with whatever the pool holds after its terminator.
inline void CopyRecordedName(TokenState& t, const CachedLine& e, const CachedToken& c) {
    static_assert(sizeof t.name <= kCachedTextPool);
    if (c.length < sizeof t.name && c.text + sizeof t.name <= kCachedTextPool)
        std::memcpy(t.name, e.pool + c.text, sizeof t.name);
    else
        std::memcpy(t.name, e.pool + c.text, c.length + 1u);
}

// Translation of the recorded tokens, in the evaluator's order: an operand,
// then each binary operator of the level asked for or tighter with its right
// side one level tighter.
struct Translator {
    ScriptContext* ctx;
    const CachedLine& e;
    ExpressionProgram& p;
    int cur;              // the token being looked at
    std::uint16_t from;   // the cursor offset it was read from
    int depth = 0;        // values on the stack at this point
    bool missing = false; // a token needed is not recorded (yet)
    int open_calls = 0;   // argument lists being read

    const CachedToken& Token() const { return e.tokens[cur]; }

    bool Next() {
        const std::uint16_t at = e.tokens[cur].end;
        const int k = at <= e.line_length ? e.slot[at] : 0;
        if (k == 0) {
            missing = true;
            return false;
        }
        from = at;
        cur = k - 1;
        return true;
    }

    bool Emit(ProgramStep s) {
        if (p.count >= kProgramSteps) return false;
        p.steps[p.count++] = s;
        return true;
    }

    bool Push(ProgramStep s) {
        if (++depth > kStackDepth) return false;
        return Emit(s);
    }

    bool Operand() {
        const CachedToken& c = Token();
        if (c.cls == TokenClass::Variable) {
            // A name without a hint is looked up afresh each time it is read.
            if (c.var_hint < 0) return false;
            ProgramStep s;
            s.kind = StepVariable;
            s.token = static_cast<std::int8_t>(cur);
            p.last_var = static_cast<std::int8_t>(cur);
            return Push(s) && Next();
        }
        if (c.cls == TokenClass::Integer) {
            ProgramStep s;
            s.kind = StepNumber;
            s.value = ParseIntegerText(e.pool + c.text);
            return Push(s) && Next();
        }
        if (c.cls == TokenClass::String) {
            ProgramStep s;
            s.kind = StepString;
            s.token = static_cast<std::int8_t>(cur);
            return Push(s) && Next();
        }
        if (c.cls == TokenClass::Keyword && c.id != kw::LParen) return Call(c.id);
        if (IsKeywordToken(c, kw::LParen)) {
            // The opening parenthesis is an operand only while its row is
            // no function, unary operator or name list.
            if (const KeywordEntry* row = KeywordRow(ctx, kw::LParen)) {
                const int k = RowKind(*row);
                if (k == kind::Unary || k == kind::Function || k == kind::VarNames) return false;
            }
            p.parens = 1;
            if (!Next() || !Climb(1)) return false;
            if (!IsKeywordToken(Token(), kw::RParen)) return false;
            return Next();
        }
        return false;
    }

    // A call of a pure built-in function with a fixed argument count, read
    // as the dispatcher reads it: the name, "(", the arguments separated by
    // commas, ")".
    bool Call(int id) {
        const KeywordEntry* row = KeywordRow(ctx, id);
        if (!row || id > kw::LastBuiltin || RowKind(*row) != kind::Function) return false;
        const int count = static_cast<int>(RowValue(*row) & 0xFFFF);
        if (count == kVariadicCount && IsStrCat(*row)) return Join(id);
        if (!CallableFromProgram(*row) || count == kVariadicCount || count > kFixedArgsMax)
            return false;
        if (!Next() || !IsKeywordToken(Token(), kw::LParen) || ++open_calls > kCallDepth)
            return false;
        ProgramStep open;
        open.kind = StepCallOpen;
        if (!Emit(open) || !Next()) return false;
        for (int i = 1; i <= count; ++i) {
            if (i > 1 && !Next()) return false; // over the comma
            if (!Climb(1)) return false;
            ProgramStep done;
            done.kind = StepArgEnd;
            if (!Emit(done)) return false;
            if (i < count && !IsKeywordToken(Token(), kw::Comma)) return false;
        }
        if (!IsKeywordToken(Token(), kw::RParen)) return false;
        ProgramStep call;
        call.kind = StepCall;
        call.op = static_cast<std::int16_t>(id);
        call.value = count;
        depth -= count;
        --open_calls;
        return NoteCall(id) && Push(call) && Next();
    }

    // Keeps the function called, whose row is looked at before each run.
    bool NoteCall(int id) {
        if (p.calls >= kProgramCalls) return false;
        p.call_ids[p.calls++] = static_cast<std::int16_t>(id);
        return true;
    }

    // StrCat, read as its handler reads its list: the name, "(", then
    // arguments each followed by a comma or the closing parenthesis.
    bool Join(int id) {
        if (!Next() || !IsKeywordToken(Token(), kw::LParen) || ++open_calls > kCallDepth)
            return false;
        ProgramStep open;
        open.kind = StepJoinOpen;
        open.op = static_cast<std::int16_t>(id);
        if (!Emit(open) || !Next()) return false;
        for (;;) {
            if (!Climb(1)) return false;
            ProgramStep add;
            add.kind = StepJoinAdd;
            --depth; // the argument is joined on and freed
            if (!Emit(add)) return false;
            if (IsKeywordToken(Token(), kw::RParen)) break;
            if (!IsKeywordToken(Token(), kw::Comma) || !Next()) return false;
        }
        ProgramStep end;
        end.kind = StepJoinEnd;
        --open_calls;
        return NoteCall(id) && Push(end) && Next();
    }

    bool Climb(int min_level) {
        if (!Operand()) return false;
        for (;;) {
            const CachedToken& c = Token();
            if (c.cls != TokenClass::Keyword) return true;
            // An assignment inside an expression is an error: left to the
            // evaluator, which reports it.
            if (c.id == kw::Assign) return false;
            const int level = BinaryOperatorLevel(c.id);
            if (level < min_level) return true;
            ProgramStep s;
            s.kind = StepBinary;
            s.op = c.id;
            s.value = level;
            if (!Next() || !Climb(level + 1)) return false;
            --depth;
            if (!Emit(s)) return false;
        }
    }
};

// Translates the expression that starts at token first.
void Translate(ScriptContext* ctx, const CachedLine& e, ExpressionProgram& p, int first) {
    p.count = 0;
    p.target = -1;
    p.last_var = -1;
    p.parens = 0;
    p.calls = 0;
    Translator tr{ctx, e, p, first, e.tokens[first].start};
    bool ok = true;
    if (p.assign && e.tokens[first].cls == TokenClass::Variable) {
        const std::uint16_t at = e.tokens[first].end;
        const int k = at <= e.line_length ? e.slot[at] : 0;
        if (k == 0) {
            tr.missing = true;
            ok = false;
        } else if (IsKeywordToken(e.tokens[k - 1], kw::Assign)) {
            if (e.tokens[first].var_hint < 0) {
                ok = false;
            } else {
                p.target = static_cast<std::int8_t>(first);
                tr.cur = k - 1;
                ok = tr.Next();
            }
        }
    }
    ok = ok && tr.Climb(1);
    // An assignment takes the whole rest of the line.
    if (ok && p.target >= 0 && tr.Token().cls != TokenClass::End) ok = false;
    if (ok) {
        p.term_from = tr.from;
        p.term = static_cast<std::int8_t>(tr.cur);
        p.state = ProgramReady;
        p.integers = 1;
        for (int k = 0; k < p.count; ++k)
            if (p.steps[k].kind != StepVariable && p.steps[k].kind != StepNumber &&
                p.steps[k].kind != StepBinary)
                p.integers = 0;
    } else if (tr.missing && ++p.tries < kPendingTries) {
        p.state = ProgramPending;
    } else {
        p.state = ProgramRefused;
    }
}

// The program made already for the expression at token first that allows
// assignment or not (through the token's hint when it holds), else null.
ExpressionProgram* MadeProgram(CachedLine& e, int first, int assign) {
    CachedToken& c = e.tokens[first];
    if (const unsigned h = c.program[assign]; h != 0) {
        ExpressionProgram& p = e.programs[h - 1u];
        if (p.first == first && p.assign == assign && p.state != ProgramEmpty) return &p;
    }
    for (int k = 0; k < kLinePrograms; ++k) {
        ExpressionProgram& p = e.programs[k];
        if (p.state != ProgramEmpty && p.first == first && p.assign == assign) {
            c.program[assign] = static_cast<std::uint8_t>(k + 1);
            return &p;
        }
    }
    return nullptr;
}

// The program for the expression at token first, translated when it is
// not yet; null when there is none to run.
const ExpressionProgram* ProgramFor(ScriptContext* ctx, CachedLine& e, int first, int assign) {
    if (ExpressionProgram* p = MadeProgram(e, first, assign)) {
        if (p->state == ProgramPending) Translate(ctx, e, *p, first);
        return p->state == ProgramReady ? p : nullptr;
    }
    ExpressionProgram* free_place = nullptr;
    for (ExpressionProgram& p : e.programs)
        if (p.state == ProgramEmpty) {
            free_place = &p;
            break;
        }
    if (!free_place) return nullptr;
    free_place->first = static_cast<std::int8_t>(first);
    free_place->assign = static_cast<std::uint8_t>(assign);
    free_place->tries = 0;
    Translate(ctx, e, *free_place, first);
    e.tokens[first].program[assign] = static_cast<std::uint8_t>(free_place - e.programs + 1);
    return free_place->state == ProgramReady ? free_place : nullptr;
}

// Two plain integers: the evaluator's integer arithmetic into left, with
// nothing to convert or free. False (nothing done) for other operands, and
// where the operation raises an error or a math error is pending: the
// evaluator's own functions then run.
bool PlainIntegers(const ProgramStep& s, Value& left, const Value& right) {
    if ((left.flags & ~vf::FileHandle) != vf::Integer ||
        (right.flags & ~vf::FileHandle) != vf::Integer || PendingMathError() != Err::None)
        return false;
    const int op = s.op;
    std::int32_t r;
    if (s.value == 3)
        r = CompareResult(op, left.i < right.i ? -1 : (left.i > right.i ? 1 : 0));
    else if (IntegerOutcome(op, left.i, right.i, &r) != Err::None)
        return false;
    left.i = r;
    left.flags = vf::Integer;
    left.var = -1;
    return true;
}

// A name the program may read: the entry its token was mentioned as,
// holding a value.
bool NameReadable(const ScriptContext* ctx, CachedLine& e, CachedToken& c) {
    return TokenNamesEntry(ctx, e, c) &&
           (ctx->vars[c.var_hint].flags & (vf::Integer | vf::String | vf::Float)) != 0;
}

// Every name read by the steps from step from on.
bool NamesReadable(const ScriptContext* ctx, CachedLine& e, const ExpressionProgram& p, int from) {
    for (int k = from; k < p.count; ++k)
        if (p.steps[k].kind == StepVariable && !NameReadable(ctx, e, e.tokens[p.steps[k].token]))
            return false;
    return true;
}

// A program of plain integers only (every name read holds an integer, no
// operation fails): its steps over a stack of numbers, with the values the
// general steps leave (an operator's result keeps its left operand's float
// view). False, with nothing changed, for anything else; the general steps
// then run.
bool RunIntegers(const ScriptContext* ctx, CachedLine& e, const ExpressionProgram& p,
                 Value& result) {
    if (PendingMathError() != Err::None) return false;
    std::int32_t numbers[kStackDepth];
    double floats[kStackDepth];
    int sp = 0;
    for (int k = 0; k < p.count; ++k) {
        const ProgramStep& s = p.steps[k];
        if (s.kind == StepVariable) {
            CachedToken& c = e.tokens[s.token];
            if (!TokenNamesEntry(ctx, e, c)) return false;
            const VarEntry& v = ctx->vars[c.var_hint];
            if ((v.flags & ~vf::FileHandle) != vf::Integer) return false;
            // A program's operands never pile up deeper than the stack.
            JOL_ASSERT(sp < kStackDepth);
            floats[sp] = v.f;
            numbers[sp++] = v.i;
        } else if (s.kind == StepNumber) {
            JOL_ASSERT(sp < kStackDepth);
            floats[sp] = 0.0;
            numbers[sp++] = s.value;
        } else {
            JOL_ASSERT(sp >= 2);
            const std::int32_t a = numbers[sp - 2];
            const std::int32_t b = numbers[--sp];
            std::int32_t r;
            if (s.value == 3)
                r = CompareResult(s.op, a < b ? -1 : (a > b ? 1 : 0));
            else if (IntegerOutcome(s.op, a, b, &r) != Err::None)
                return false;
            numbers[sp - 1] = r;
        }
    }
    if (sp != 1) return false;
    result = Value{};
    result.f = floats[0];
    result.i = numbers[0];
    result.flags = vf::Integer;
    if (p.count == 1 && p.steps[0].kind == StepVariable) {
        // A lone name gives its entry's value as it is read.
        const CachedToken& c = e.tokens[p.steps[0].token];
        result.flags = ctx->vars[c.var_hint].flags;
        result.var = c.var_hint;
    }
    return true;
}

// The token state reading the expression leaves (the last variable name
// read, then the token after the expression), and the assignment.
int FinishProgram(ScriptContext* ctx, CachedLine& e, const ExpressionProgram& p, Value& result) {
    TokenState& t = ctx->token;
    if (p.last_var >= 0) {
        const CachedToken& c = e.tokens[p.last_var];
        CopyRecordedName(t, e, c);
        t.var_slot = c.var_hint;
    }
    t.cursor = t.cached_base + p.term_from;
    // The token after the expression was recorded when the program was
    // made; it is served at once while the binding still holds. Only a
    // function the program called can have dropped the tokens since the
    // program was found through the binding.
    if (p.calls == 0 ||
        (t.cached_line == &e && e.stamp == t.cached_stamp &&
         e.generation == TokenCacheGeneration() && e.slot[p.term_from] == p.term + 1))
        ServeCachedToken(ctx, e, p.term);
    else
        get_token(ctx);
    if (ctx->error_code) return 0;
    if (p.target >= 0) {
        const int index = e.tokens[p.target].var_hint;
        if (!AssignPlainValue(ctx, index, result)) {
            ClearVariable(ctx, index);
            if (!StoreVariable(ctx, index, result) || ctx->error_code) return 0;
        }
    }
    return 1;
}

// A program that compares two strings, each a variable's or a quoted one,
// when their copies into the heap would leave the heap as it was
// (HeapReturnsTwoCopies): the evaluator's comparison of the copies, made
// on the texts where they are. 1 compared, 0 failed as the evaluator
// fails, -1 not such a program (nothing changed).
int CompareInPlace(ScriptContext* ctx, CachedLine& e, const ExpressionProgram& p, Value& result) {
    if (p.count != 3 || p.steps[2].kind != StepBinary || p.steps[2].value != 3) return -1;
    Value side[2];
    const char* text[2];
    for (int k = 0; k < 2; ++k) {
        const ProgramStep& s = p.steps[k];
        if (s.kind == StepVariable) {
            CachedToken& c = e.tokens[s.token];
            if (!NameReadable(ctx, e, c)) return -1;
            const VarEntry& v = ctx->vars[c.var_hint];
            if (v.flags != vf::String || !v.str) return -1;
            side[k].f = v.f;
            side[k].i = v.i;
            side[k].flags = v.flags;
            side[k].var = c.var_hint;
            text[k] = HeapText(ctx, v.str);
        } else if (s.kind == StepString) {
            // what a quoted string's copy holds besides its text
            side[k].f = kFillerFloat;
            side[k].i = kFillerInteger;
            side[k].flags = vf::String;
            text[k] = e.pool + e.tokens[s.token].text;
        } else {
            return -1;
        }
    }
    if (!HeapReturnsTwoCopies(ctx->heap.base, std::strlen(text[0]), std::strlen(text[1])))
        return -1;
    const bool ok = CompareTexts(ctx, p.steps[2].op, side[0], text[0], side[1], text[1]) &&
                    ctx->error_code == 0;
    result = side[0];
    if (ok) return FinishProgram(ctx, e, p, result);
    // An assignment clears its target even when its expression failed.
    if (p.target >= 0) ClearVariable(ctx, e.tokens[p.target].var_hint);
    return 0;
}

// The checks that change nothing and that no step repeats: a parenthesis
// or a function switched off since is the evaluator's to report, and an
// assignment's target must be the entry its token was mentioned as.
bool ProgramMayRun(ScriptContext* ctx, CachedLine* e, const ExpressionProgram* p) {
    if (p->parens) {
        const KeywordEntry* row = KeywordRow(ctx, kw::LParen);
        if (row && RowDisabled(*row)) return false;
    }
    if (p->target >= 0 && !TokenNamesEntry(ctx, *e, e->tokens[p->target])) return false;
    for (int k = 0; k < p->calls; ++k) {
        const KeywordEntry* row = KeywordRow(ctx, p->call_ids[k]);
        if (!row || RowDisabled(*row)) return false;
    }
    return true;
}

// The evaluator's own steps of a program, in its order: each operand as
// the evaluator reads it (strings copied into the heap), each operator
// applied with its right side freed after it. An error frees what is
// pending from the innermost out, as the evaluator's levels do.
//
// The names are checked as they come while nothing has changed yet (plain
// integers pushed and combined change nothing); before the first step that
// may change something (a heap copy, an operator on other values, a call)
// every name still to come is checked at once. The stack is raw storage:
// its values are made as they are pushed. Each argument list open has a
// frame: where its arguments begin on the stack and how many are complete.
//
// Each step answers 1 (done), 0 (failed: Unwind frees what is pending) or
// -1 (not run, nothing changed since the program began).
class ProgramRun {
public:
    ProgramRun(ScriptContext* ctx, CachedLine* e, const ExpressionProgram* p)
        : ctx_(ctx), e_(e), p_(p), stack_(reinterpret_cast<Value*>(stack_storage_)),
          frames_(reinterpret_cast<Frame*>(frame_storage_)) {}
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // Runs the steps: 1 evaluated, 0 failed (what was pending freed), -1
    // not run with nothing changed.
    int Run(Value& result) {
        for (int k = 0; k < p_->count; ++k) {
            const int r = Step(k);
            if (r < 0) return -1;
            if (r == 0) return Unwind(result);
        }
        result = stack_[0];
        return FinishProgram(ctx_, *e_, *p_, result);
    }

private:
    struct Frame {
        int base;
        int done;
        bool join;     // StrCat's list, whose arguments are joined as they come
        TextJoin text; // its result so far
    };

    // Every name of the program from step k + 1 on, before step k changes
    // something.
    bool NamesChecked(int k) {
        if (!checked_) checked_ = NamesReadable(ctx_, *e_, *p_, k + 1);
        return checked_;
    }

    // A fresh value on top of the stack; the translation kept the operands
    // within it.
    Value* Push() {
        JOL_ASSERT(sp_ < kStackDepth);
        return new (&stack_[sp_++]) Value;
    }

    int Step(int k) {
        const ProgramStep& s = p_->steps[k];
        switch (s.kind) {
        case StepVariable:
            return PushVariable(k, s);
        case StepNumber: {
            Value* out = Push();
            out->i = s.value;
            out->flags = vf::Integer;
            return 1;
        }
        case StepString:
            return PushString(k, s);
        case StepCallOpen:
            JOL_ASSERT(fp_ < kCallDepth);
            new (&frames_[fp_++]) Frame{sp_, 0, false, TextJoin{}};
            return 1;
        case StepJoinOpen:
            return OpenJoin(k);
        case StepJoinAdd:
            JOL_ASSERT(fp_ > 0 && sp_ > frames_[fp_ - 1].base);
            return JoinValue(ctx_, frames_[fp_ - 1].text, stack_[--sp_]) ? 1 : 0;
        case StepJoinEnd:
            return EndJoin();
        case StepArgEnd:
            JOL_ASSERT(fp_ > 0);
            ++frames_[fp_ - 1].done;
            return 1;
        case StepCall:
            return Call(k, s);
        default:
            return Binary(k, s);
        }
    }

    int PushVariable(int k, const ProgramStep& s) {
        CachedToken& c = e_->tokens[s.token];
        if (!checked_ && !NameReadable(ctx_, *e_, c)) return -1;
        // Names read are entries in use.
        JOL_ASSERT(sp_ < kStackDepth);
        JOL_ASSERT(c.var_hint >= 0 && c.var_hint < ctx_->vars_count);
        const VarEntry& v = ctx_->vars[c.var_hint];
        Value* out = new (&stack_[sp_]) Value;
        out->f = v.f;
        out->i = v.i;
        out->flags = v.flags;
        out->var = c.var_hint;
        if ((v.flags & vf::String) && v.str) {
            if (!NamesChecked(k)) return -1;
            out->str = HeapCopyText(ctx_, HeapText(ctx_, v.str));
            if (!out->str) return 0; // not pending: nothing to free
        }
        ++sp_;
        return 1;
    }

    int PushString(int k, const ProgramStep& s) {
        if (!NamesChecked(k)) return -1;
        const std::uint16_t h = HeapCopyText(ctx_, e_->pool + e_->tokens[s.token].text);
        if (!h) return 0;
        Value* out = Push();
        out->f = kFillerFloat;
        out->i = kFillerInteger;
        out->flags = vf::String;
        out->str = h;
        return 1;
    }

    int OpenJoin(int k) {
        if (!NamesChecked(k)) return -1;
        // A failure here is the handler's before its first argument: the
        // frame unwinds with nothing pending.
        JOL_ASSERT(fp_ < kCallDepth);
        Frame* f = new (&frames_[fp_++]) Frame{sp_, 0, true, TextJoin{}};
        return BeginJoin(ctx_, f->text) ? 1 : 0;
    }

    int EndJoin() {
        JOL_ASSERT(fp_ > 0 && frames_[fp_ - 1].base < kStackDepth);
        Frame& f = frames_[--fp_];
        sp_ = f.base;
        Value* out = Push();
        out->flags = vf::Integer;
        FinishJoin(f.text, *out);
        AfterHandler(ctx_);
        return ctx_->error_code == 0 ? 1 : 0;
    }

    int Call(int k, const ProgramStep& s) {
        if (!NamesChecked(k)) return -1;
        JOL_ASSERT(fp_ > 0 && s.value <= kFixedArgsMax && frames_[fp_ - 1].base + s.value <= sp_);
        const Frame f = frames_[--fp_];
        Value args[6];
        for (int i = 1; i <= s.value; ++i)
            args[i] = stack_[f.base + i - 1];
        sp_ = f.base;
        // The function's value starts empty, as the evaluator has it; it is
        // pending (and freed on an error) like any operand.
        Value* out = Push();
        return CallWithArguments(ctx_, s.op, *out, args, s.value) && ctx_->error_code == 0 ? 1 : 0;
    }

    int Binary(int k, const ProgramStep& s) {
        JOL_ASSERT(sp_ >= 2);
        Value& left = stack_[sp_ - 2];
        Value& right = stack_[sp_ - 1];
        if (PlainIntegers(s, left, right)) {
            --sp_;
            return 1;
        }
        if (!NamesChecked(k)) return -1;
        const int ok =
            s.value == 3 ? Compare(ctx_, s.op, left, right) : ApplyBinary(ctx_, s.op, left, right);
        FreeValueString(ctx_, right);
        --sp_;
        return ok && ctx_->error_code == 0 ? 1 : 0;
    }

    // A step failed: what is pending is freed as the evaluator frees it.
    // Within an argument list the argument being read goes from the
    // innermost out, then the complete arguments in order (the dispatcher's
    // way), then the list's own enclosing values; a join whose argument
    // failed ends as StrCat's does. The value of the expression: its first
    // operand when that was read, the empty value of a first operand that
    // is a call.
    int Unwind(Value& result) {
        const bool in_first_call = fp_ > 0 && frames_[0].base == 0;
        for (int f = fp_ - 1; f >= 0; --f) {
            const int done_end = frames_[f].base + frames_[f].done;
            while (sp_ > done_end)
                FreeValueString(ctx_, stack_[--sp_]);
            FreeArguments(ctx_, stack_ + frames_[f].base, frames_[f].done);
            sp_ = frames_[f].base;
            if (frames_[f].join) {
                FailJoin(ctx_, frames_[f].text);
                AfterHandler(ctx_);
            }
        }
        while (sp_ > 1)
            FreeValueString(ctx_, stack_[--sp_]);
        // An assignment clears its target even when its expression failed.
        if (p_->target >= 0) ClearVariable(ctx_, e_->tokens[p_->target].var_hint);
        if (sp_ > 0) {
            result = stack_[0];
        } else if (in_first_call) {
            // A call's value is empty until the dispatcher starts it as the
            // integer 0, which StrCat's has been from before its arguments.
            result = Value{};
            if (frames_[0].join) result.flags = vf::Integer;
        }
        return 0;
    }

    ScriptContext* const ctx_;
    CachedLine* const e_;
    const ExpressionProgram* const p_;
    alignas(Value) unsigned char stack_storage_[sizeof(Value) * kStackDepth];
    alignas(Frame) unsigned char frame_storage_[sizeof(Frame) * kCallDepth];
    Value* const stack_;
    Frame* const frames_;
    int sp_ = 0;
    int fp_ = 0;
    bool checked_ = false; // every name of the program checked
};

// The general steps, out of line: their stack would make every run pay for
// its frame, the quick ones too.
[[gnu::noinline]] int RunSteps(ScriptContext* ctx, CachedLine* e, const ExpressionProgram* p,
                               Value& result) {
    ProgramRun run(ctx, e, p);
    return run.Run(result);
}

// Runs program p of line e: 1 evaluated, 0 failed (what was pending freed),
// -1 not run with nothing changed.
int RunProgram(ScriptContext* ctx, CachedLine* e, const ExpressionProgram* p, Value& result) {
    if (!ProgramMayRun(ctx, e, p)) return -1;
    if (p->integers && RunIntegers(ctx, *e, *p, result)) return FinishProgram(ctx, *e, *p, result);
    if (const int r = CompareInPlace(ctx, *e, *p, result); r >= 0) return r;
    return RunSteps(ctx, e, p, result);
}

} // namespace

int RunExpressionProgram(ScriptContext* ctx, Value& result, int assignment_allowed) {
    CachedLine* e = BoundTokens(ctx);
    if (!e) return -1;
    const int first = CurrentToken(ctx, *e);
    if (first < 0) return -1;
    const ExpressionProgram* p = ProgramFor(ctx, *e, first, assignment_allowed ? 1 : 0);
    if (!p) return -1;
    return RunProgram(ctx, e, p, result);
}

int RunMadeProgram(ScriptContext* ctx, Value& result, int first, int assign) {
    if (ctx->error_code || !SpeedupOn(speedup::Programs)) return -1;
    CachedLine* e = BoundTokens(ctx);
    if (!e || first >= e->count) return -1;
    CachedToken& c = e->tokens[first];
    const unsigned h = c.program[assign];
    if (h == 0) return -1;
    const ExpressionProgram* p = &e->programs[h - 1u];
    if (p->state != ProgramReady || p->first != first || p->assign != assign) return -1;
    const bool name = c.cls == TokenClass::Variable;
    if (assign && !name) return -1;
    // A name is read where the usual path serves it; a name that is not
    // the entry its token was mentioned as is mentioned there. (An
    // assignment's target is checked with the program.)
    if (name && p->target != first && !TokenNamesEntry(ctx, *e, c)) return -1;
    const int r = RunProgram(ctx, e, p, result);
    if (r < 0) return -1;
    if (r == 0) {
        // The token state of a failed expression: its first token read.
        ServeCachedToken(ctx, *e, first);
        FreeValueString(ctx, result);
        return 0;
    }
    if (name && p->last_var < 0) {
        // No name was read after the first token: it is the last one.
        TokenState& t = ctx->token;
        CopyRecordedName(t, *e, c);
        t.var_slot = c.var_hint;
    }
    return 1;
}

} // namespace jol
