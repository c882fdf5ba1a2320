#include "dispatch/run_options.h"

#include "dispatch/int_control.h"

namespace jol {

void InitRunOptions(RunOptions& options, bool nt_platform) {
    options = RunOptions{};
    options.console_keys = nt_platform ? 1 : 0;
}

} // namespace jol
