// Calls through a run-time signature with libffi: each argument and the
// result get their C type (a 32-bit number or an address), so the call is
// exact on the System V ABI. A mismatched argument list cannot be seen
// there: the caller cleans up, and surplus arguments are ignored.
#include <dlfcn.h>
#include <ffi.h>

#include <cstdint>

#include "platform/desktop.h"
#include "platform/foreign_calls.h"
#include "platform/processes.h"

namespace plat {
namespace {

ffi_type* ArgType(ForeignArg kind) {
    switch (kind) {
    case ForeignArg::Word:
        return &ffi_type_uint32;
    case ForeignArg::Long:
        return &ffi_type_sint32;
    case ForeignArg::Pointer:
        break;
    }
    return &ffi_type_pointer;
}

ffi_type* ResultType(ForeignResult kind) {
    switch (kind) {
    case ForeignResult::Word:
        return &ffi_type_uint32;
    case ForeignResult::Long:
        return &ffi_type_sint32;
    case ForeignResult::Pointer:
        return &ffi_type_pointer;
    case ForeignResult::Void:
        break;
    }
    return &ffi_type_void;
}

} // namespace

bool call_foreign(void* entry, const std::uintptr_t* values, const ForeignArg* kinds, int count,
                  ForeignResult result, ForeignOutcome* out) {
    if (!entry || count < 0 || count > kForeignArgsMax || !out) return false;
    *out = ForeignOutcome{};
    ffi_type* types[kForeignArgsMax];
    std::uint32_t numbers[kForeignArgsMax];
    std::int32_t longs[kForeignArgsMax];
    void* pointers[kForeignArgsMax];
    void* slots[kForeignArgsMax];
    for (int i = 0; i < count; ++i) {
        types[i] = ArgType(kinds[i]);
        switch (kinds[i]) {
        case ForeignArg::Word:
            numbers[i] = static_cast<std::uint32_t>(values[i]);
            slots[i] = &numbers[i];
            break;
        case ForeignArg::Long:
            longs[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(values[i]));
            slots[i] = &longs[i];
            break;
        case ForeignArg::Pointer:
            pointers[i] = reinterpret_cast<void*>(values[i]);
            slots[i] = &pointers[i];
            break;
        }
    }
    ffi_cif cif;
    if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, static_cast<unsigned>(count), ResultType(result),
                     types) != FFI_OK)
        return false;
    // Integer results come back widened to a full register.
    ffi_arg raw = 0;
    void* pointer_result = nullptr;
    void* target = result == ForeignResult::Pointer ? static_cast<void*>(&pointer_result)
                                                    : static_cast<void*>(&raw);
    ffi_call(&cif, reinterpret_cast<void (*)()>(entry), target, count ? slots : nullptr);
    switch (result) {
    case ForeignResult::Pointer:
        out->value = reinterpret_cast<std::uintptr_t>(pointer_result);
        break;
    case ForeignResult::Void:
        out->value = 0;
        break;
    default:
        out->value = static_cast<std::uintptr_t>(raw);
        break;
    }
    return true;
}

bool loader_searches_bare_names() {
    return true;
}

Module window_instance(Hwnd w) {
    // X keeps no module with a window; the process's own windows belong to
    // the running program.
    if (!w || desk::window_process(w) != current_process_id()) return 0;
    void* self = ::dlopen(nullptr, RTLD_NOW | RTLD_NOLOAD);
    if (!self) return 0;
    ::dlclose(self);
    return reinterpret_cast<Module>(self);
}

} // namespace plat
