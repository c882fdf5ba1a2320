// The console interrupt: Ctrl+C and Ctrl+Break in the console become a
// cancel request that the message pump's cancel test takes. The request is
// a word of shared memory named after the process, so that the host
// program and the library, each with its own copy of this layer, share it.
// The test runs before every script line: reading a word of memory costs
// nothing, where a wait on a kernel object is a system call every line.
#include <windows.h>

#include <cstdio>

#include "platform/interrupt.h"

namespace plat {
namespace {

// The request word: 1 while a request waits to be taken. Null when the
// shared memory cannot be had; the requests then go through an event named
// after the process instead.
struct Request {
    volatile LONG* word = nullptr;
    HANDLE event = nullptr;
};

const Request& request() {
    static const Request r = [] {
        Request made;
        char name[64];
        std::snprintf(name, sizeof name, "Local\\JolCancelRequest.%lu",
                      static_cast<unsigned long>(GetCurrentProcessId()));
        HANDLE mapping =
            CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name);
        if (mapping) {
            // The view stays mapped for the life of the process.
            made.word =
                static_cast<volatile LONG*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 4096));
            if (made.word) return made;
            CloseHandle(mapping);
        }
        std::snprintf(name, sizeof name, "Local\\JolCancelEvent.%lu",
                      static_cast<unsigned long>(GetCurrentProcessId()));
        made.event = CreateEventA(nullptr, FALSE, FALSE, name); // auto-reset
        return made;
    }();
    return r;
}

BOOL WINAPI on_console_event(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    request_cancel();
    return TRUE;
}

} // namespace

void watch_interrupt() {
    request();
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

void request_cancel() {
    const Request& r = request();
    if (r.word)
        InterlockedExchange(r.word, 1);
    else if (r.event)
        SetEvent(r.event);
}

bool cancel_requested() {
    const Request& r = request();
    if (r.word) {
        // A plain read while nothing is pending; the exchange takes the
        // request, so that it is answered once.
        if (*r.word == 0) return false;
        return InterlockedExchange(r.word, 0) != 0;
    }
    return r.event && WaitForSingleObject(r.event, 0) == WAIT_OBJECT_0;
}

} // namespace plat
