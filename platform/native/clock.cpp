// The clock and file times of the native backend.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/clock.h"
#include "platform/native/paths.h"
#include "platform/system_errors.h"

namespace plat {
namespace {

bool leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int month_days(int y, int m) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : days[m - 1];
}

} // namespace

std::uint64_t monotonic_us() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000u;
}

std::uint64_t fast_ticks() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000u +
           static_cast<std::uint64_t>(ts.tv_nsec);
}

LocalTime local_time() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tm {};
    time_t secs = ts.tv_sec;
    ::localtime_r(&secs, &tm);
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
    t.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
    t.weekday = tm.tm_wday;
    return t;
}

std::uint32_t tick_count() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_BOOTTIME, &ts);
    std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                       static_cast<std::uint64_t>(ts.tv_nsec / 1000000);
    return static_cast<std::uint32_t>(ms);
}

bool file_write_time_packed(const char* path, std::uint16_t* date, std::uint16_t* time) {
    std::uint32_t error = 0;
    int fd = detail::open_mapped(path, O_RDONLY, 0, &error);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    ::close(fd);
    if (!ok) return false;
    struct tm tm {};
    time_t secs = st.st_mtim.tv_sec;
    if (!::localtime_r(&secs, &tm)) return false;
    int year = tm.tm_year + 1900;
    if (year < 1980 || year > 2107) return false;
    int second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
    if (date)
        *date =
            static_cast<std::uint16_t>(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
    if (time)
        *time = static_cast<std::uint16_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (second / 2));
    return true;
}

FileTimeResult set_file_write_time(const char* path, const LocalTime& local,
                                   std::uint32_t* system_error) {
    if (system_error) *system_error = 0;
    // The range and fields the system accepts for a file time.
    if (local.year < 1601 || local.year > 30827 || local.month < 1 || local.month > 12 ||
        local.day < 1 || local.day > month_days(local.year, local.month) || local.hour < 0 ||
        local.hour > 23 || local.minute < 0 || local.minute > 59 || local.second < 0 ||
        local.second > 59 || local.millisecond < 0 || local.millisecond > 999) {
        if (system_error) *system_error = err::InvalidParameter;
        return FileTimeResult::SystemTimeFailed;
    }
    struct tm tm {};
    tm.tm_year = local.year - 1900;
    tm.tm_mon = local.month - 1;
    tm.tm_mday = local.day;
    tm.tm_hour = local.hour;
    tm.tm_min = local.minute;
    tm.tm_sec = local.second;
    tm.tm_isdst = -1;
    errno = 0;
    time_t secs = ::mktime(&tm);
    if (secs == static_cast<time_t>(-1) && errno != 0) {
        if (system_error) *system_error = err::InvalidParameter;
        return FileTimeResult::LocalTimeFailed;
    }
    std::uint32_t error = 0;
    int fd = detail::open_mapped(path, O_WRONLY, 0, &error);
    if (fd < 0) return FileTimeResult::NoFile;
    // A file without any write permission is read-only, as a file with the
    // read-only attribute is for the system: not even a privileged user,
    // whom the permissions do not stop, may set its time.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        ::close(fd);
        return FileTimeResult::NoFile;
    }
    struct timespec times[2]{};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = secs;
    times[1].tv_nsec = static_cast<long>(local.millisecond) * 1000000L;
    bool ok = ::futimens(fd, times) == 0;
    ::close(fd);
    return ok ? FileTimeResult::Done : FileTimeResult::NoFile;
}

} // namespace plat
