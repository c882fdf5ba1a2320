// The small exports that let a host do without system calls of its own:
// movable memory blocks for its script environment, the console's
// interrupt, scripted answers for the boxes, and the report of where the
// error that stopped the last run was raised.
#include <cstring>

#include "host/context/script_context.h"
#include "include/jol.h"
#include "platform/abi.h"
#include "platform/environment.h"
#include "platform/interrupt.h"
#include "platform/memory.h"
#include "resources/error_codes.h"

namespace {

// True when the last run stopped on an error: one that was reported (or a
// stop after one reported inside a Call, EXECUTE or an extender's box).
bool StoppedOnError(const jol::LastRun& r) {
    return r.result == 0 && ((r.error >= 1 && !jol::IsStopCode(r.error)) ||
                             r.error == jol::ErrNumber(jol::Err::StopReported));
}

} // namespace

JOL_EXPORT std::uintptr_t JolBlockAlloc(std::size_t bytes) {
    return plat::mem_alloc(bytes);
}

JOL_EXPORT void* JolBlockLock(std::uintptr_t block) {
    return plat::mem_lock(block);
}

JOL_EXPORT std::int32_t JolBlockUnlock(std::uintptr_t block) {
    return plat::mem_unlock(block) ? 1 : 0;
}

JOL_EXPORT std::size_t JolBlockSize(std::uintptr_t block) {
    return plat::mem_size(block);
}

JOL_EXPORT std::int32_t JolBlockFree(std::uintptr_t block) {
    return plat::mem_free(block) ? 1 : 0;
}

JOL_EXPORT void JolWatchInterrupt(void) {
    plat::watch_interrupt();
}

JOL_EXPORT void JolRequestCancel(void) {
    plat::request_cancel();
}

// The answer queue reads its file when the first box asks for an answer.
JOL_EXPORT std::int32_t JolAnswerBoxesFrom(const char* file) {
    if (!file || !*file) return 0;
    return plat::set_env("JOL_ANSWERS_FILE", file) ? 1 : 0;
}

JOL_EXPORT std::int32_t JolLastStop(std::uintptr_t context, JolStopReport* report) {
    if (!context || !report) return 0;
    if (plat::mem_size(context) < sizeof(jol::ScriptContext)) return 0;
    auto* ctx = static_cast<jol::ScriptContext*>(plat::mem_lock(context));
    if (!ctx) return 0;
    std::int32_t found = 0;
    if (ctx->stop.code != 0 && StoppedOnError(ctx->last_run)) {
        std::memcpy(report, &ctx->stop, sizeof *report);
        // The texts end inside their fields whatever the block held.
        report->file[sizeof report->file - 1] = 0;
        report->message[sizeof report->message - 1] = 0;
        report->text[sizeof report->text - 1] = 0;
        found = 1;
    }
    plat::mem_unlock(context);
    return found;
}
