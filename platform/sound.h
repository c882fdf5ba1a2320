// Sounds: the sound player (system event sounds and sound files), the
// default beep and the media control interface's command strings.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/handles.h"

namespace plat {

// Plays the sound registered for a system event (e.g. "SystemHand")
// asynchronously, with no fallback sound; false when nothing plays. The
// native backend finds the event's sound file in the registry store
// (HKEY_CURRENT_USER AppEvents\Schemes\Apps\.Default\<event>\.Current).
bool play_system_sound(const char* event_name);
// The default beep. The native backend rings the terminal's bell when
// standard error is a terminal and is silent otherwise.
bool beep();

// The flags of the sound player.
namespace snd {
constexpr unsigned Async = 0x0001;     // return at once, the sound plays on
constexpr unsigned NoDefault = 0x0002; // no default sound when the name has none
constexpr unsigned Loop = 0x0008;      // repeat until the next sound (with Async)
constexpr unsigned NoStop = 0x0010;    // fail rather than stop a sound that plays
} // namespace snd

// The sound player: name is a system event, whose registered sound plays,
// or the name of a sound file. True when the sound played (or, with Async,
// began to play); false when nothing played. The native backend plays PCM
// wave files through the sound system's default device (ALSA), from a
// player thread when asked to play asynchronously; it has no default sound
// of its own beyond the ".Default" event's.
bool play_sound(const char* name, unsigned flags);

// The media control interface's message of a finished notified command.
constexpr unsigned kMmMciNotify = 0x03B9;

// Sends a media control command string; the device's return text goes to
// ret (always terminated), and a command with the notify flag posts
// kMmMciNotify to the window notify when it ends. 0 on success, else the
// interface's error number. The native backend has no media devices: every
// command fails with the error the interface gives for it (an unknown
// command, a device type that is not installed, a device or alias that is
// not open).
std::uint32_t mci_send(const char* command, char* ret, std::size_t ret_size, Hwnd notify);
// The text of a media control error number; false (out empty) when the
// interface has none.
bool mci_error_text(std::uint32_t error, char* out, std::size_t size);

} // namespace plat
