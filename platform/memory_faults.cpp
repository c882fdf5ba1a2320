// Test builds only: the counter that makes a chosen movable block fail, as
// a system out of memory would.
#include "platform/memory.h"

#ifdef JOL_FAULT_INJECTION
namespace plat {

FaultCounter& mem_faults() {
    static FaultCounter counter;
    return counter;
}

} // namespace plat
#endif
