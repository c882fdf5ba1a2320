// The process-list entry points of a context: the system's kernel library
// and its five tool-help entries, or a null module where there are none.
#pragma once

#include "platform/handles.h"

namespace jol {

struct ProcessListEntries {
    plat::Module kernel = 0;
    void* entries[5] = {};
};

} // namespace jol
