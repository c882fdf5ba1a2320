// The machine facts of both backends: memory, processors and the name;
// natively compared with readings of the kernel's own files.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "lib/desktop/system_info.h"
#include "platform/desktop.h"
#include "platform/system.h"
#include "platform/system_info.h"

namespace {

#if !defined(_WIN32)
// A "Name: value kB" line of /proc/meminfo, in bytes; -1 when missing.
long long MemInfoBytes(const std::string& name) {
    std::ifstream in("/proc/meminfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, name.size() + 1, name + ":") != 0) continue;
        std::istringstream fields(line.substr(name.size() + 1));
        long long kb = -1;
        fields >> kb;
        return kb * 1024;
    }
    return -1;
}
#endif

TEST(PlatformSystemInfo, MemoryCountsAreConsistent) {
    plat::MemoryStatus m;
    ASSERT_TRUE(plat::get_memory_status(&m));
    EXPECT_GT(m.total_physical, 0u);
    EXPECT_LE(m.available_physical, m.total_physical);
    EXPECT_LE(m.available_paging, m.total_paging);
    EXPECT_LE(m.load, 100u);
    EXPECT_GT(m.total_virtual, 0u);
    EXPECT_LE(m.available_virtual, m.total_virtual);
#if !defined(_WIN32)
    EXPECT_EQ(static_cast<long long>(m.total_physical), MemInfoBytes("MemTotal"));
    EXPECT_EQ(static_cast<long long>(m.total_paging), MemInfoBytes("SwapTotal"));
    // The available memory moves between readings; it stays within a
    // sixteenth of the total.
    const long long available = MemInfoBytes("MemAvailable");
    const long long drift = static_cast<long long>(m.total_physical / 16);
    EXPECT_NEAR(static_cast<double>(m.available_physical), static_cast<double>(available),
                static_cast<double>(drift));
#endif
}

TEST(PlatformSystemInfo, ProcessorFactsAreThoseOfThisMachine) {
    const plat::ProcessorInfo p = plat::get_processor_info();
    EXPECT_GE(p.count, 1u);
    EXPECT_NE(p.active_mask, 0u);
    EXPECT_GT(p.page_size, 0u);
    EXPECT_EQ(p.page_size & (p.page_size - 1), 0u) << "a page is a power of two";
    EXPECT_GE(p.granularity, p.page_size);
#if defined(__x86_64__) || defined(_M_X64)
    EXPECT_EQ(p.architecture, 9u);
    EXPECT_EQ(p.type, 8664u);
#endif
    EXPECT_EQ(p.count, std::thread::hardware_concurrency());
}

TEST(PlatformSystemInfo, TheComputerHasAName) {
    char name[257];
    ASSERT_TRUE(plat::get_computer_name(name, sizeof name));
    EXPECT_GT(std::string(name).size(), 0u);
#if !defined(_WIN32)
    std::ifstream in("/proc/sys/kernel/hostname");
    std::string host;
    std::getline(in, host);
    EXPECT_EQ(std::string(name), host);
#endif
    char small[4];
    plat::get_computer_name(small, sizeof small);
    EXPECT_LE(std::string(small).size(), 3u);
}

// The screen metrics are the desktop's; natively they need a display, as
// the colours do, and metrics X has no place for are refused.
TEST(PlatformSystemInfo, MetricsAreTheDesktops) {
    std::int32_t width = -1, height = -1;
    const bool has_screen = plat::system_metric(0, &width) && plat::system_metric(1, &height);
#if defined(_WIN32)
    EXPECT_TRUE(has_screen);
#else
    std::int32_t ignored = 0;
    EXPECT_FALSE(plat::system_metric(8, &ignored)) << "no X equivalent";
#endif
    if (has_screen) {
        EXPECT_EQ(width, plat::desk::screen_width());
        EXPECT_EQ(height, plat::desk::screen_height());
        EXPECT_GT(width, 0);
    }
    std::int32_t dbcs = -1;
    EXPECT_TRUE(plat::system_metric(42, &dbcs));
    EXPECT_EQ(dbcs != 0, plat::dbcs_enabled());
    std::int32_t count = 0, bits = 0, planes = 0;
    if (plat::display_colours(&count, &bits, &planes)) {
        EXPECT_GE(bits, 1);
        EXPECT_GE(planes, 1);
    }
}

// Byte counts beyond the script integer read as its greatest value instead
// of wrapping (machines have more than 2 GB).
TEST(PlatformSystemInfo, ByteCountsSaturate) {
    EXPECT_EQ(jol::SaturateCount(0), 0);
    EXPECT_EQ(jol::SaturateCount(2147483647u), 2147483647);
    EXPECT_EQ(jol::SaturateCount(2147483648u), 2147483647);
    EXPECT_EQ(jol::SaturateCount(std::uint64_t{1} << 40), 2147483647);
    EXPECT_EQ(jol::SaturateCount(~std::uint64_t{0}), 2147483647);
}

// The settings rows: the profile keeps some on every system; the others
// are read and written through the system (natively the X server, which
// the unit tests run without, so there the system refuses).
TEST(PlatformSystemInfo, DesktopSettings) {
    std::int32_t v[3] = {1, 2, 3};
    EXPECT_EQ(plat::get_desktop_setting(0, v), plat::SettingAnswer::Refused);
    EXPECT_EQ(plat::get_desktop_setting(21, v), plat::SettingAnswer::Refused);
    for (int request : {5, 10, 11, 16, 17, 18})
        EXPECT_EQ(plat::get_desktop_setting(request, v), plat::SettingAnswer::InProfile) << request;
#if defined(_WIN32)
    EXPECT_EQ(plat::get_desktop_setting(19, v), plat::SettingAnswer::InProfile);
    // The screen saver's time-out written and read back, then restored.
    ASSERT_EQ(plat::get_desktop_setting(7, v), plat::SettingAnswer::Done);
    const std::int32_t saved[3] = {v[0], 0, 0};
    const std::int32_t other[3] = {v[0] == 420 ? 480 : 420, 0, 0};
    ASSERT_TRUE(plat::set_desktop_setting(7, other, "", 0));
    ASSERT_EQ(plat::get_desktop_setting(7, v), plat::SettingAnswer::Done);
    EXPECT_EQ(v[0], other[0]);
    EXPECT_TRUE(plat::set_desktop_setting(7, saved, "", 0));
#else
    if (!plat::desk::available()) {
        EXPECT_EQ(plat::get_desktop_setting(7, v), plat::SettingAnswer::Refused);
        EXPECT_FALSE(plat::set_desktop_setting(7, v, "", 0));
    }
    // Linux has no place for these at all.
    EXPECT_FALSE(plat::set_desktop_setting(3, v, "", 0));
    EXPECT_FALSE(plat::set_desktop_setting(10, v, "/tmp/x.bmp", 3));
#endif
}

} // namespace
