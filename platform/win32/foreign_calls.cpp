// Calls through a run-time signature. The 32-bit build pushes the
// arguments itself and compares the stack pointer after the call with the
// one before the pushes: a callee that removed more or fewer bytes than
// were pushed was declared with other arguments. On x86_64 every argument
// travels in a register or a caller-owned slot and the caller cleans up,
// so a call through a pointer of fixed width is exact and unused trailing
// arguments are harmless; there a mismatch cannot be seen.
#include <windows.h>

#include <cstdint>

#include "platform/foreign_calls.h"

#if defined(__i386__)
// stacks[0]: the stack pointer before the pushes; stacks[1]: after the
// call. The callee's own view of the registers it must keep (ebx, esi,
// edi, ebp) is what makes restoring from esi sound.
extern "C" std::uint32_t jol_call_pushed(void* entry, const std::uint32_t* args,
                                         std::uint32_t count, std::uint32_t* stacks);
asm(R"(
    .text
    .globl _jol_call_pushed
    .def _jol_call_pushed; .scl 2; .type 32; .endef
_jol_call_pushed:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl %esp, %esi
    movl 16(%ebp), %ecx
    movl 12(%ebp), %edx
1:
    testl %ecx, %ecx
    jz 2f
    pushl -4(%edx,%ecx,4)
    decl %ecx
    jmp 1b
2:
    call *8(%ebp)
    movl %esp, %ecx
    movl %esi, %esp
    movl 20(%ebp), %edi
    movl %esi, (%edi)
    movl %ecx, 4(%edi)
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");
#endif

namespace plat {

bool call_foreign(void* entry, const std::uintptr_t* values, const ForeignArg* kinds, int count,
                  ForeignResult result, ForeignOutcome* out) {
    if (!entry || count < 0 || count > kForeignArgsMax || !out) return false;
    *out = ForeignOutcome{};
#if defined(__i386__)
    (void)kinds;
    std::uint32_t args[kForeignArgsMax] = {};
    for (int i = 0; i < count; ++i)
        args[i] = static_cast<std::uint32_t>(values[i]);
    std::uint32_t stacks[2] = {};
    const std::uint32_t r = jol_call_pushed(entry, args, static_cast<std::uint32_t>(count), stacks);
    out->stack_before = stacks[0];
    out->stack_after = stacks[1];
    out->stack_ok = stacks[0] == stacks[1];
    out->value = result == ForeignResult::Void ? 0 : r;
#else
    std::uintptr_t a[kForeignArgsMax] = {};
    for (int i = 0; i < count; ++i) {
        // A long travels sign-extended, as the compiler passes an int.
        a[i] = kinds[i] == ForeignArg::Long
                   ? static_cast<std::uintptr_t>(static_cast<std::intptr_t>(
                         static_cast<std::int32_t>(static_cast<std::uint32_t>(values[i]))))
                   : values[i];
    }
    using Entry = std::uintptr_t (*)(std::uintptr_t, std::uintptr_t, std::uintptr_t, std::uintptr_t,
                                     std::uintptr_t, std::uintptr_t, std::uintptr_t, std::uintptr_t,
                                     std::uintptr_t, std::uintptr_t, std::uintptr_t, std::uintptr_t,
                                     std::uintptr_t, std::uintptr_t, std::uintptr_t);
    const Entry fn = reinterpret_cast<Entry>(reinterpret_cast<INT_PTR>(entry));
    const std::uintptr_t r = fn(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10],
                                a[11], a[12], a[13], a[14]);
    out->value = result == ForeignResult::Void ? 0 : r;
#endif
    return true;
}

bool loader_searches_bare_names() {
    // The file search covers the folders the loader would look in.
    return false;
}

Module window_instance(Hwnd w) {
    HWND h = reinterpret_cast<HWND>(w);
    if (!w || !IsWindow(h)) return 0;
    return static_cast<Module>(GetWindowLongPtrA(h, GWLP_HINSTANCE));
}

} // namespace plat
