// The object interface library of a context: its module and four entries.
#pragma once

#include "platform/handles.h"

namespace jol {

struct ObjectLibrary {
    plat::Module module = 0;
    void* entries[4] = {};
};

} // namespace jol
