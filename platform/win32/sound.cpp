// System event sounds and the default beep: the system's own.
#include <windows.h>
// The multimedia declarations need the system types above.
#include <mmsystem.h>

#include "platform/sound.h"

namespace plat {

bool play_system_sound(const char* event_name) {
    if (!event_name || !*event_name) return false;
    return PlaySoundA(event_name, nullptr, SND_ALIAS | SND_ASYNC | SND_NODEFAULT) != 0;
}

bool beep() {
    return MessageBeep(0) != 0;
}

} // namespace plat
