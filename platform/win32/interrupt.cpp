// The console interrupt: Ctrl+C and Ctrl+Break in the console become a
// cancel request that the message pump's cancel test takes. The request is
// an event object named after the process, so that the host program and
// the library, each with its own copy of this layer, share it.
#include <windows.h>

#include <cstdio>

#include "platform/platform.h"

namespace plat {
namespace {

HANDLE cancel_event() {
    static HANDLE event = [] {
        char name[64];
        std::snprintf(name, sizeof name, "Local\\JolCancelRequest.%lu",
                      static_cast<unsigned long>(GetCurrentProcessId()));
        return CreateEventA(nullptr, FALSE, FALSE, name); // auto-reset
    }();
    return event;
}

BOOL WINAPI on_console_event(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    request_cancel();
    return TRUE;
}

} // namespace

void watch_interrupt() {
    cancel_event();
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

void request_cancel() {
    if (HANDLE e = cancel_event()) SetEvent(e);
}

bool cancel_requested() {
    HANDLE e = cancel_event();
    return e && WaitForSingleObject(e, 0) == WAIT_OBJECT_0;
}

} // namespace plat
