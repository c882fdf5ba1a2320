// System event sounds, sound files, the default beep and the media
// control interface: the system's own.
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

bool play_sound(const char* name, unsigned flags) {
    if (!name) return false;
    return sndPlaySoundA(name, flags) != 0;
}

std::uint32_t mci_send(const char* command, char* ret, std::size_t ret_size, Hwnd notify) {
    if (ret && ret_size) ret[0] = 0;
    const MCIERROR e = mciSendStringA(command ? command : "", ret, static_cast<UINT>(ret_size),
                                      reinterpret_cast<HWND>(notify));
    if (ret && ret_size) ret[ret_size - 1] = 0;
    return static_cast<std::uint32_t>(e);
}

bool mci_error_text(std::uint32_t error, char* out, std::size_t size) {
    if (!out || !size) return false;
    out[0] = 0;
    if (!mciGetErrorStringA(error, out, static_cast<UINT>(size))) {
        out[0] = 0;
        return false;
    }
    out[size - 1] = 0;
    return out[0] != 0;
}

} // namespace plat
