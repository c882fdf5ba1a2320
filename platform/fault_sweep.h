// Test builds only (JOL_FAULT_INJECTION): the process side of the
// out-of-memory sweep (host/fault_report.h), which runs the rest of one
// process again and again, once per allocation to fail, without starting
// the program afresh each time.
#pragma once

#ifdef JOL_FAULT_INJECTION
#include <string>

namespace plat {

// Splits the process in two. In the child (true), standard output and
// error are appended to prefix.stdout and prefix.stderr (made when
// missing), and a child
// still running after seconds is stopped. The parent (false) waits for the
// child's end and writes prefix.status: the child's exit status, or
// "signal N" when a signal ended it. Standard buffers are flushed first, so
// nothing written before is written twice. The native backend only: on
// Windows, which cannot split a process, the process ends with status 2
// and a note on standard error.
bool run_in_child(const std::string& prefix, unsigned seconds);
// From now on standard output and error go to prefix.stdout and
// prefix.stderr (made afresh); false when they cannot be made.
bool send_outputs_to(const std::string& prefix);
// Ends the process at once: no exit handlers run, no buffer is flushed.
[[noreturn]] void end_process_now(int status);

} // namespace plat
#endif
