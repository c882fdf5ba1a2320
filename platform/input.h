// Keyboard state and the mouse cursor.
#pragma once

#include "platform/handles.h"

namespace plat {

namespace vk {
constexpr int Cancel = 0x03;
constexpr int Control = 0x11;
} // namespace vk
// True when the key is down now (either by the thread's key state or by the
// physical key state).
bool key_down(int virtual_key);

enum class SystemCursor { Arrow, Wait };
Cursor load_system_cursor(SystemCursor which);
Cursor set_cursor(Cursor c); // returns the previous cursor

} // namespace plat
