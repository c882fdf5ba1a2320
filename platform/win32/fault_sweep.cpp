// The out-of-memory sweep needs a process that can split itself; a Windows
// process cannot, so a sweep asked of this backend ends at once.
#include "platform/fault_sweep.h"

#ifdef JOL_FAULT_INJECTION
#include <windows.h>

#include <cstdio>

namespace plat {

bool run_in_child(const std::string&, unsigned) {
    std::fprintf(stderr, "jol faults: the sweep runs on the native backend only\n");
    end_process_now(2);
}

bool send_outputs_to(const std::string&) {
    return false;
}

void end_process_now(int status) {
    ExitProcess(static_cast<UINT>(status));
}

} // namespace plat
#endif
