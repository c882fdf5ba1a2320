// The object interface library of a context: its module, its four
// entries, and the count of the script's references to each object handle
// it gave out.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace jol {

struct ObjectLibrary {
    plat::Module module = 0;
    void* entries[4] = {}; // open/close, release, member access, shut down
};

// The object handles that variables and results hold: a handle's slot
// lives while at least one owner does. A closed handle has no slot.
constexpr int kObjectSlots = 256;

struct ObjectOwner {
    std::int32_t handle = 0; // 0 = free
    std::int32_t owners = 0;
};

struct ObjectOwners {
    ObjectOwner slots[kObjectSlots];
};

} // namespace jol
