// JOL_ASSERT(condition): an invariant the code relies on, checked at run
// time in the builds that define JOL_ASSERTIONS (the sanitizer and fuzzing
// builds). A condition that does not hold prints its file, line and text to
// the standard error stream and aborts. Elsewhere the check compiles to
// nothing: the condition is not evaluated.
#pragma once

#ifdef JOL_ASSERTIONS

#include <cstdio>
#include <cstdlib>

namespace jol {

[[noreturn]] inline void AssertionFailed(const char* file, int line, const char* condition) {
    std::fprintf(stderr, "%s:%d: assertion failed: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

} // namespace jol

#define JOL_ASSERT(condition)                                                                      \
    ((condition) ? static_cast<void>(0) : ::jol::AssertionFailed(__FILE__, __LINE__, #condition))

#else

// sizeof keeps the names of the condition in use without evaluating it.
#define JOL_ASSERT(condition) static_cast<void>(sizeof(condition))

#endif
