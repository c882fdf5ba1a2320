#include "host/context/window_pointer_map.h"

#include <mutex>

#include "platform/boxes.h"
#include "platform/window_system.h"

namespace jol {
namespace {

struct Slot {
    plat::Hwnd window = 0;
    void* pointer = nullptr;
};

Slot g_slots[kWindowPointerSlots];
std::mutex g_lock;

} // namespace

void WindowPointerClear() {
    std::lock_guard<std::mutex> hold(g_lock);
    for (Slot& s : g_slots)
        s = Slot{};
}

void* WindowPointerAdd(plat::Hwnd window, void* pointer) {
    std::lock_guard<std::mutex> hold(g_lock);
    // A window must never sit in two slots: the slot that holds it already
    // is updated before a free one is taken.
    Slot* free_slot = nullptr;
    for (Slot& s : g_slots) {
        if (s.window == window && window != 0) {
            s.pointer = pointer;
            return pointer;
        }
        if (!free_slot && s.window == 0) free_slot = &s;
    }
    if (!free_slot) return nullptr;
    free_slot->window = window;
    free_slot->pointer = pointer;
    return pointer;
}

void* WindowPointerFindQuiet(plat::Hwnd window) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (window == 0) return nullptr;
    for (const Slot& s : g_slots)
        if (s.window == window) return s.pointer;
    return nullptr;
}

void* WindowPointerFind(plat::Hwnd window) {
    void* p = WindowPointerFindQuiet(window);
    if (!p)
        plat::message_box(plat::get_focus(), "DlgPointLookup Failure", "Internal Error",
                          plat::mb::Ok | plat::mb::SetForeground);
    return p;
}

bool WindowPointerRemove(plat::Hwnd window) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (window == 0) return false;
    for (Slot& s : g_slots) {
        if (s.window == window) {
            s = Slot{};
            return true;
        }
    }
    return false;
}

} // namespace jol
