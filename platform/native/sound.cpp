// System sounds of the native backend: there is no sound device, so no
// system sound ever plays; the beep rings the terminal's bell.
#include <unistd.h>

#include "platform/sound.h"

namespace plat {

bool play_system_sound(const char*) {
    return false;
}

bool beep() {
    if (::isatty(2)) {
        const char bell = '\a';
        return ::write(2, &bell, 1) == 1;
    }
    return true;
}

} // namespace plat
