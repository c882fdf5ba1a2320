// The tokenizer: reads one token of the current line at a time into the
// token state of the context, and the %name% substitution of a line.
#include "lang/tokenizer.h"

#include <cstring>

#include "host/context/assert.h"
#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "lang/fast/speedups.h"
#include "lang/fast/token_cache.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/variables.h"
#include "platform/text.h"

namespace jol {

namespace {

constexpr std::size_t kTextMax = 256; // characters of a token text or a line
constexpr std::size_t kNameMax = 30;  // characters of a variable name

inline unsigned char Byte(const char* p) {
    return static_cast<unsigned char>(*p);
}
inline bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
inline bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Letters, digits, '@', '_' and double-byte characters make up names.
inline bool IsNameChar(const char* p) {
    unsigned char c = Byte(p);
    if (c == 0) return false;
    if (c == '@' || c == '_') return true;
    if (c < 0x80) return AsciiAlnum(c);
    if (CharBytes(p) == 2) return true;
    return plat::is_alnum(c);
}

// A character that starts a name rather than a number or an operator.
inline bool StartsName(const char* p) {
    unsigned char c = Byte(p);
    if (c == '@' || c == '_') return true;
    if (c < 0x80) return AsciiAlpha(c);
    if (CharBytes(p) == 2) return true;
    return plat::is_alpha(c);
}

// Copies n bytes of the line into the token text and moves the cursor past
// them.
void TakeChars(TokenState& t, std::size_t n) {
    std::memcpy(t.text, t.cursor, n);
    t.text[n] = 0;
    t.cursor += n;
}

void ReadNumber(ScriptContext* ctx) {
    TokenState& t = ctx->token;
    const char* p = t.cursor;
    std::size_t n = 0;
    bool point = false;
    bool exponent = false;
    t.cls = TokenClass::Integer;
    for (;;) {
        char c = *p;
        std::size_t take = 1;
        if (IsDigit(static_cast<unsigned char>(c))) {
        } else if (c == '.') {
            if (point) {
                Raise(ctx, Err::TooManyDots);
                break;
            }
            point = true;
            t.cls = TokenClass::Float;
        } else if (c == 'e' || c == 'E') {
            if (exponent) {
                Raise(ctx, Err::TooManyEs);
                break;
            }
            exponent = true;
            t.cls = TokenClass::Float;
            // a sign belongs to the exponent only when a digit follows it
            if ((p[1] == '+' || p[1] == '-') && IsDigit(static_cast<unsigned char>(p[2]))) take = 2;
        } else {
            break;
        }
        if (n + take > kTextMax) {
            Raise(ctx, Err::StringTooLong);
            break;
        }
        std::memcpy(t.text + n, p, take);
        n += take;
        p += take;
    }
    t.text[n] = 0;
    t.cursor = p;
}

// A quoted string: only the opening quote character closes it, a doubled
// closing quote stands for one. It ends at the closing quote, at the end
// of the line, or when 256 bytes have been copied.
void ReadString(ScriptContext* ctx) {
    TokenState& t = ctx->token;
    const char quote = *t.cursor;
    const char* p = t.cursor + 1;
    std::size_t n = 0;
    for (;;) {
        if (*p == 0) break;
        if (*p == quote && p[1] != quote) {
            ++p;
            break;
        }
        if (n >= kTextMax) break;
        if (*p == quote) { // doubled quote
            t.text[n++] = quote;
            p += 2;
            continue;
        }
        std::size_t step = static_cast<std::size_t>(CharBytes(p));
        if (n + step > kTextMax) break;
        std::memcpy(t.text + n, p, step);
        n += step;
        p += step;
    }
    t.text[n] = 0;
    t.cls = TokenClass::String;
    t.cursor = p;
}

// The dotted object reference name.member...: letters, digits, '_' and
// '.', and '@' as the very first character.
void ReadObjectReference(ScriptContext* ctx) {
    TokenState& t = ctx->token;
    const char* p = t.cursor;
    std::size_t n = 0;
    for (;;) {
        unsigned char c = Byte(p + n);
        bool take = c == '_' || c == '.' || (c == '@' && n == 0) ||
                    (c != 0 && CharBytes(p + n) == 1 &&
                     plat::is_alnum(static_cast<unsigned char>(plat::to_lower_char(*(p + n)))));
        if (!take) break;
        if (n >= kTextMax) {
            Raise(ctx, Err::StringTooLong);
            break;
        }
        ++n;
    }
    TakeChars(t, n);
    t.cls = TokenClass::Keyword;
    t.id = kw::ObjectRef;
}

// Lower-cases a name of n bytes as the platform does; a name of seven-bit
// characters only is lowered here, without a call into the platform,
// since the seven-bit lower case is the same in every code page.
// True when the name is of seven-bit characters only (with the fast paths
// on; false otherwise), so that it is its own variable key.
bool LowerName(char* name, std::size_t n) {
    if (SpeedupOn(speedup::Variables)) {
        std::size_t k = 0;
        while (k < n && static_cast<unsigned char>(name[k]) < 0x80)
            ++k;
        if (k == n) {
            for (k = 0; k < n; ++k)
                if (name[k] >= 'A' && name[k] <= 'Z') name[k] = static_cast<char>(name[k] + 0x20);
            return true;
        }
    }
    plat::to_lower(name);
    return false;
}

void ReadVariableName(ScriptContext* ctx) {
    TokenState& t = ctx->token;
    const char* p = t.cursor;
    std::size_t n = 0;
    while (*p == '.' || IsNameChar(p)) {
        std::size_t step = static_cast<std::size_t>(CharBytes(p));
        if (n + step > kNameMax) {
            t.name[n] = 0;
            t.cursor = p;
            Raise(ctx, Err::NameTooLong);
            return;
        }
        std::memcpy(t.name + n, p, step);
        n += step;
        p += step;
    }
    t.name[n] = 0;
    t.cursor = p;
    const bool own_key = LowerName(t.name, n);
    std::memcpy(t.text, t.name, n + 1);
    t.cls = TokenClass::Variable;
    // merely mentioning a name creates its entry (flags 8, unset)
    const int entry = MentionVariable(ctx, t.name);
    JOL_ASSERT(entry < ctx->vars_count);
    t.var_slot = static_cast<std::int16_t>(own_key ? entry : -1);
}

// Starts a token: End, no text, blanks skipped; the token begins here.
const char* BeginToken(TokenState& t) {
    t.cls = TokenClass::End;
    t.id = -1;
    t.text[0] = 0;
    const char* p = t.cursor;
    if (p) {
        while (IsBlank(*p))
            ++p;
        t.cursor = p;
    }
    t.start = p;
    return p;
}

} // namespace

void ReadToken(ScriptContext* ctx) {
    TokenState& t = ctx->token;
    const char* p = BeginToken(t);
    if (!p || *p == 0 || *p == ';') return;

    if (IsDigit(Byte(p))) {
        ReadNumber(ctx);
        return;
    }

    if (!StartsName(p)) {
        if (LookupKeyword(ctx, false)) {
            const KeywordEntry* row = KeywordRow(ctx, t.id);
            TakeChars(t, static_cast<std::size_t>(row->length));
            t.cls = TokenClass::Keyword;
            return;
        }
        if (*p == '"' || *p == '\'' || *p == '`') {
            ReadString(ctx);
            return;
        }
        Raise(ctx, Err::Unrecognizable);
        return;
    }

    if (LookupKeyword(ctx, true)) {
        if (t.id == kw::ObjectRef) {
            ReadObjectReference(ctx);
            return;
        }
        const KeywordEntry* row = KeywordRow(ctx, t.id);
        TakeChars(t, static_cast<std::size_t>(row->length));
        t.cls = TokenClass::Keyword;
        return;
    }
    t.id = -1;
    ReadVariableName(ctx);
}

void get_token(ScriptContext* ctx) {
    if (!ctx) return;
    if (ctx->token.cached_line && ServeToken(ctx)) return;
    ctx->token.cached_token = -1;
    ReadToken(ctx);
    ctx->token.end = ctx->token.cursor;
}

void UngetToken(ScriptContext* ctx) {
    if (!ctx) return;
    TokenState& t = ctx->token;
    // only the token just read, while the cursor still stands right after
    // it: a cursor moved on or set to another line is left alone
    if (t.cls == TokenClass::End || !t.start || t.cursor != t.end) return;
    t.cursor = t.start;
}

void GetNameToken(ScriptContext* ctx) {
    if (!ctx) return;
    TokenState& t = ctx->token;
    const char* p = BeginToken(t);
    if (!p || *p == 0 || *p == ';') return;
    std::size_t n = 0;
    while (IsNameChar(p)) {
        std::size_t step = static_cast<std::size_t>(CharBytes(p));
        if (n + step > kTextMax) {
            t.text[n] = 0;
            t.cursor = p;
            Raise(ctx, Err::StringTooLong);
            return;
        }
        std::memcpy(t.text + n, p, step);
        n += step;
        p += step;
    }
    t.text[n] = 0;
    t.cursor = p;
    t.end = p;
    if (n == 0) {
        Raise(ctx, Err::Unrecognizable);
        return;
    }
    t.cls = TokenClass::String;
    t.id = -1;
}

namespace {

// Length of a string variable's whole text (GetVariableText gives at most
// what its buffer holds), or the length of the text got.
std::size_t FullTextLength(ScriptContext* ctx, const char* name, const char* got) {
    std::size_t len = std::strlen(got);
    if (len + 2 < kTextMax) return len; // nothing can have been cut
    int index = LookupVariable(ctx, name);
    if (index < 0 || !ctx->vars) return len;
    const VarEntry& v = ctx->vars[index];
    if (!(v.flags & vf::String) || v.str == 0) return len;
    const char* text = HeapText(ctx, v.str);
    return text ? std::strlen(text) : len;
}

// The text that replaces %name%: the variable's text, the text of a
// string constant (@crlf, @tab, @cr, @lf), else nothing.
const char* Replacement(ScriptContext* ctx, std::size_t* length) {
    TokenState& t = ctx->token;
    const SavedError saved = SetErrorAside(ctx);
    const bool found = GetVariableText(ctx, t.name, t.subst_name, sizeof t.subst_name);
    RestoreError(ctx, saved);
    if (found) {
        *length = FullTextLength(ctx, t.name, t.subst_name);
        return t.subst_name;
    }
    const char* text = "";
    if (t.name[0] == '@') {
        const KeywordEntry* row = FindBuiltinKeyword(t.name);
        if (row && RowKind(*row) == kind::Constant && RowConstantForm(*row) == ConstantForm::String)
            text = StringConstantText(RowConstantNumber(*row));
    }
    *length = std::strlen(text);
    return text;
}

} // namespace

int SubstituteVariables(ScriptContext* ctx, char* line) {
    if (!ctx) return 0;
    if (!line) {
        Raise(ctx, Err::NullPointer);
        return 0;
    }
    // most lines hold no % at all and fit: nothing to do
    const char* percent = std::strchr(line, '%');
    if (!percent && std::strlen(line) <= kTextMax) return 1;

    TokenState& t = ctx->token;
    char* out = t.subst_line;
    std::size_t n = 0;
    bool met = false;
    const char* p = line;
    while (*p) {
        if (*p != '%') {
            std::size_t step = static_cast<std::size_t>(CharBytes(p));
            if (n + step > kTextMax) {
                Raise(ctx, Err::SubstLineTooLong);
                return 0;
            }
            std::memcpy(out + n, p, step);
            n += step;
            p += step;
            continue;
        }
        met = true;
        if (p[1] == '%') {
            if (n + 1 > kTextMax) {
                Raise(ctx, Err::SubstLineTooLong);
                return 0;
            }
            out[n++] = '%';
            p += 2;
            continue;
        }
        const char* q = p + 1;
        std::size_t len = 0;
        while (IsNameChar(q)) {
            std::size_t step = static_cast<std::size_t>(CharBytes(q));
            if (len + step > kNameMax) {
                Raise(ctx, Err::SubstNameTooLong);
                return 0;
            }
            std::memcpy(t.name + len, q, step);
            len += step;
            q += step;
        }
        if (*q != '%') {
            Raise(ctx, Err::SubstNotClosed);
            return 0;
        }
        t.name[len] = 0;
        plat::to_lower(t.name);
        std::size_t text_len = 0;
        const char* text = Replacement(ctx, &text_len);
        if (n + text_len > kTextMax) {
            Raise(ctx, Err::SubstLineTooLong);
            return 0;
        }
        out[n] = 0;
        AppendBounded(ctx, out, text, kTextMax + 1);
        n = std::strlen(out);
        p = q + 1;
    }
    out[n] = 0;
    CopyBounded(ctx, line, out, kTextMax + 1);
    return met ? 2 : 1;
}

} // namespace jol
