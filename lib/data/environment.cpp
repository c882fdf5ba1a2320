#include "lib/data/environment.h"

#include <cstring>

#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lang/conversion.h"
#include "lang/string_heap.h"
#include "platform/environment.h"
#include "platform/memory.h"
#include "platform/text.h"

namespace jol {
namespace {

int FnEnvironment(ScriptContext* ctx, int, Value& result, Value* args) {
    char name[kTextSize];
    CopyBounded(nullptr, name, HeapText(ctx, args[1].str), sizeof name);
    char value[kTextSize];
    if (plat::get_env(name, value, sizeof value) == 0) {
        plat::to_upper(name);
        plat::get_env(name, value, sizeof value);
    }
    std::uint16_t h = HeapCopyText(ctx, value);
    if (!h) return 0;
    result.str = h;
    result.flags = vf::String;
    return 1;
}

int FnEnvironSet(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* value = HeapText(ctx, args[2].str);
    result.i = plat::set_env(HeapText(ctx, args[1].str), *value ? value : nullptr) ? 1 : 0;
    return 1;
}

struct Listing {
    char* out = nullptr; // null while measuring
    std::size_t length = 0;
    std::size_t limit = 0;
};

bool Measure(const char* entry, void* data) {
    auto* l = static_cast<Listing*>(data);
    l->length += std::strlen(entry) + 1;
    return l->length < l->limit;
}

bool Fill(const char* entry, void* data) {
    auto* l = static_cast<Listing*>(data);
    std::size_t n = std::strlen(entry);
    if (l->length + n + 1 > l->limit) return false;
    std::memcpy(l->out + l->length, entry, n);
    l->length += n;
    l->out[l->length++] = '\n';
    return true;
}

int FnEnvItemize(ScriptContext* ctx, int, Value& result, Value*) {
    // The list must fit in one block of the string heap.
    Listing size;
    size.limit = kHeapMaxSize;
    ForEachEnvironmentEntry(ctx, Measure, &size);
    if (size.length >= kHeapMaxSize || !ctx->heap.base) {
        Raise(ctx, Err::StringMemory);
        return 0;
    }
    std::uint16_t h = VMalloc(ctx->heap.base, static_cast<std::uint32_t>(size.length + 1));
    if (!h) {
        Raise(ctx, Err::StringMemory);
        return 0;
    }
    Listing fill;
    fill.out = HeapText(ctx, h);
    fill.limit = size.length;
    ForEachEnvironmentEntry(ctx, Fill, &fill);
    fill.out[fill.length] = 0;
    result.str = h;
    result.flags = vf::String;
    return 1;
}

constexpr ModuleFunction kFunctions[] = {
    {"environment", FnEnvironment, 0},
    {"environset", FnEnvironSet, 0},
    {"envitemize", FnEnvItemize, 0},
};

} // namespace

void ForEachEnvironmentEntry(ScriptContext* ctx, bool (*visit)(const char* entry, void* data),
                             void* data) {
    const char* block = ctx->private_env.block;
    if (!block) {
        plat::for_each_env(visit, data);
        return;
    }
    // A block whose size is known is read only within it; an entry that
    // runs to its end unterminated is left out.
    const std::size_t size = ctx->private_env.handle ? plat::mem_size(ctx->private_env.handle) : 0;
    std::size_t pos = 0;
    for (;;) {
        if (size && pos >= size) return;
        const char* entry = block + pos;
        std::size_t n = 0;
        if (size) {
            const void* zero = std::memchr(entry, 0, size - pos);
            if (!zero) return;
            n = static_cast<const char*>(zero) - entry;
        } else {
            n = std::strlen(entry);
        }
        if (n == 0) return;
        if (!visit(entry, data)) return;
        pos += n + 1;
    }
}

namespace {

// Frees the environment block the host handed to the context.
void ReleasePrivateEnvironment(ScriptContext* ctx) {
    if (!ctx->private_env.handle) return;
    plat::mem_unlock(ctx->private_env.handle);
    plat::mem_free(ctx->private_env.handle);
    ctx->private_env = PrivateEnvironment{};
}

} // namespace

const Module kEnvironmentModule =
    MakeModule("environment", kFunctions, ReleasePrivateEnvironment, ReleaseStage::AfterPump);

} // namespace jol
