#include "lang/variables.h"

#include <cstring>

#include "dispatch/object_calls.h"
#include "host/context/assert.h"
#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lang/conversion.h"
#include "lang/fast/change_epoch.h"
#include "lang/fast/speedups.h"
#include "lang/fast/variable_index.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/tokenizer.h"
#include "platform/text.h"

namespace jol {
namespace {

constexpr std::size_t kKeySize = kVarNameMax + 1;
constexpr std::uint32_t kObjectFlags = kObjectValueFlags;

bool SameName(const VarEntry& e, const char* key) {
    return e.name[0] == key[0] && std::strncmp(e.name, key, kKeySize) == 0;
}

// Scans the entries in use for the key; remembers the last free entry.
int Scan(ScriptContext* ctx, const char* key, int* last_free) {
    if (last_free) *last_free = -1;
    if (!ctx || !ctx->vars) return -1;
    int count = ctx->vars_count;
    if (count > ctx->vars_capacity) count = ctx->vars_capacity;
    for (int n = 0; n < count; ++n) {
        const VarEntry& e = ctx->vars[n];
        if (e.flags == 0) {
            if (last_free) *last_free = n;
            continue;
        }
        if (SameName(e, key)) return n;
    }
    return -1;
}

// The scan's answer, through the variable index when it holds the key;
// a find of the scan is remembered there. last_free is only meaningful
// when the name is absent, which always takes the scan.
int Find(ScriptContext* ctx, const char* key, int* last_free) {
    if (const int n = IndexedEntry(ctx, key); n >= 0) {
        if (last_free) *last_free = -1;
        return n;
    }
    const int n = Scan(ctx, key, last_free);
    RememberEntry(ctx, key, n);
    return n;
}

// The entry for a new name: the last free entry, or a new one at the end
// while the table has room (at most capacity - 1 entries are used). -1
// with Err::VariableMemory; the count never passes the capacity.
int NewEntry(ScriptContext* ctx, int last_free) {
    if (last_free >= 0) return last_free;
    if (!ctx->vars || ctx->vars_count + 1 >= ctx->vars_capacity) {
        Raise(ctx, Err::VariableMemory);
        return -1;
    }
    JOL_ASSERT(ctx->vars_count + 1 < ctx->vars_capacity);
    return ctx->vars_count++;
}

void SetName(VarEntry& e, const char* key) {
    NoteChange();
    std::memset(e.name, 0, sizeof e.name);
    std::memcpy(e.name, key, std::strlen(key));
}

// Releases what an entry holds (object, string) without touching the name.
void ReleaseEntryValue(ScriptContext* ctx, VarEntry& e) {
    if (e.flags == kObjectFlags) ReleaseObjectHandle(ctx, e.i);
    if (e.str) HeapFree(ctx, e.str);
    e.str = 0;
}

} // namespace

void InvalidateVariableIndex(ScriptContext* ctx) {
    NoteChange();
    if (!ctx) return;
    ctx->var_index.table = nullptr;
    ctx->token.host_rows_checked = 0; // and the host's keyword table
}

void FoldName(const char* name, char* key) {
    std::memset(key, 0, kKeySize);
    if (!name || !*name) return;
    if (SpeedupOn(speedup::Variables)) {
        // Seven-bit names of at most 30 characters are their own key, in
        // the seven-bit lower case (the same in every code page).
        std::size_t n = 0;
        for (; n < kKeySize; ++n) {
            const auto c = static_cast<unsigned char>(name[n]);
            if (c == 0 || c >= 0x80) break;
            key[n] = static_cast<char>((c >= 'A' && c <= 'Z') ? c + 0x20 : c);
        }
        if (name[n] == 0 && n < kKeySize) return;
        std::memset(key, 0, kKeySize);
    }
    auto first = static_cast<unsigned char>(name[0]);
    key[0] = first < 128 ? LowerChar(name[0]) : name[0];
    int p = 1;
    for (const char* s = name + 1; *s; ++s) {
        key[p] = static_cast<char>(static_cast<unsigned char>(key[p]) +
                                   static_cast<unsigned char>(LowerChar(*s)));
        p = p == kVarNameMax - 1 ? 5 : p + 1;
    }
}

int LookupVariable(ScriptContext* ctx, const char* name) {
    if (!name) return -1;
    char key[kKeySize];
    FoldName(name, key);
    return Find(ctx, key, nullptr);
}

int find_var(ScriptContext* ctx, const char* name) {
    int n = LookupVariable(ctx, name);
    if (n < 0) {
        Raise(ctx, Err::VarUndefined);
        return -1;
    }
    if ((ctx->vars[n].flags & (vf::Integer | vf::String | vf::Float)) == 0) {
        Raise(ctx, Err::VarUnset);
        return -1;
    }
    return n;
}

int MentionVariable(ScriptContext* ctx, const char* lower_name) {
    char key[kKeySize];
    FoldName(lower_name, key);
    int last_free;
    int n = Find(ctx, key, &last_free);
    if (n >= 0) return n;
    n = NewEntry(ctx, last_free);
    if (n < 0) return -1;
    VarEntry& e = ctx->vars[n];
    SetName(e, key);
    RememberEntry(ctx, key, n);
    e.f = 0.0;
    e.i = -1;
    e.flags = vf::Unset;
    e.str = 0;
    return n;
}

namespace {

bool HintHolds(const ScriptContext* ctx, const char* name, int hint) {
    if (!SpeedupOn(speedup::Variables) || hint < 0 || !ctx || !ctx->vars || !name) return false;
    int count = ctx->vars_count;
    if (count > ctx->vars_capacity) count = ctx->vars_capacity;
    if (hint >= count) return false;
    const VarEntry& e = ctx->vars[hint];
    if (e.flags == 0) return false;
    // The name is its own key (the caller's promise): the entry carries it
    // when the name and its terminator match.
    for (std::size_t k = 0; k < kKeySize; ++k) {
        if (e.name[k] != name[k]) return false;
        if (name[k] == 0) return true;
    }
    return false;
}

} // namespace

int LookupVariableHinted(ScriptContext* ctx, const char* name, int hint) {
    return HintHolds(ctx, name, hint) ? hint : LookupVariable(ctx, name);
}

int FindVarHinted(ScriptContext* ctx, const char* name, int hint) {
    if (!HintHolds(ctx, name, hint)) return find_var(ctx, name);
    if ((ctx->vars[hint].flags & (vf::Integer | vf::String | vf::Float)) == 0) {
        Raise(ctx, Err::VarUnset);
        return -1;
    }
    return hint;
}

int MentionVariableHinted(ScriptContext* ctx, const char* lower_name, int hint) {
    return HintHolds(ctx, lower_name, hint) ? hint : MentionVariable(ctx, lower_name);
}

int GetVariableText(ScriptContext* ctx, const char* name, char* buf, std::size_t size) {
    if (!ctx || !name) return 0;
    char key[kKeySize];
    FoldName(name, key);
    // An unknown name is no error here.
    const SavedError saved = SetErrorAside(ctx);
    int n = find_var(ctx, key);
    RestoreError(ctx, saved);
    if (n < 0) return 0;
    const VarEntry& e = ctx->vars[n];
    char text[32];
    const char* src = text;
    if (e.flags & vf::String) {
        src = HeapText(ctx, e.str);
    } else if (e.flags & vf::Integer) {
        FormatInteger(e.i, text, 10);
    } else {
        if (!FormatFloat(ctx, e.f, text)) return 0;
    }
    return CopyBounded(ctx, buf, src, size);
}

void SetVariable(ScriptContext* ctx, const char* name, const char* text, std::int32_t integer,
                 int type) {
    if (!ctx || !name || (type != 1 && type != 2)) return;
    char key[kKeySize];
    FoldName(name, key);
    if (!key[0]) return;
    std::uint16_t str = 0;
    if (type == 2) {
        str = HeapCopyText(ctx, text ? text : "");
        if (!str) return;
    }
    int last_free;
    int n = Find(ctx, key, &last_free);
    if (n < 0) {
        n = NewEntry(ctx, last_free);
        if (n < 0) {
            HeapFree(ctx, str);
            return;
        }
    } else if (ctx->vars[n].str) {
        // An object the entry held is left to its owner, as hosts expect.
        HeapFree(ctx, ctx->vars[n].str);
    }
    VarEntry& e = ctx->vars[n];
    SetName(e, key);
    RememberEntry(ctx, key, n);
    e.f = 0.0;
    e.i = integer;
    e.flags = static_cast<std::uint32_t>(type);
    e.str = str;
}

void ClearVariable(ScriptContext* ctx, int index) {
    if (!ctx || !ctx->vars || index < 0 || index >= ctx->vars_capacity) return;
    VarEntry& e = ctx->vars[index];
    ReleaseEntryValue(ctx, e);
    e.f = 0.0;
    e.i = 0;
    e.flags = vf::Integer;
}

int StoreVariable(ScriptContext* ctx, int index, Value& v) {
    if (!ctx || !ctx->vars || index < 0 || index >= ctx->vars_capacity) return 0;
    VarEntry& e = ctx->vars[index];
    std::uint16_t str = 0;
    if ((v.flags & vf::String) && v.str) {
        str = HeapCopyText(ctx, HeapText(ctx, v.str));
        if (!str) return 0;
    }
    e.f = v.f;
    e.i = v.i;
    e.flags = v.flags;
    e.str = str;
    if (e.flags == kObjectFlags) {
        // The variable owns the object now: a fresh result hands its
        // ownership over, a copy read from a variable adds an owner.
        if (v.var >= 0) AddObjectOwner(ctx, v.i);
        v.flags = vf::Integer;
    }
    ctx->last_assigned_var = static_cast<std::uint16_t>(index);
    return 1;
}

bool AssignPlainValue(ScriptContext* ctx, int index, const Value& v) {
    if (!ctx || !ctx->vars || index < 0 || index >= ctx->vars_capacity) return false;
    VarEntry& e = ctx->vars[index];
    if (e.str || e.flags == kObjectFlags || (v.flags & vf::String) || v.flags == kObjectFlags)
        return false;
    e.f = v.f;
    e.i = v.i;
    e.flags = v.flags;
    ctx->last_assigned_var = static_cast<std::uint16_t>(index);
    return true;
}

int AssignVariable(ScriptContext* ctx, int index, Value& v) {
    ClearVariable(ctx, index);
    return StoreVariable(ctx, index, v);
}

void DropVariable(ScriptContext* ctx, int index) {
    if (!ctx || !ctx->vars || index < 0 || index >= ctx->vars_count) return;
    NoteChange();
    VarEntry& e = ctx->vars[index];
    ReleaseEntryValue(ctx, e);
    e.f = 0.0;
    e.i = 0;
    e.flags = 0;
    std::memset(e.name, 0, sizeof e.name);
    if (index == ctx->vars_count - 1) --ctx->vars_count;
}

int EvaluateDrop(ScriptContext* ctx, Value& result) {
    for (;;) {
        if (!NextToken(ctx)) return 0;
        if (ctx->token.cls != TokenClass::Variable) return Raise(ctx, Err::DropNotVariable);
        int n = LookupVariable(ctx, ctx->token.text);
        if (n >= 0) DropVariable(ctx, n);
        if (ctx->error_code) return 0;
        if (!NextToken(ctx)) return 0;
        if (ctx->token.cls == TokenClass::Keyword && ctx->token.id == kw::Comma) continue;
        if (ctx->token.cls == TokenClass::Keyword && ctx->token.id == kw::RParen) break;
        return Raise(ctx, Err::ArgumentCount);
    }
    if (!NextToken(ctx)) return 0;
    result = Value{};
    result.i = 1;
    result.flags = vf::Integer;
    return 1;
}

int EvaluateIsDefined(ScriptContext* ctx, Value& result) {
    if (!NextToken(ctx)) return 0;
    if (ctx->token.cls != TokenClass::Variable) return Raise(ctx, Err::IsDefinedNotVariable);
    int n = find_var(ctx, ctx->token.text);
    ClearSpeculativeError(ctx);
    if (!NextToken(ctx)) return 0;
    if (ctx->token.cls != TokenClass::Keyword || ctx->token.id != kw::RParen)
        return Raise(ctx, Err::ArgumentCount);
    if (!NextToken(ctx)) return 0;
    result = Value{};
    result.i = n >= 0 ? 1 : 0;
    result.flags = vf::Integer;
    return 1;
}

} // namespace jol
