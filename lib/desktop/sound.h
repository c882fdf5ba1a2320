// Sounds and media: Sounds, PlayWaveform, PlayMidi and PlayMedia.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dispatch/handler.h"
#include "platform/handles.h"

namespace jol {

// Whether a media command (upper-cased) asks to be told when it ends: the
// word NOTIFY, standing alone, ends it (blanks after it aside). A NOTIFY
// inside a name (NOTIFY.MID, XNOTIFY) asks nothing, and one followed by
// further words does not make the library wait.
bool MediaCommandNotifies(const char* upper);

// What sends the media commands (plat::mci_send); a test puts a device of
// its own in its place. Returns the sender it replaces.
using MediaSender = std::uint32_t (*)(const char* command, char* ret, std::size_t ret_size,
                                      plat::Hwnd notify);
MediaSender SetMediaSender(MediaSender sender);

// The module record of the sound functions.
extern const Module kSoundModule;

} // namespace jol
