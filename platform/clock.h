// The local time, the tick count and the last-write times of files.
#pragma once

#include <cstdint>

namespace plat {

struct LocalTime {
    int year = 0, month = 0, day = 0; // month 1 to 12
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    int weekday = 0; // 0 Sunday to 6 Saturday
};
// The present local time.
LocalTime local_time();
// Milliseconds since the system started, wrapping in 32 bits.
std::uint32_t tick_count();
// Microseconds from a fixed point, never going back, read without a system
// call (the performance counter on Windows, the vDSO clock on Linux): cheap
// enough to read before every script line.
std::uint64_t monotonic_us();
// A count that rises at a steady rate of its own, unknown here, read without
// a system call and cheaper than monotonic_us where that one needs a system
// call (the processor's time-stamp counter on Windows; the vDSO clock in
// nanoseconds on Linux). Measure its rate against monotonic_us; a count that
// went back (another processor's counter) must be taken as a fresh start.
std::uint64_t fast_ticks();
// The last-write time of a file as local time in the packed file-system
// form (date: bits 9-15 year - 1980, 5-8 month, 0-4 day; time: bits 11-15
// hour, 5-10 minute, 0-4 seconds / 2). The file is opened for reading,
// sharing reads and writes. False when it cannot be opened or its time has
// no packed form (before 1980 or after 2107).
bool file_write_time_packed(const char* path, std::uint16_t* date, std::uint16_t* time);
enum class FileTimeResult {
    Done,
    NoFile,           // not opened for writing (missing, read-only) or not set
    SystemTimeFailed, // the date-time has no file time (e.g. before 1601)
    LocalTimeFailed,  // the local time has no universal time
};
// Sets the last-write time of an existing file to a local date-time. The
// time is converted first; a refused conversion leaves the file untouched
// and puts the system's error code in system_error. The file is opened for
// writing, sharing reads; a file that cannot be, or whose time the system
// does not set, keeps its time. The native backend counts a file without
// any write permission as read-only, also for a privileged user.
FileTimeResult set_file_write_time(const char* path, const LocalTime& local,
                                   std::uint32_t* system_error);

} // namespace plat
