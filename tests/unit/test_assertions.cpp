// JOL_ASSERT in the builds that check invariants: a broken one stops the
// program with its place and its condition.
#include <gtest/gtest.h>

#include "exec/script_run.h"
#include "host/context/assert.h"
#include "host/context/errors.h"
#include "tests/unit/script_rig.h"

namespace {

#ifdef JOL_ASSERTIONS

TEST(AssertionsDeathTest, ABrokenInvariantNamesItsPlaceAndAborts) {
    // The macro itself: file, line and the condition's text.
    EXPECT_DEATH(JOL_ASSERT(1 + 1 == 3),
                 "test_assertions\\.cpp:[0-9]+: assertion failed: 1 \\+ 1 == 3");

    // Raising no code at all is a slip of the caller.
    auto ctx = std::make_unique<jol::ScriptContext>();
    EXPECT_DEATH(jol::Raise(ctx.get(), jol::Err::None),
                 "errors\\.h:[0-9]+: assertion failed: code != Err::None");

    // A structure stack deeper than its records, met by the next end word.
    test::ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    jol::ScriptContext* bound = rig.Bind();
    jol::RunCursor cur;
    jol::Value result;
    char line[] = "ENDIF";
    bound->structures.depth = jol::kStructureDepth + 1;
    EXPECT_DEATH(jol::ExecuteStatement(bound, result, line, 0, cur, false),
                 "statements\\.cpp:[0-9]+: assertion failed: s\\.depth >= 0 && "
                 "s\\.depth <= kStructureDepth");
    bound->structures.depth = 0;
}

#else

int g_evaluated = 0;

bool Evaluated() {
    ++g_evaluated;
    return false;
}

TEST(Assertions, CompileToNothing) {
    // Without the checks the condition is not even evaluated.
    JOL_ASSERT(Evaluated());
    EXPECT_EQ(g_evaluated, 0);
}

#endif

} // namespace
