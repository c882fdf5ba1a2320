// The clock contract of both backends: the local time, the tick count and
// the last-write times of files in the packed file-system form.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "tests/unit/test_support.h"

namespace {

using plat::FileTimeResult;
using plat::LocalTime;

// Day of the week of a date (0 Sunday), by Sakamoto's rule.
int Weekday(int y, int m, int d) {
    static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 3) --y;
    return (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
}

std::uint16_t PackedDate(int year, int month, int day) {
    return static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}
std::uint16_t PackedTime(int hour, int minute, int second) {
    return static_cast<std::uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

LocalTime At(int year, int month, int day, int hour, int minute, int second) {
    LocalTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

TEST(PlatformClock, LocalTimeAndTicks) {
    const std::time_t before = std::time(nullptr);
    const LocalTime t = plat::local_time();
    std::tm now{};
    const std::time_t after = std::time(nullptr);
    if (const std::tm* p = std::localtime(&after)) now = *p;
    EXPECT_GE(t.year, 2024);
    EXPECT_EQ(t.year, now.tm_year + 1900);
    EXPECT_EQ(t.month, now.tm_mon + 1);
    EXPECT_EQ(t.weekday, Weekday(t.year, t.month, t.day));
    EXPECT_GE(t.millisecond, 0);
    EXPECT_LE(t.millisecond, 999);
    EXPECT_LE(after - before, 1);

    // Milliseconds since the start; a sleep shows in them (to the system
    // tick's 16 ms).
    const std::uint32_t t0 = plat::tick_count();
    plat::sleep_ms(60);
    const std::uint32_t spent = plat::tick_count() - t0;
    EXPECT_GE(spent, 44u);
    EXPECT_LT(spent, 5000u);

    // The microsecond clock never goes back, and the sleep shows in it to
    // the microsecond rather than to the tick (the conversion from the
    // counter's own unit must not lose the fraction of a second).
    std::uint64_t last = plat::monotonic_us();
    for (int i = 0; i < 1000; ++i) {
        const std::uint64_t now = plat::monotonic_us();
        ASSERT_GE(now, last);
        last = now;
    }
    const std::uint64_t ticks = plat::fast_ticks();
    plat::sleep_ms(30);
    const std::uint64_t slept = plat::monotonic_us() - last;
    EXPECT_GE(slept, 29000u);
    EXPECT_LT(slept, 5000000u);
    // The fast ticks rise too, at their own rate.
    EXPECT_GT(plat::fast_ticks(), ticks);
}

TEST(PlatformClock, FileWriteTimes) {
    test::TempFolder dir;
    const std::string f = dir.File("t.txt");
    // A fresh file was written now.
    std::uint16_t date = 0, time = 0;
    ASSERT_TRUE(plat::file_write_time_packed(f.c_str(), &date, &time));
    const LocalTime now = plat::local_time();
    EXPECT_EQ(date, PackedDate(now.year, now.month, now.day));

    std::uint32_t code = 1;
    ASSERT_EQ(plat::set_file_write_time(f.c_str(), At(2001, 2, 3, 4, 5, 6), &code),
              FileTimeResult::Done);
    EXPECT_EQ(code, 0u);
    ASSERT_TRUE(plat::file_write_time_packed(f.c_str(), &date, &time));
    EXPECT_EQ(date, PackedDate(2001, 2, 3));
    EXPECT_EQ(time, PackedTime(4, 5, 6));

    // A time before 1980 can be set but has no packed form.
    ASSERT_EQ(plat::set_file_write_time(f.c_str(), At(1975, 6, 1, 12, 0, 0), &code),
              FileTimeResult::Done);
    EXPECT_FALSE(plat::file_write_time_packed(f.c_str(), &date, &time));

    // Date-times with no file time leave the file as it was and say why.
    ASSERT_EQ(plat::set_file_write_time(f.c_str(), At(2001, 2, 3, 4, 5, 6), &code),
              FileTimeResult::Done);
    EXPECT_EQ(plat::set_file_write_time(f.c_str(), At(1500, 1, 1, 0, 0, 0), &code),
              FileTimeResult::SystemTimeFailed);
    EXPECT_NE(code, 0u);
    EXPECT_EQ(plat::set_file_write_time(f.c_str(), At(2001, 13, 1, 0, 0, 0), &code),
              FileTimeResult::SystemTimeFailed);
    EXPECT_EQ(plat::set_file_write_time(f.c_str(), At(2001, 2, 30, 0, 0, 0), &code),
              FileTimeResult::SystemTimeFailed);
    ASSERT_TRUE(plat::file_write_time_packed(f.c_str(), &date, &time));
    EXPECT_EQ(date, PackedDate(2001, 2, 3));

    // A missing or read-only file keeps its time.
    EXPECT_EQ(
        plat::set_file_write_time(dir.Name("missing.txt").c_str(), At(2002, 1, 1, 0, 0, 0), &code),
        FileTimeResult::NoFile);
    EXPECT_FALSE(plat::file_write_time_packed(dir.Name("missing.txt").c_str(), &date, &time));
    // (Where the system stops the user running the tests: see
    // ReadOnlyStopsWriting.)
    ASSERT_TRUE(plat::set_file_attributes(f.c_str(), plat::fattr::ReadOnly));
    if (test::ReadOnlyStopsWriting()) {
        EXPECT_EQ(plat::set_file_write_time(f.c_str(), At(2002, 1, 1, 0, 0, 0), &code),
                  FileTimeResult::NoFile);
        ASSERT_TRUE(plat::file_write_time_packed(f.c_str(), &date, &time));
        EXPECT_EQ(date, PackedDate(2001, 2, 3));
    }
    // A folder has no packed time here.
    EXPECT_FALSE(plat::file_write_time_packed(dir.Subfolder("sub").c_str(), &date, &time));
}

} // namespace
