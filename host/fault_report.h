// Test builds only (JOL_FAULT_INJECTION): the out-of-memory drill. The
// first run of the process starts counting the string-heap allocations and
// the memory blocks the library takes, and fails the ones named by the
// environment (JOL_FAIL_HEAP_ALLOC=N, JOL_FAIL_BLOCK_ALLOC=N). With
// JOL_FAULT_REPORT set, releasing a context writes to standard error
//   jol faults: heap allocations H, memory blocks B
// and, when the heap holds a block no variable owns or a variable holds a
// handle that is no block in use,
//   jol faults: heap check: WHAT
// and the process's exit writes "jol faults: N memory blocks left" when
// blocks were never freed.
// With JOL_FAULT_SWEEP=FOLDER (and JOL_FAULT_REPORT), one process does the
// whole drill, each run's outputs and status kept in FOLDER: the run is
// repeated in child processes, unfailed first, then failing each
// allocation it made in turn (JOL_FAULT_SWEEP_SCRATCH names a folder
// emptied before each child); or, with JOL_FAULT_SWEEP_MODE=branch, the
// run itself goes on unfailed and splits off a child at each allocation
// that fails it (see Sweep and BranchingSweep in host/fault_report.cpp).
#pragma once

#ifdef JOL_FAULT_INJECTION
namespace jol {

struct ScriptContext;

void StartFaultCounting();
// ctx is locked; its heap and variable table are not.
void ReportFaults(ScriptContext* ctx);

} // namespace jol
#endif
