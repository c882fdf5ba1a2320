// The out-of-memory sweep's process split (test builds of the native
// backend): a child's status, its outputs after what was there, and a
// child stopped for running too long.
#include <gtest/gtest.h>

#if defined(JOL_FAULT_INJECTION) && !defined(_WIN32)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "platform/environment.h"
#include "platform/fault_sweep.h"

namespace {

std::string Read(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(PlatformFaultSweep, ChildrenLeaveTheirStatusAndOutputs) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("jol-sweep-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    const std::string one = (folder / "one").string();
    std::ofstream(one + ".stdout") << "before\n";
    if (plat::run_in_child(one, 60)) {
        std::printf("child\n");
        std::fprintf(stderr, "to error\n");
        std::fflush(nullptr);
        plat::end_process_now(3);
    }
    EXPECT_EQ(Read(one + ".status"), "3\n");
    EXPECT_EQ(Read(one + ".stdout"), "before\nchild\n");
    EXPECT_EQ(Read(one + ".stderr"), "to error\n");

    const std::string two = (folder / "two").string();
    if (plat::run_in_child(two, 60)) std::abort();
    EXPECT_EQ(Read(two + ".status"), "signal 6\n");

    // Stopped by its alarm after a second.
    const std::string three = (folder / "three").string();
    if (plat::run_in_child(three, 1)) {
        for (;;)
            plat::sleep_ms(100);
    }
    EXPECT_EQ(Read(three + ".status"), "signal 14\n");
    std::filesystem::remove_all(folder);
}

} // namespace
#endif
