// The sound cue: system event sounds and the default beep.
#pragma once

namespace plat {

// Plays the sound registered for a system event (e.g. "SystemHand")
// asynchronously, with no fallback sound; false when nothing plays (always
// on the native backend, which has no sound device).
bool play_system_sound(const char* event_name);
// The default beep. The native backend rings the terminal's bell when
// standard error is a terminal and is silent otherwise.
bool beep();

} // namespace plat
