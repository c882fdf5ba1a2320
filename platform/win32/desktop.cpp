// The foreground window and system event sounds: the system's own.
#include <windows.h>
// The multimedia declarations need the system types above.
#include <mmsystem.h>

#include "platform/sound.h"
#include "platform/window_system.h"

namespace plat {

bool set_foreground_window(Hwnd w) {
    return w && SetForegroundWindow(reinterpret_cast<HWND>(w)) != 0;
}

Hwnd get_foreground_window() {
    return reinterpret_cast<Hwnd>(GetForegroundWindow());
}

bool play_system_sound(const char* event_name) {
    if (!event_name || !*event_name) return false;
    return PlaySoundA(event_name, nullptr, SND_ALIAS | SND_ASYNC | SND_NODEFAULT) != 0;
}

bool beep() {
    return MessageBeep(0) != 0;
}

} // namespace plat
