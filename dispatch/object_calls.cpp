#include "dispatch/object_calls.h"

#include <cstring>
#include <string>

#include "dispatch/extenders.h"
#include "dispatch/int_control.h"
#include "dispatch/object_library.h"
#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/process_state.h"
#include "host/context/script_context.h"
#include "include/jol_objects.h"
#include "lang/evaluator.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/tokenizer.h"
#include "lang/variables.h"
#include "platform/environment.h"
#include "platform/modules.h"
#include "platform/system.h"

namespace jol {

const char kObjectLibraryName[] = "JOOBP32I.DLL";
const char kObjectLibraryTestVariable[] = "JOL_TEST_OBJECT_LIBRARY";

namespace {

enum Entry { OpenClose = 0, Release = 1, Member = 2, Shutdown = 3 };

constexpr int kOrdinals[4] = {JOL_OBJECTS_OPEN_CLOSE, JOL_OBJECTS_RELEASE, JOL_OBJECTS_MEMBER,
                              JOL_OBJECTS_SHUTDOWN};
constexpr const char* kEntryNames[4] = {JOL_OBJECTS_OPEN_CLOSE_NAME, JOL_OBJECTS_RELEASE_NAME,
                                        JOL_OBJECTS_MEMBER_NAME, JOL_OBJECTS_SHUTDOWN_NAME};

const char kEmptyText[] = "";

bool IsKeyword(const ScriptContext* ctx, int id) {
    return ctx->token.cls == TokenClass::Keyword && ctx->token.id == id;
}

bool Loaded(const ScriptContext* ctx) {
    return ctx->object_library.module != 0;
}

template <class F> F EntryOf(const ScriptContext* ctx, Entry e) {
    return reinterpret_cast<F>(ctx->object_library.entries[e]);
}

std::uintptr_t ContextArg(const ScriptContext* ctx) {
    return static_cast<std::uintptr_t>(ctx->own_handle);
}

// The answer of an entry: 0, or the code it reports. Codes outside the
// reported ranges (a stop code would end the run without a word) become
// the interface library's general failure.
int Answer(ScriptContext* ctx, std::int32_t code) {
    if (code == 0) return 1;
    if (code < 1000 || code >= 9000) code = static_cast<std::int32_t>(Err::ObjectCallFailed);
    return Raise(ctx, static_cast<Err>(code));
}

// ------------------------------------------------------------- owners

ObjectOwner* FindOwner(ScriptContext* ctx, std::int32_t handle) {
    if (handle == 0) return nullptr;
    for (ObjectOwner& o : ctx->object_owners.slots)
        if (o.handle == handle) return &o;
    return nullptr;
}

void CallRelease(ScriptContext* ctx, std::int32_t handle) {
    if (!Loaded(ctx)) return;
    const std::int32_t code =
        EntryOf<JolObjectReleaseEntry>(ctx, Release)(ContextArg(ctx), handle, 0);
    Answer(ctx, code);
}

// A handle fresh from the interface library: one owner, the result that
// carries it. 0 when no slot is free (the object is released at once).
int TakeHandle(ScriptContext* ctx, std::int32_t handle) {
    if (ObjectOwner* o = FindOwner(ctx, handle)) {
        ++o->owners;
        return 1;
    }
    for (ObjectOwner& o : ctx->object_owners.slots) {
        if (o.handle == 0) {
            o.handle = handle;
            o.owners = 1;
            return 1;
        }
    }
    CallRelease(ctx, handle);
    return Raise(ctx, Err::ObjectTooMany);
}

// ------------------------------------------------------------ loading

// The interface library's file: the test variable's, else the one next to
// the library, else one along the search path. False when there is none.
bool FindLibrary(char* path, std::size_t size, bool* test_file) {
    *test_file = plat::get_env(kObjectLibraryTestVariable, path, size) > 0 && path[0];
    if (*test_file) return std::strlen(path) + 1 < size && plat::search_path(path, nullptr, 0);
    char own[kPathSize];
    const std::size_t n = plat::module_file_name(LibraryInstance(), own, sizeof own);
    if (n > 0) {
        std::size_t dir = n;
        while (dir > 0 && own[dir - 1] != '\\' && own[dir - 1] != '/')
            --dir;
        if (dir > 0 && dir + sizeof kObjectLibraryName <= size) {
            std::memcpy(path, own, dir);
            std::memcpy(path + dir, kObjectLibraryName, sizeof kObjectLibraryName);
            if (plat::search_path(path, nullptr, 0)) return true;
        }
    }
    return plat::search_path(kObjectLibraryName, path, size);
}

int LoadLibraryOnce(ScriptContext* ctx) {
    if (Loaded(ctx)) return 1;
    char path[kPathSize] = {};
    bool test_file = false;
    const bool found = FindLibrary(path, sizeof path, &test_file);
    if (!test_file && !plat::automation_libraries_present())
        return Raise(ctx, Err::ObjectsSystemMissing);
    if (!found) return Raise(ctx, Err::ObjectLibraryMissing);

    const bool old_boxes = plat::suppress_error_boxes(true);
    const plat::Module module = plat::load_library(path);
    plat::suppress_error_boxes(old_boxes);
    if (!module) return Raise(ctx, Err::ObjectLibraryLoad);

    // The handshake, through the extender entry. A library that has no
    // entry, or that refuses, is let go again.
    const ExtenderEntry entry = FindExtenderEntry(module);
    std::int32_t answer = -1;
    if (entry) {
        const auto text = reinterpret_cast<ExtArg>(kEmptyText);
        answer = entry(static_cast<ExtArg>(ctx->host_parent),
                       static_cast<ExtArg>(LibraryInstance()), kExtenderInterfaceVersion,
                       JOL_OBJECTS_HANDSHAKE, 0, 0, 0, text, text, text, text, text);
        InvalidateVariableIndex(ctx);
    }
    if (answer < 0) {
        plat::free_library(module);
        return Raise(ctx, Err::ObjectsRefused);
    }
    ObjectLibrary library;
    library.module = module;
    for (int e = 0; e < 4; ++e) {
        library.entries[e] = plat::get_proc_ordinal(module, kOrdinals[e], kEntryNames[e]);
        if (!library.entries[e]) {
            plat::free_library(module);
            return Raise(ctx, Err::ObjectLibraryLoad);
        }
    }
    ctx->object_library = library;
    ctx->object_owners = ObjectOwners{};
    return 1;
}

void ShutDownObjects(ScriptContext* ctx) {
    if (!Loaded(ctx)) return;
    if (ctx->object_library.entries[Shutdown])
        EntryOf<JolObjectShutdownEntry>(ctx, Shutdown)(ContextArg(ctx));
    plat::free_library(ctx->object_library.module);
    ctx->object_library = ObjectLibrary{};
    ctx->object_owners = ObjectOwners{};
}

// ------------------------------------------------------------- values

// What a member access takes from the script: its arguments as values of
// the bridge, with the texts they point to.
struct Arguments {
    JolObjectValue values[JOL_OBJECT_MAX_ARGS + 1] = {};
    std::string texts[JOL_OBJECT_MAX_ARGS + 1];
    std::int32_t buffers[JOL_OBJECT_MAX_ARGS + 1] = {}; // binary buffer handles, 0 none
    std::int32_t made[JOL_OBJECT_MAX_ARGS + 1] = {};    // objects made for an argument
    int count = 0;
    int made_count = 0;
};

// The objects made for the arguments alone go once the call is over.
void ReleaseMade(ScriptContext* ctx, Arguments& a) {
    for (int k = 0; k < a.made_count; ++k)
        ReleaseObjectHandle(ctx, a.made[k]);
    a.made_count = 0;
}

// A binary buffer that BinaryOleType marked for objects, as a bridge value.
bool BufferValue(ScriptContext* ctx, std::int32_t handle, JolObjectValue& out,
                 std::int32_t& buffer) {
    const int slot = BinaryBufferSlot(ctx, handle);
    if (slot < 0) return false;
    const BufferSlot& b = ctx->buffers[slot];
    if (b.object_type == 0) return false;
    out.kind = JOL_OBJECT_VALUE_BYTES;
    out.bytes = reinterpret_cast<char*>(BinaryBufferAddress(ctx, handle));
    out.text = out.bytes;
    out.capacity = b.size;
    out.length = b.eod;
    out.form = b.object_type;
    out.direction = b.object_direction;
    buffer = handle;
    return out.bytes != nullptr;
}

void ToBridge(ScriptContext* ctx, const Value& v, Arguments& a, int k) {
    JolObjectValue& out = a.values[k];
    out = JolObjectValue{};
    if (v.flags == kObjectValueFlags) {
        out.kind = JOL_OBJECT_VALUE_OBJECT;
        out.integer = v.i;
    } else if (v.flags & vf::String) {
        a.texts[k] = HeapText(ctx, v.str);
        out.kind = JOL_OBJECT_VALUE_TEXT;
        out.text = a.texts[k].c_str();
        out.length = static_cast<std::uint32_t>(a.texts[k].size());
    } else if (v.flags & vf::Float) {
        out.kind = JOL_OBJECT_VALUE_FLOAT;
        out.real = v.f;
    } else if (v.flags & vf::Integer) {
        if (BufferValue(ctx, v.i, out, a.buffers[k])) return;
        out.kind = JOL_OBJECT_VALUE_INTEGER;
        out.integer = v.i;
    }
}

// The new end of data of the buffers the object wrote.
void BuffersBack(ScriptContext* ctx, const Arguments& a) {
    for (int k = 1; k <= a.count; ++k) {
        const JolObjectValue& v = a.values[k];
        if (!a.buffers[k] || !(v.direction & JOL_OBJECT_BYTES_OUT)) continue;
        const std::uint32_t written = v.written <= v.capacity ? v.written : v.capacity;
        SetBinaryBufferEod(ctx, a.buffers[k], written);
    }
}

// The result of an entry as a value of the script.
int FromBridge(ScriptContext* ctx, const JolObjectValue& r, Value& out) {
    out = Value{};
    switch (r.kind) {
    case JOL_OBJECT_VALUE_INTEGER:
        out.i = r.integer;
        out.flags = vf::Integer;
        return 1;
    case JOL_OBJECT_VALUE_FLOAT:
        out.f = r.real;
        out.flags = vf::Float;
        return 1;
    case JOL_OBJECT_VALUE_TEXT:
    case JOL_OBJECT_VALUE_BYTES: {
        const std::string text(r.text ? r.text : "", r.text ? r.length : 0);
        out.str = HeapCopyText(ctx, text.c_str());
        if (!out.str) return 0;
        out.flags = vf::String;
        return 1;
    }
    case JOL_OBJECT_VALUE_OBJECT:
        if (r.integer == 0) return Raise(ctx, Err::ObjectNotOpen);
        if (!TakeHandle(ctx, r.integer)) return 0;
        out.i = r.integer;
        out.flags = kObjectValueFlags;
        return 1;
    default: // a method without a value
        out.flags = vf::Integer;
        return 1;
    }
}

// The handle that the object name of a reference (before its first point)
// holds: 0 when the variable holds no object. -1 with the error set when
// the name is no variable.
std::int32_t ReferenceHandle(ScriptContext* ctx, const char* member) {
    char name[kVarNameMax + 2] = {};
    std::size_t n = 0;
    while (member[n] && member[n] != '.') {
        if (n > kVarNameMax) {
            Raise(ctx, Err::ObjectMemberTooLong);
            return -1;
        }
        name[n] = member[n];
        ++n;
    }
    const int index = LookupVariable(ctx, name);
    if (index < 0) {
        Raise(ctx, Err::VarUndefined);
        return -1;
    }
    const VarEntry& e = ctx->vars[index];
    return e.flags == kObjectValueFlags ? e.i : 0;
}

int CallMember(ScriptContext* ctx, const char* member, int kind, Arguments& a, Value& out) {
    if (!Loaded(ctx)) return Raise(ctx, Err::ObjectsNotInitialized);
    const std::int32_t handle = ReferenceHandle(ctx, member);
    if (handle < 0) return 0;
    a.values[0] = JolObjectValue{};
    const std::int32_t code = EntryOf<JolObjectMemberEntry>(ctx, Member)(
        ContextArg(ctx), member, kind, a.count, handle, a.values);
    if (!Answer(ctx, code)) return 0;
    BuffersBack(ctx, a);
    return FromBridge(ctx, a.values[0], out);
}

// Reads the argument list after "(" up to its ")": each argument is
// evaluated, turned into a bridge value and its own value freed.
int ReadArguments(ScriptContext* ctx, Arguments& a) {
    if (!NextToken(ctx)) return 0;
    if (IsKeyword(ctx, kw::RParen)) return 1;
    for (;;) {
        if (a.count >= JOL_OBJECT_MAX_ARGS) return Raise(ctx, Err::ObjectTooManyParameters);
        Value v;
        const int ok = ProcessSubExpression(ctx, v, 0);
        if (ok && !ctx->error_code) ToBridge(ctx, v, a, ++a.count);
        if (OwnsObject(v)) a.made[a.made_count++] = v.i;
        FreeValueString(ctx, v);
        if (!ok || ctx->error_code) return 0;
        if (IsKeyword(ctx, kw::RParen)) return 1;
        if (!IsKeyword(ctx, kw::Comma)) return Raise(ctx, Err::ArgumentDelimiter);
        if (!NextToken(ctx)) return 0;
    }
}

// --------------------------------------------------------- functions

int FnObjectOpen(ScriptContext* ctx, int, Value& result, Value* args) {
    if (!LoadLibraryOnce(ctx)) return 0;
    Arguments a;
    ToBridge(ctx, args[1], a, 1);
    JolObjectValue r{};
    const std::int32_t code = EntryOf<JolObjectOpenCloseEntry>(ctx, OpenClose)(
        ContextArg(ctx), &r, 1, &a.values[1], 0, 65535);
    if (!Answer(ctx, code)) return 0;
    if (r.kind != JOL_OBJECT_VALUE_OBJECT || r.integer == 0)
        return Raise(ctx, Err::ObjectStartFailed);
    return FromBridge(ctx, r, result);
}

int FnObjectClose(ScriptContext* ctx, int, Value& result, Value* args) {
    result.i = 0;
    if (!Loaded(ctx)) return 1; // nothing was ever opened
    const std::int32_t handle = args[1].i;
    JolObjectValue object{};
    object.kind = JOL_OBJECT_VALUE_OBJECT;
    object.integer = handle;
    JolObjectValue r{};
    const std::int32_t code =
        EntryOf<JolObjectOpenCloseEntry>(ctx, OpenClose)(ContextArg(ctx), &r, 0, &object, 0, 0);
    if (!Answer(ctx, code)) return 0;
    // Closed: the variables that still hold the handle own nothing.
    if (ObjectOwner* o = FindOwner(ctx, handle)) *o = ObjectOwner{};
    result.i = 1;
    return 1;
}

constexpr ModuleFunction kFunctions[] = {
    {"objectclose", FnObjectClose, 0},
    {"objectopen", FnObjectOpen, 0},
};

} // namespace

void AddObjectOwner(ScriptContext* ctx, std::int32_t handle) {
    if (ObjectOwner* o = FindOwner(ctx, handle)) ++o->owners;
}

void ReleaseObjectHandle(ScriptContext* ctx, std::int32_t handle) {
    if (!Loaded(ctx)) {
        Raise(ctx, Err::ObjectsNotInitialized);
        return;
    }
    ObjectOwner* o = FindOwner(ctx, handle);
    if (!o) return; // closed already, or never ours
    if (--o->owners > 0) return;
    *o = ObjectOwner{};
    CallRelease(ctx, handle);
}

int EvaluateObjectMember(ScriptContext* ctx, Value& out) {
    char member[kTextSize];
    CopyBounded(ctx, member, ctx->token.text, sizeof member);
    Arguments a;
    if (!NextToken(ctx)) return 0;
    int ok = 1;
    if (IsKeyword(ctx, kw::LParen)) ok = ReadArguments(ctx, a) && NextToken(ctx); // and past ")"
    Value r;
    if (ok) ok = CallMember(ctx, member, JOL_OBJECT_GET, a, r);
    ReleaseMade(ctx, a);
    if (!ok || ctx->error_code) {
        if (OwnsObject(r)) ReleaseObjectHandle(ctx, r.i);
        FreeValueString(ctx, r);
        return 0;
    }
    out = r;
    return 1;
}

int AssignObjectMember(ScriptContext* ctx, const char* member, const Value& value) {
    Arguments a;
    ToBridge(ctx, value, a, 1);
    a.count = 1;
    Value r;
    if (!CallMember(ctx, member, JOL_OBJECT_PUT, a, r)) return 0;
    FreeValueString(ctx, r);
    return 1;
}

const Module kObjectModule =
    MakeModule("objects", kFunctions, ShutDownObjects, ReleaseStage::BeforeNotice);

} // namespace jol
