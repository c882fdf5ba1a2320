// The environment contract of both backends: variables (also the
// per-drive ones whose names begin with "="), the environment block, the
// current directory, the session.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/system.h"
#include "platform/system_errors.h"
#include "tests/unit/test_support.h"

namespace {

std::string Env(const char* name) {
    char value[256];
    return plat::get_env(name, value, sizeof value) > 0 ? value : "<unset>";
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

TEST(PlatformEnvironment, VariablesAreSetReadAndRemoved) {
    ASSERT_TRUE(plat::set_env("JOL_CONTRACT_VAR", "some value"));
    EXPECT_EQ(Env("JOL_CONTRACT_VAR"), "some value");
    // The full length is told also when the buffer is too small; what fits
    // is copied and terminated.
    char small[5];
    EXPECT_EQ(plat::get_env("JOL_CONTRACT_VAR", small, sizeof small), 10u);
    EXPECT_STREQ(small, "some");
    ASSERT_TRUE(plat::set_env("JOL_CONTRACT_VAR", "other"));
    EXPECT_EQ(Env("JOL_CONTRACT_VAR"), "other");
    ASSERT_TRUE(plat::set_env("JOL_CONTRACT_VAR", nullptr));
    EXPECT_EQ(Env("JOL_CONTRACT_VAR"), "<unset>");
    char out[8] = "x";
    EXPECT_EQ(plat::get_env("JOL_CONTRACT_VAR", out, sizeof out), 0u);
    EXPECT_STREQ(out, "");
    // A name holds no "=" after its first character, and is not empty.
    EXPECT_FALSE(plat::set_env("JOL=BAD", "x"));
    EXPECT_FALSE(plat::set_env("", "x"));

    // The per-drive current directories of command interpreters.
    ASSERT_TRUE(plat::set_env("=Q:", "Q:\\somewhere"));
    EXPECT_EQ(Env("=Q:"), "Q:\\somewhere");
    ASSERT_TRUE(plat::set_env("=Q:", nullptr));
    EXPECT_EQ(Env("=Q:"), "<unset>");
}

struct Visit {
    int seen = 0;
    bool found = false;
    bool drive_seen = false;
    bool plain_seen = false;
    bool drive_after_plain = false;
};

bool Look(const char* entry, void* data) {
    auto* v = static_cast<Visit*>(data);
    const std::string e = entry;
    ++v->seen;
    if (e[0] == '=') {
        if (e.rfind("=Q:=Q:\\", 0) == 0) v->drive_seen = true;
        if (v->plain_seen) v->drive_after_plain = true;
    } else {
        v->plain_seen = true;
    }
    if (e == "JOL_CONTRACT_BLOCK=in the block") v->found = true;
    return true;
}

bool First(const char*, void* data) {
    ++static_cast<Visit*>(data)->seen;
    return false;
}

TEST(PlatformEnvironment, TheBlockListsEveryEntry) {
    ASSERT_TRUE(plat::set_env("JOL_CONTRACT_BLOCK", "in the block"));
    ASSERT_TRUE(plat::set_env("=Q:", "Q:\\"));
    Visit all;
    plat::for_each_env(Look, &all);
    EXPECT_TRUE(all.found);
    EXPECT_GT(all.seen, 1);
    EXPECT_TRUE(all.drive_seen);
#if !defined(_WIN32)
    // The native backend puts the names beginning with "=" first, as the
    // system sorts its block; Wine keeps its block in the order it was
    // made.
    EXPECT_FALSE(all.drive_after_plain);
#endif
    Visit one;
    plat::for_each_env(First, &one);
    EXPECT_EQ(one.seen, 1);
    plat::set_env("JOL_CONTRACT_BLOCK", nullptr);
    plat::set_env("=Q:", nullptr);
}

TEST(PlatformEnvironment, CurrentDirectory) {
    test::TempFolder dir;
    char saved[1024];
    ASSERT_GT(plat::get_current_directory(saved, sizeof saved), 0u);
    ASSERT_TRUE(plat::set_current_directory(dir.name().c_str()));
    char here[1024];
    ASSERT_GT(plat::current_directory_name(here, sizeof here), 0u);
    EXPECT_EQ(Lower(here), Lower(dir.name()));
    // The system's own form: the POSIX path natively, the Windows name on
    // Win32.
    ASSERT_GT(plat::get_current_directory(here, sizeof here), 0u);
#if defined(_WIN32)
    EXPECT_EQ(Lower(here), Lower(dir.name()));
#else
    EXPECT_EQ(std::string(here), dir.path().string());
#endif
    EXPECT_FALSE(plat::set_current_directory(dir.Name("missing").c_str()));
    ASSERT_TRUE(plat::set_current_directory(saved));
}

TEST(PlatformEnvironment, SleepingDebugOutputAndTheSession) {
    plat::sleep_ms(0);
    plat::sleep_ms(1);
    plat::debug_output("jol: a note for the debugger\n");
#if !defined(_WIN32)
    // The native backend has no session to end. (On Win32 the call would
    // log the user off.)
    EXPECT_FALSE(plat::end_session());
    EXPECT_EQ(plat::get_last_error(), plat::err::AccessDenied);
#endif
}

} // namespace
