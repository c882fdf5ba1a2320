#include "lib/data/string_functions.h"

#include <cstring>

#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/process_state.h"
#include "host/context/script_context.h"
#include "lang/conversion.h"
#include "lang/evaluator.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/text_join.h"
#include "lang/tokenizer.h"
#include "lang/variables.h"
#include "platform/text.h"

namespace jol {

char* NewResultText(ScriptContext* ctx, Value& result, std::size_t length) {
    std::uint16_t h = 0;
    if (ctx->heap.base && length < kHeapMaxSize)
        h = VMalloc(ctx->heap.base, static_cast<std::uint32_t>(length + 1));
    if (h == 0) {
        Raise(ctx, Err::StringMemory);
        return nullptr;
    }
    char* p = ctx->heap.base + h;
    p[0] = 0;
    p[length] = 0;
    result.str = h;
    result.flags = vf::String;
    return p;
}

int SetResultText(ScriptContext* ctx, Value& result, const char* text, std::size_t length) {
    char* p = NewResultText(ctx, result, length);
    if (!p) return 0;
    if (length) std::memcpy(p, text, length);
    return 1;
}

bool IsStrictInteger(const char* p) {
    while (*p == ' ')
        ++p;
    while (*p == '+' || *p == '-')
        ++p;
    if (*p < '0' || *p > '9') return false;
    while (*p >= '0' && *p <= '9')
        ++p;
    return *p == 0;
}

std::size_t CharacterCount(const char* p) {
    std::size_t n = 0;
    for (int b; (b = CharBytes(p)) != 0; p += b)
        ++n;
    return n;
}

namespace {

using i64 = std::int64_t;

// The text of a string argument ("" when it carries none).
int Empty(ScriptContext* ctx, Value& result) {
    return SetResultText(ctx, result, "", 0);
}

int Integer(Value& result, i64 n) {
    result.i = static_cast<std::int32_t>(n);
    result.flags = vf::Integer;
    return 1;
}

// The character n characters after p (at most up to the terminator).
const char* SkipChars(const char* p, i64 n) {
    for (; n > 0; --n) {
        int b = CharBytes(p);
        if (b == 0) break;
        p += b;
    }
    return p;
}

// The bytes of the first whole characters of text that fit in limit bytes.
std::size_t FittingBytes(const char* text, std::size_t limit) {
    std::size_t off = 0;
    for (int b; (b = CharBytes(text + off)) != 0 && off + b <= limit;)
        off += b;
    return off;
}

// True when every character of the text is one byte long.
bool SingleByteText(const char* p) {
    for (; *p; ++p)
        if (CharBytes(p) == 2) return false;
    return true;
}

// Upper-case image of every byte, by the system's single-character
// conversion.
void UpperTable(unsigned char* table) {
    for (int c = 0; c < 256; ++c)
        table[c] = static_cast<unsigned char>(plat::to_upper_char(static_cast<char>(c)));
    table[0] = 0;
}

// Whether sub matches at s, character by character; with fold both sides
// are compared through the table.
bool MatchAt(const char* s, const char* sub, const unsigned char* fold) {
    while (*sub) {
        int n = CharBytes(sub);
        if (CharBytes(s) != n) return false;
        for (int k = 0; k < n; ++k) {
            auto a = static_cast<unsigned char>(s[k]);
            auto b = static_cast<unsigned char>(sub[k]);
            if (fold) {
                a = fold[a];
                b = fold[b];
            }
            if (a != b) return false;
        }
        s += n;
        sub += n;
    }
    return true;
}

// ------------------------------------------------------ variadic lists

// Reads the next argument of a variadic list into v: 1 when a comma
// follows, 2 at the closing parenthesis, 0 on an error (v then holds no
// string).
int NextArgument(ScriptContext* ctx, Value& v, Err syntax_error) {
    v = Value{};
    if (!NextToken(ctx)) return 0;
    if (!ProcessSubExpression(ctx, v, 0) || ctx->error_code) {
        FreeValueString(ctx, v);
        return Raise(ctx, syntax_error);
    }
    if (ctx->token.cls == TokenClass::Keyword) {
        if (ctx->token.id == kw::Comma) return 1;
        if (ctx->token.id == kw::RParen) return 2;
    }
    FreeValueString(ctx, v);
    return Raise(ctx, syntax_error);
}

int FnStrCat(ScriptContext* ctx, int, Value& result, Value*) {
    TextJoin join;
    if (!BeginJoin(ctx, join)) return 0;
    for (;;) {
        Value v;
        const int state = NextArgument(ctx, v, Err::StrCatSyntax);
        if (state == 0) {
            AbandonJoin(ctx, join);
            return 0;
        }
        if (!JoinValue(ctx, join, v)) return 0;
        if (state == 2) break;
    }
    FinishJoin(join, result);
    return 1;
}

enum class Numeric { Average, Max, Min };

int NumericList(ScriptContext* ctx, Value& result, Numeric mode) {
    double sum = 0.0;
    double best = mode == Numeric::Max ? -1e305 : 1e305;
    i64 count = 0;
    bool all_integers = true;
    for (;;) {
        Value v;
        int state = NextArgument(ctx, v, Err::AverageSyntax);
        if (state == 0) return 0;
        bool integer =
            (v.flags & vf::Integer) != 0 || ((v.flags & vf::String) && !(v.flags & vf::Float) &&
                                             IsStrictInteger(HeapText(ctx, v.str)));
        if (!ToFloat(ctx, v)) {
            FreeValueString(ctx, v);
            Raise(ctx, Err::NoNumber);
            return 0;
        }
        double f = v.f;
        FreeValueString(ctx, v);
        sum += f;
        ++count;
        if (mode == Numeric::Max && f > best) best = f;
        if (mode == Numeric::Min && f < best) best = f;
        all_integers = all_integers && integer;
        if (state == 2) break;
    }
    if (mode == Numeric::Average) {
        result.f = sum / static_cast<double>(count);
        result.flags = vf::Float;
        return 1;
    }
    double r = best >= 0.0 ? best + 0.5 : best - 0.5;
    if (all_integers && r > -2147483649.0 && r < 2147483648.0) {
        result.i = static_cast<std::int32_t>(r);
        result.flags = vf::Integer;
        return 1;
    }
    result.f = best;
    result.flags = vf::Float;
    return 1;
}

int FnAverage(ScriptContext* ctx, int, Value& result, Value*) {
    return NumericList(ctx, result, Numeric::Average);
}
int FnMax(ScriptContext* ctx, int, Value& result, Value*) {
    return NumericList(ctx, result, Numeric::Max);
}
int FnMin(ScriptContext* ctx, int, Value& result, Value*) {
    return NumericList(ctx, result, Numeric::Min);
}

// ------------------------------------------------------------ lengths

int FnStrLen(ScriptContext* ctx, int, Value& result, Value* args) {
    return Integer(result, static_cast<i64>(std::strlen(ArgText(ctx, args[1]))));
}

int FnStrCharCount(ScriptContext* ctx, int, Value& result, Value* args) {
    return Integer(result, static_cast<i64>(CharacterCount(ArgText(ctx, args[1]))));
}

int FnStrSub(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* s = ArgText(ctx, args[1]);
    i64 start = args[2].i;
    i64 length = args[3].i;
    i64 count = static_cast<i64>(CharacterCount(s));
    if (length == -1) length = count - start + 1;
    bool valid = (start >= 1 || length == 0) && (start <= count || length <= 0) && length >= 0 &&
                 length <= count - start + 1;
    if (!valid || length == 0) return Empty(ctx, result);
    const char* p = SkipChars(s, start - 1);
    const char* q = SkipChars(p, length);
    return SetResultText(ctx, result, p, static_cast<std::size_t>(q - p));
}

// ---------------------------------------------------------- searching

int Index(ScriptContext* ctx, Value& result, Value* args, bool ignore_case) {
    const char* s = ArgText(ctx, args[1]);
    const char* sub = ArgText(ctx, args[2]);
    i64 start = args[3].i;
    bool forward = args[4].i == 0;
    i64 count = static_cast<i64>(CharacterCount(s));
    if (start == 0) start = forward ? 1 : count;
    if (start < 1 || start > count) return Integer(result, 0);
    if (!*sub) return Integer(result, start);
    i64 subcount = static_cast<i64>(CharacterCount(sub));
    unsigned char table[256];
    const unsigned char* fold = nullptr;
    if (ignore_case) {
        UpperTable(table);
        fold = table;
    }
    auto first = static_cast<unsigned char>(sub[0]);
    if (fold) first = fold[first];
    auto may_match = [&](const char* p) {
        auto c = static_cast<unsigned char>(*p);
        return (fold ? fold[c] : c) == first && MatchAt(p, sub, fold);
    };
    if (forward) {
        if (count - start + 1 < subcount) return Integer(result, 0);
        const char* p = SkipChars(s, start - 1);
        for (i64 pos = start; pos <= count - subcount + 1; ++pos, p += CharBytes(p))
            if (may_match(p)) return Integer(result, pos);
        return Integer(result, 0);
    }
    if (subcount > start) return Integer(result, 0);
    i64 last = start - subcount + 1;
    if (SingleByteText(s)) {
        for (i64 pos = last; pos >= 1; --pos)
            if (may_match(s + pos - 1)) return Integer(result, pos);
        return Integer(result, 0);
    }
    // Double-byte text has no safe backward step: the positions are walked
    // from the start and the last match kept.
    i64 found = 0;
    const char* p = s;
    for (i64 pos = 1; pos <= last; ++pos, p += CharBytes(p))
        if (may_match(p)) found = pos;
    return Integer(result, found);
}

int FnStrIndex(ScriptContext* ctx, int, Value& result, Value* args) {
    return Index(ctx, result, args, false);
}
int FnStrIndexNc(ScriptContext* ctx, int, Value& result, Value* args) {
    return Index(ctx, result, args, true);
}

// Whether the character at p is one of the characters of set.
bool InSet(const char* p, const char* set) {
    int n = CharBytes(p);
    for (int m; (m = CharBytes(set)) != 0; set += m)
        if (m == n && std::memcmp(p, set, static_cast<std::size_t>(n)) == 0) return true;
    return false;
}

int FnStrScan(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* s = ArgText(ctx, args[1]);
    const char* set = ArgText(ctx, args[2]);
    i64 start = args[3].i;
    bool forward = args[4].i == 0;
    i64 count = static_cast<i64>(CharacterCount(s));
    if (start == 0) start = forward ? 1 : count;
    if (start < 1 || start > count) return Integer(result, 0);
    if (!*set) return Integer(result, start);
    if (forward) {
        const char* p = SkipChars(s, start - 1);
        for (i64 pos = start; *p; ++pos, p += CharBytes(p))
            if (InSet(p, set)) return Integer(result, pos);
        return Integer(result, 0);
    }
    i64 found = 0;
    const char* p = s;
    for (i64 pos = 1; pos <= start; ++pos, p += CharBytes(p))
        if (InSet(p, set)) found = pos;
    return Integer(result, found);
}

// ------------------------------------------------------ simple copies

int FnStrTrim(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* p = ArgText(ctx, args[1]);
    while (*p == ' ' || *p == '\t')
        ++p;
    const char* end = p;
    for (const char* q = p; *q;) {
        int n = CharBytes(q);
        if (n == 2 || (*q != ' ' && *q != '\t')) end = q + n;
        q += n;
    }
    return SetResultText(ctx, result, p, static_cast<std::size_t>(end - p));
}

int CaseCopy(ScriptContext* ctx, Value& result, Value* args, bool upper) {
    const char* s = ArgText(ctx, args[1]);
    std::size_t len = std::strlen(s);
    char* out = NewResultText(ctx, result, len);
    if (!out) return 0;
    std::memcpy(out, s, len + 1);
    if (upper)
        plat::to_upper(out);
    else
        plat::to_lower(out);
    return 1;
}

int FnStrUpper(ScriptContext* ctx, int, Value& result, Value* args) {
    return CaseCopy(ctx, result, args, true);
}
int FnStrLower(ScriptContext* ctx, int, Value& result, Value* args) {
    return CaseCopy(ctx, result, args, false);
}

// ------------------------------------------------- filling and fixing

// A repetition of a pad text: whole copies and a cut last copy.
struct PadRun {
    const char* pad;
    std::size_t pad_bytes;
    std::uint64_t copies;
    std::size_t rest; // bytes of the last, cut copy
    std::uint64_t bytes() const { return copies * pad_bytes + rest; }
};

// The pad repeated to exactly chars characters.
PadRun PadChars(const char* pad, std::uint64_t chars) {
    std::size_t pb = std::strlen(pad);
    std::size_t pc = CharacterCount(pad);
    PadRun r{pad, pb, chars / pc, 0};
    r.rest = static_cast<std::size_t>(SkipChars(pad, static_cast<i64>(chars % pc)) - pad);
    return r;
}

// The pad repeated and cut to at most bytes bytes, never splitting a
// double-byte character.
PadRun PadBytes(const char* pad, std::uint64_t bytes) {
    std::size_t pb = std::strlen(pad);
    PadRun r{pad, pb, bytes / pb, 0};
    r.rest = FittingBytes(pad, static_cast<std::size_t>(bytes % pb));
    return r;
}

char* EmitPad(char* out, const PadRun& r) {
    for (std::uint64_t i = 0; i < r.copies; ++i) {
        std::memcpy(out, r.pad, r.pad_bytes);
        out += r.pad_bytes;
    }
    std::memcpy(out, r.pad, r.rest);
    return out + r.rest;
}

// A result of head bytes, the pad run and tail bytes, in that order
// (either text may be empty).
int Compose(ScriptContext* ctx, Value& result, const char* head, std::size_t head_bytes,
            const PadRun& run, const char* tail, std::size_t tail_bytes) {
    std::uint64_t total = head_bytes + run.bytes() + tail_bytes;
    if (total >= kHeapMaxSize) {
        Raise(ctx, Err::StringMemory);
        return 0;
    }
    char* out = NewResultText(ctx, result, static_cast<std::size_t>(total));
    if (!out) return 0;
    std::memcpy(out, head, head_bytes);
    char* p = EmitPad(out + head_bytes, run);
    std::memcpy(p, tail, tail_bytes);
    return 1;
}

const PadRun kNoPad{"", 0, 0, 0};

int FnStrFill(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* filler = ArgText(ctx, args[1]);
    if (!*filler) filler = " ";
    i64 length = args[2].i;
    if (length <= 0) return Empty(ctx, result);
    return Compose(ctx, result, "", 0, PadChars(filler, static_cast<std::uint64_t>(length)), "", 0);
}

enum class Fix { RightBytes, LeftBytes, RightChars, LeftChars };

int FixText(ScriptContext* ctx, Value& result, Value* args, Fix mode) {
    const char* base = ArgText(ctx, args[1]);
    const char* pad = ArgText(ctx, args[2]);
    if (!*pad) pad = " ";
    i64 length = args[3].i;
    if (length <= 0) return Empty(ctx, result);
    auto want = static_cast<std::uint64_t>(length);
    std::size_t bb = std::strlen(base);
    switch (mode) {
    case Fix::RightBytes:
        if (bb >= want) return SetResultText(ctx, result, base, FittingBytes(base, want));
        return Compose(ctx, result, base, bb, PadBytes(pad, want - bb), "", 0);
    case Fix::LeftBytes: {
        if (bb >= want) {
            // The last length bytes, starting at a character boundary.
            const char* p = base;
            while (static_cast<std::size_t>(base + bb - p) > want)
                p += CharBytes(p);
            return SetResultText(ctx, result, p, static_cast<std::size_t>(base + bb - p));
        }
        return Compose(ctx, result, "", 0, PadBytes(pad, want - bb), base, bb);
    }
    case Fix::RightChars: {
        auto bc = static_cast<std::uint64_t>(CharacterCount(base));
        if (bc >= want) {
            const char* end = SkipChars(base, length);
            return SetResultText(ctx, result, base, static_cast<std::size_t>(end - base));
        }
        return Compose(ctx, result, base, bb, PadChars(pad, want - bc), "", 0);
    }
    case Fix::LeftChars: {
        auto bc = static_cast<std::uint64_t>(CharacterCount(base));
        if (bc >= want) {
            const char* p = SkipChars(base, static_cast<i64>(bc - want));
            return SetResultText(ctx, result, p, static_cast<std::size_t>(base + bb - p));
        }
        return Compose(ctx, result, "", 0, PadChars(pad, want - bc), base, bb);
    }
    }
    return Compose(ctx, result, "", 0, kNoPad, "", 0);
}

int FnStrFix(ScriptContext* ctx, int, Value& result, Value* args) {
    return FixText(ctx, result, args, Fix::RightBytes);
}
int FnStrFixLeft(ScriptContext* ctx, int, Value& result, Value* args) {
    return FixText(ctx, result, args, Fix::LeftBytes);
}
int FnStrFixChars(ScriptContext* ctx, int, Value& result, Value* args) {
    return FixText(ctx, result, args, Fix::RightChars);
}
int FnStrFixCharsL(ScriptContext* ctx, int, Value& result, Value* args) {
    return FixText(ctx, result, args, Fix::LeftChars);
}

// ---------------------------------------------------------- replacing

// The bytes of old when it occurs at p and ends on a character boundary
// of the text; 0 otherwise.
bool OccursAt(const char* p, const char* old, std::size_t old_bytes) {
    if (*p != *old || std::strncmp(p, old, old_bytes) != 0) return false;
    std::size_t off = 0;
    while (off < old_bytes)
        off += static_cast<std::size_t>(CharBytes(p + off));
    return off == old_bytes;
}

int FnStrReplace(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* s = ArgText(ctx, args[1]);
    const char* old = ArgText(ctx, args[2]);
    const char* repl = ArgText(ctx, args[3]);
    std::size_t sb = std::strlen(s);
    if (!*s || !*old) return SetResultText(ctx, result, s, sb);
    std::size_t ob = std::strlen(old);
    std::size_t rb = std::strlen(repl);
    std::uint64_t found = 0;
    for (const char* p = s; *p;) {
        if (OccursAt(p, old, ob)) {
            ++found;
            p += ob;
        } else {
            p += CharBytes(p);
        }
    }
    i64 total = static_cast<i64>(sb) +
                (static_cast<i64>(rb) - static_cast<i64>(ob)) * static_cast<i64>(found);
    if (total < 0 || total >= static_cast<i64>(kHeapMaxSize)) {
        Raise(ctx, Err::StringMemory);
        return 0;
    }
    char* out = NewResultText(ctx, result, static_cast<std::size_t>(total));
    if (!out) return 0;
    for (const char* p = s; *p;) {
        if (OccursAt(p, old, ob)) {
            std::memcpy(out, repl, rb);
            out += rb;
            p += ob;
        } else {
            int n = CharBytes(p);
            std::memcpy(out, p, static_cast<std::size_t>(n));
            out += n;
            p += n;
        }
    }
    *out = 0;
    return 1;
}

// --------------------------------------------------------- comparison

int Cmp(ScriptContext* ctx, Value& result, Value* args, bool ignore_case) {
    int r = plat::compare_text(ArgText(ctx, args[1]), ArgText(ctx, args[2]), ignore_case, true);
    return Integer(result, r < 0 ? -1 : (r > 0 ? 1 : 0));
}

int FnStrCmp(ScriptContext* ctx, int, Value& result, Value* args) {
    return Cmp(ctx, result, args, false);
}
int FnStriCmp(ScriptContext* ctx, int, Value& result, Value* args) {
    return Cmp(ctx, result, args, true);
}

// ---------------------------------------------------- character codes

int FnChar2Num(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* s = ArgText(ctx, args[1]);
    i64 code = static_cast<unsigned char>(s[0]);
    if (Process().version.dbcs && CharBytes(s) == 2)
        code = code * 256 + static_cast<unsigned char>(s[1]);
    return Integer(result, code);
}

int FnNum2Char(ScriptContext* ctx, int, Value& result, Value* args) {
    auto code = static_cast<std::uint32_t>(args[1].i);
    char text[3] = {};
    auto low = static_cast<unsigned char>(code & 0xFF);
    auto high = static_cast<unsigned char>((code >> 8) & 0xFF);
    if (Process().version.dbcs && plat::is_lead_byte(high)) {
        text[0] = static_cast<char>(high);
        text[1] = static_cast<char>(low);
    } else {
        text[0] = static_cast<char>(low);
    }
    return SetResultText(ctx, result, text, std::strlen(text));
}

// ------------------------------------------------------- number tests

int FnIsNumber(ScriptContext* ctx, int, Value& result, Value* args) {
    const Value& v = args[1];
    if (v.flags & (vf::Integer | vf::Float)) return Integer(result, 1);
    if (!(v.flags & vf::String)) return Integer(result, 0);
    Value scratch;
    const SavedError saved = SetErrorAside(ctx);
    int ok = ParseFloatText(ctx, HeapText(ctx, v.str), scratch);
    RestoreError(ctx, saved); // a failed reading is no error
    return Integer(result, ok ? 1 : 0);
}

int FnIsInt(ScriptContext* ctx, int, Value& result, Value* args) {
    const Value& v = args[1];
    if (v.flags & vf::Integer) return Integer(result, 1);
    if (v.flags & vf::Float) return Integer(result, 0);
    if (!(v.flags & vf::String)) return Integer(result, 0);
    return Integer(result, IsStrictInteger(HeapText(ctx, v.str)) ? 1 : 0);
}

// ----------------------------------------------------------- ParseData

bool Blank(char c) {
    return c == ' ' || c == '\t';
}

bool Quote(char c) {
    return c == '"' || c == '\'' || c == '`';
}

// Appends the character at p to the parameter when it fits (a parameter
// is cut at 256 bytes, never inside a double-byte character).
void Collect(char* param, std::size_t& len, const char* p, int n) {
    if (len + static_cast<std::size_t>(n) > kTextSize - 1) return;
    std::memcpy(param + len, p, static_cast<std::size_t>(n));
    len += static_cast<std::size_t>(n);
}

int FnParseData(ScriptContext* ctx, int, Value& result, Value* args) {
    SetVariable(ctx, "param0", nullptr, 0, 1);
    if (ctx->error_code) return 0;
    const char* p = ArgText(ctx, args[1]);
    while (Blank(*p))
        ++p;
    std::int32_t count = 0;
    char param[kTextSize];
    while (*p) {
        std::size_t len = 0;
        while (*p && !Blank(*p)) {
            if (Quote(*p)) {
                char q = *p++;
                while (*p) {
                    if (*p == q) {
                        if (p[1] != q) {
                            ++p;
                            break;
                        }
                        Collect(param, len, p, 1);
                        p += 2;
                        continue;
                    }
                    int n = CharBytes(p);
                    Collect(param, len, p, n);
                    p += n;
                }
                continue;
            }
            int n = CharBytes(p);
            Collect(param, len, p, n);
            p += n;
        }
        param[len] = 0;
        ++count;
        char name[16] = "param";
        char digits[kIntegerTextSize];
        std::strcat(name, FormatInteger(count, digits, 10));
        SetVariable(ctx, name, param, 0, 2);
        if (ctx->error_code) return 0;
        while (Blank(*p))
            ++p;
    }
    SetVariable(ctx, "param0", nullptr, count, 1);
    if (ctx->error_code) return 0;
    return Integer(result, count);
}

constexpr ModuleFunction kFunctions[] = {
    {"strcat", FnStrCat, trait::Pure},
    {"average", FnAverage, trait::Pure},
    {"max", FnMax, trait::Pure},
    {"min", FnMin, trait::Pure},
    {"strlen", FnStrLen, trait::Pure | trait::ProgramCall},
    {"strcharcount", FnStrCharCount, trait::Pure | trait::ProgramCall},
    {"strsub", FnStrSub, trait::Pure | trait::ProgramCall},
    {"strindex", FnStrIndex, trait::Pure | trait::ProgramCall},
    {"strindexnc", FnStrIndexNc, trait::Pure | trait::ProgramCall},
    {"strscan", FnStrScan, trait::Pure | trait::ProgramCall},
    {"strtrim", FnStrTrim, trait::Pure | trait::ProgramCall},
    {"strupper", FnStrUpper, trait::Pure | trait::ProgramCall},
    {"strlower", FnStrLower, trait::Pure | trait::ProgramCall},
    {"strfill", FnStrFill, trait::Pure | trait::ProgramCall},
    {"strfix", FnStrFix, trait::Pure | trait::ProgramCall},
    {"strfixleft", FnStrFixLeft, trait::Pure | trait::ProgramCall},
    {"strfixchars", FnStrFixChars, trait::Pure | trait::ProgramCall},
    {"strfixcharsl", FnStrFixCharsL, trait::Pure | trait::ProgramCall},
    {"strreplace", FnStrReplace, trait::Pure | trait::ProgramCall},
    {"strcmp", FnStrCmp, trait::Pure | trait::ProgramCall},
    {"stricmp", FnStriCmp, trait::Pure | trait::ProgramCall},
    {"char2num", FnChar2Num, trait::Pure | trait::ProgramCall},
    {"num2char", FnNum2Char, trait::Pure | trait::ProgramCall},
    {"isnumber", FnIsNumber, trait::Pure | trait::ProgramCall},
    {"isfloat", FnIsNumber, trait::Pure | trait::ProgramCall},
    {"isint", FnIsInt, trait::Pure | trait::ProgramCall},
    {"parsedata", FnParseData, trait::OwnContext},
};
} // namespace

const Module kStringModule = MakeModule("strings", kFunctions);

} // namespace jol
