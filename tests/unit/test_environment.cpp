// The environment functions over the process environment and the host's
// environment block.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "lang/conversion.h"
#include "lib/data/environment.h"
#include "platform/environment.h"
#include "platform/memory.h"
#include "tests/unit/data_handler_rig.h"
#include "tests/unit/test_errors.h"

namespace {

using jol::kEnvironmentModule;
using test::HandlerResult;
using test::HandlerRig;

namespace id {
constexpr int Environment = 214;
constexpr int EnvironSet = 215;
constexpr int EnvItemize = 216;
} // namespace id

TEST(Environment, ReadSetAndRemove) {
    HandlerRig rig;
    const std::uint32_t free_before = rig.HeapFree();
    auto get = [&](const char* name) {
        return rig.Call(kEnvironmentModule, id::Environment, {name}).s;
    };
    auto set = [&](const char* name, const std::string& value) {
        return rig.Call(kEnvironmentModule, id::EnvironSet, {name, value}).i;
    };
    EXPECT_EQ(set("JOL_TEST_ENV_X", "value one"), 1);
    EXPECT_EQ(get("JOL_TEST_ENV_X"), "value one");
    // A name not found as written is looked up again in upper case.
    EXPECT_EQ(get("jol_test_env_x"), "value one");
    EXPECT_EQ(get("Jol_Test_Env_X"), "value one");
    // An empty value removes the variable.
    EXPECT_EQ(set("JOL_TEST_ENV_X", ""), 1);
    EXPECT_EQ(get("JOL_TEST_ENV_X"), "");
    char buf[8];
    EXPECT_EQ(plat::get_env("JOL_TEST_ENV_X", buf, sizeof buf), 0u);
    EXPECT_EQ(get("JOL_TEST_NEVER_SET"), "");
    // Values are read into 256 characters; long names are cut, not overrun.
    EXPECT_EQ(set("JOL_TEST_ENV_LONG", std::string(400, 'L')), 1);
    EXPECT_EQ(get("JOL_TEST_ENV_LONG"), std::string(256, 'L'));
    EXPECT_EQ(get(std::string(600, 'N').c_str()), "");
    EXPECT_EQ(set("JOL_TEST_ENV_LONG", ""), 1);
    // The system's refusal gives 0, without an error.
    HandlerResult r = rig.Call(kEnvironmentModule, id::EnvironSet, {"", "x"});
    EXPECT_EQ(r.i, 0);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(rig.HeapFree(), free_before);
}

TEST(Environment, ItemizeTheProcessEnvironment) {
    HandlerRig rig;
    ASSERT_TRUE(plat::set_env("JOL_TEST_ENV_ITEM", "abc=def"));
    HandlerResult r = rig.Call(kEnvironmentModule, id::EnvItemize, {});
    EXPECT_EQ(r.error, 0);
    ASSERT_FALSE(r.s.empty());
    EXPECT_EQ(r.s.back(), '\n');
    EXPECT_NE(r.s.find("JOL_TEST_ENV_ITEM=abc=def\n"), std::string::npos);
    // Every line is an entry "NAME=value".
    std::size_t pos = 0;
    while (pos < r.s.size()) {
        std::size_t end = r.s.find('\n', pos);
        ASSERT_NE(end, std::string::npos);
        EXPECT_NE(r.s.substr(pos, end - pos).find('=', 1), std::string::npos)
            << r.s.substr(pos, end - pos);
        pos = end + 1;
    }
    plat::set_env("JOL_TEST_ENV_ITEM", nullptr);
}

TEST(Environment, ItemizeTheHostsBlock) {
    HandlerRig rig;
    jol::ScriptContext* ctx = rig.ctx();
    // A block without a memory handle, ended by an empty entry.
    const char block[] = "A=1\0Path=c:\\x\0\0ignored=1\0";
    ctx->private_env.block = const_cast<char*>(block);
    EXPECT_EQ(rig.Call(kEnvironmentModule, id::EnvItemize, {}).s, "A=1\nPath=c:\\x\n");
    // A block in a memory block is read only within it, even when its end
    // is missing.
    plat::MemHandle h = plat::mem_alloc(12);
    ASSERT_NE(h, 0u);
    char* p = static_cast<char*>(plat::mem_lock(h));
    const std::size_t size = plat::mem_size(h);
    std::memset(p, 'Z', size);
    std::memcpy(p, "B=2\0C=3\0", 8);
    ctx->private_env = {p, h};
    EXPECT_EQ(rig.Call(kEnvironmentModule, id::EnvItemize, {}).s, "B=2\nC=3\n");
    // An empty block gives the empty list.
    std::memset(p, 0, size);
    EXPECT_EQ(rig.Call(kEnvironmentModule, id::EnvItemize, {}).s, "");
    plat::mem_unlock(h);
    plat::mem_free(h);

    // A list larger than the string heap fails with 3096.
    std::string big;
    for (int k = 0; k < 5000; ++k)
        big += "VARIABLE_" + std::to_string(k) + "=" + std::string(8, 'v') + '\0';
    big += '\0';
    ctx->private_env = {big.data(), 0};
    HandlerRig small(4096);
    small.ctx()->private_env = {big.data(), 0};
    const std::uint32_t free_before = small.HeapFree();
    EXPECT_EQ(small.Call(kEnvironmentModule, id::EnvItemize, {}).error, jol::Err::StringMemory);
    EXPECT_EQ(rig.Call(kEnvironmentModule, id::EnvItemize, {}).error, jol::Err::StringMemory);
    EXPECT_EQ(small.HeapFree(), free_before);
    ctx->private_env = {};
}

} // namespace
