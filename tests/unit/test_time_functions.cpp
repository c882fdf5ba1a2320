// The time functions: date-time strings, day numbers, adding and
// subtracting, waiting, the display forms, file times and Random.
//
// The expected day numbers, differences and sums below were computed with
// Python's datetime module (day number = date.toordinal() + 366, since the
// library counts 0000-01-01 as day 1), not with the library's own rules.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <regex>
#include <string>

#include "lib/data/time_functions.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "tests/unit/data_handler_rig.h"
#include "tests/unit/test_errors.h"
#include "tests/unit/test_support.h"

namespace {

// Whether a read-only file is kept from being written. The native backend
// always keeps it; on Windows the read-only attribute binds every user,
// but Wine maps it to file permissions, which a privileged user passes.
bool ReadOnlyHolds(const std::filesystem::path& file) {
#ifdef _WIN32
    return !std::ofstream(file, std::ios::binary | std::ios::app);
#else
    (void)file;
    return true;
#endif
}

using jol::kTimeModule;
using test::HandlerResult;
using test::HandlerRig;

namespace id = jol::time_id;

struct JulianCase {
    const char* date;
    int day;
};
const JulianCase kJulian[] = {
    {"1600:01:01", 584389},  {"1600:02:29", 584448}, {"1600:03:01", 584449}, {"1700:02:28", 620972},
    {"1700:03:01", 620973},  {"1800:12:31", 657802}, {"1900:02:28", 694020}, {"1900:03:01", 694021},
    {"1999:12:31", 730485},  {"2000:01:01", 730486}, {"2000:02:29", 730545}, {"2000:03:01", 730546},
    {"2004:02:29", 732006},  {"2100:02:28", 767069}, {"2100:03:01", 767070}, {"2399:12:31", 876582},
    {"2400:02:29", 876642},  {"2400:12:31", 876948}, {"0001:01:01", 367},    {"0999:07:04", 365063},
    {"9999:12:31", 3652425}, {"1889:02:08", 689983}, {"2048:03:20", 748097}, {"1880:02:26", 686713},
    {"2282:03:04", 833547},  {"1919:09:12", 701155}, {"2038:05:23", 744508}, {"1895:11:26", 692465},
    {"2246:03:31", 820425},  {"1674:12:17", 611768}, {"1653:09:03", 603993}, {"2002:11:27", 731547},
    {"2331:05:21", 851521},  {"1734:01:27", 633358}, {"2015:12:16", 736314}, {"1721:07:27", 628791},
    {"2356:03:11", 860582},  {"1893:11:23", 691732}, {"2126:07:12", 776699}, {"1956:08:18", 714645},
    {"2337:11:14", 853890},  {"1658:03:10", 605642}, {"1759:04:15", 642567}, {"2236:10:27", 816983},
    {"1932:03:12", 705720},  {"1983:10:04", 724553}, {"1743:05:18", 636756}, {"1610:07:16", 588238},
    {"1640:12:29", 599362},  {"2110:11:18", 770984}, {"2130:03:11", 778037}, {"2242:11:23", 819201},
    {"2178:03:06", 795564},  {"1785:03:10", 652028}, {"1828:04:20", 667774}, {"2168:10:02", 792122},
    {"1932:01:15", 705663},  {"1808:05:16", 660495}, {"1664:01:16", 607780}, {"2171:10:22", 793237},
    {"1842:06:11", 672939},
};

struct DiffCase {
    const char* a;
    const char* b;
    int expected;
};
const DiffCase kDiffDays[] = {
    {"1834:12:26:06:05:10", "1781:04:26:01:49:26", 19601},
    {"2028:12:23:21:14:21", "2394:11:19:04:19:40", -133644},
    {"1804:05:31:08:42:06", "2053:09:21:08:02:59", -91059},
    {"1685:01:21:14:08:23", "1610:01:15:03:19:34", 27400},
    {"1700:08:28:05:09:56", "1835:01:17:22:31:38", -49084},
    {"1761:08:31:14:26:30", "2391:10:09:16:32:28", -230141},
    {"1611:10:22:19:42:43", "2222:05:15:21:09:18", -223003},
    {"1791:07:01:10:59:43", "2090:01:21:02:57:13", -109047},
    {"1830:01:23:03:31:09", "1962:02:15:10:13:47", -48235},
    {"1915:03:10:06:09:02", "1897:02:20:15:23:20", 6591},
    {"2271:09:10:10:11:59", "1664:01:07:06:09:48", 221948},
    {"1776:09:26:14:52:32", "1809:10:16:04:43:34", -12072},
    {"2187:10:18:01:09:32", "2356:04:03:11:28:01", -61528},
    {"2074:04:11:04:20:22", "2028:09:30:09:12:02", 16629},
    {"1710:03:26:16:53:09", "2110:08:13:19:46:02", -146237},
    {"1655:03:31:05:42:57", "2295:11:02:08:06:05", -233971},
    {"2174:11:22:00:40:59", "2206:04:18:23:42:19", -11469},
    {"1871:04:29:05:54:28", "2015:07:27:01:53:36", -52684},
    {"2245:06:14:12:57:16", "2091:08:12:03:33:42", 56188},
    {"1717:03:31:19:19:49", "1822:05:09:16:11:49", -38389},
    {"1733:12:20:11:28:10", "1956:07:30:18:11:47", -81306},
    {"1654:02:17:23:11:35", "1678:06:20:07:26:44", -8889},
    {"2116:02:13:11:54:31", "2325:04:02:17:23:31", -76384},
    {"1676:11:09:15:57:30", "1841:02:21:15:55:54", -60003},
    {"2091:01:17:11:28:09", "2332:01:30:16:53:02", -88035},
};
const DiffCase kDiffSecs[] = {
    {"2069:06:12:02:25:52", "2098:09:15:01:00:23", -923351671},
    {"2057:07:06:17:43:57", "2043:01:31:09:05:42", 455359095},
    {"2087:10:21:21:39:34", "2068:12:07:03:15:49", 595535025},
    {"1929:06:08:06:11:15", "1888:03:26:16:09:32", 1300111303},
    {"1915:11:30:02:41:22", "1923:11:26:17:32:53", -252168691},
    {"2071:05:24:23:43:19", "2011:04:24:15:22:10", 1896078069},
    {"1902:05:23:16:58:46", "1960:05:04:15:55:14", -1828738588},
    {"2069:07:05:08:58:45", "2025:09:15:17:06:43", 1382284322},
    {"1969:02:09:20:44:29", "2016:02:17:16:29:18", -1483818289},
    {"2096:08:08:23:27:37", "2074:10:03:08:09:04", 689527113},
    {"1987:01:04:21:46:22", "1967:05:05:01:08:42", 620771860},
    {"2086:11:28:00:03:17", "2109:10:30:01:35:22", -723259925},
    {"1988:10:29:04:16:42", "2017:05:18:05:42:29", -900984347},
    {"2026:09:04:06:02:46", "2009:10:07:05:41:22", 533607684},
    {"1929:02:25:13:56:21", "1894:03:10:11:56:28", 1103335193},
    {"1990:05:05:12:16:24", "1972:02:22:09:31:07", 574310717},
    {"1902:06:23:22:49:45", "1948:08:03:15:50:52", -1455210067},
    {"1934:04:22:19:50:00", "1931:09:19:04:47:36", 81788544},
    {"2043:07:19:06:13:40", "2093:11:10:14:32:07", -1587802707},
    {"1954:02:04:05:37:28", "1947:12:22:07:01:48", 193185340},
    {"2070:10:27:10:24:33", "2052:09:04:21:29:06", 572532927},
    {"2037:05:06:07:49:48", "2091:04:13:01:07:23", -1702055855},
    {"1941:02:17:05:36:42", "1930:11:04:14:15:06", 324660096},
    {"2060:01:10:22:53:48", "1999:10:22:06:10:30", 1900428198},
    {"2030:05:17:19:04:49", "2086:12:14:15:01:22", -1785441393},
};

struct SpanCase {
    const char* start;
    const char* span;
    const char* plus;
    const char* minus;
};
const SpanCase kSpans[] = {
    {"2239:11:24:14:41:05", "0:0:5:86:4028:118880", "2239:12:07:08:50:25", "2239:11:11:20:31:45"},
    {"1946:12:23:09:07:07", "0:0:35:28:737:196231", "1947:01:31:07:54:38", "1946:11:14:10:19:36"},
    {"2199:12:27:06:01:31", "0:0:7:74:2880:91484", "2200:01:09:09:26:15", "2199:12:14:02:36:47"},
    {"2013:01:13:19:22:18", "0:0:54005:25:4519:98172", "2160:11:29:02:57:30",
     "1865:02:28:11:47:06"},
    {"1728:05:22:01:51:50", "0:0:8:92:4945:140738", "1728:06:07:23:22:28", "1728:05:05:04:21:12"},
    {"1961:12:10:19:44:36", "0:0:3:1:4309:42838", "1961:12:17:08:27:34", "1961:12:04:07:01:38"},
    {"1748:05:02:11:52:48", "0:0:12:97:3001:117232", "1748:05:21:23:27:40", "1748:04:13:00:17:56"},
    {"1909:08:28:16:22:47", "0:0:87009:87:4444:187265", "2147:11:26:13:27:52",
     "1671:05:29:19:17:42"},
    {"2256:12:02:14:11:11", "0:0:74114:79:2887:28636", "2459:11:08:05:15:27",
     "2053:12:26:23:06:55"},
    {"1733:07:16:02:55:45", "0:0:21354:90:1966:197465", "1792:01:09:12:32:50",
     "1675:01:19:17:18:40"},
    {"1719:01:10:16:24:04", "0:0:74734:88:826:142340", "1923:08:29:13:42:24",
     "1514:05:25:19:05:44"},
    {"2119:02:11:11:52:19", "0:0:12:13:1527:60809", "2119:02:25:19:12:48", "2119:01:28:04:31:50"},
    {"2031:07:10:11:07:06", "0:0:32:74:4473:132572", "2031:08:19:04:29:38", "2031:05:31:17:44:34"},
    {"2151:02:21:11:26:30", "0:0:35:86:2624:15058", "2151:04:03:01:21:28", "2151:01:11:21:31:32"},
    {"1780:04:11:19:23:39", "0:0:55488:1:2804:61311", "1932:03:17:12:09:30", "1628:05:08:02:37:48"},
    {"1882:01:23:05:46:21", "0:0:10:40:2334:166395", "1882:02:07:10:53:36", "1882:01:08:00:39:06"},
    {"1726:08:15:17:48:48", "0:0:23:21:1262:169517", "1726:09:11:10:56:05", "1726:07:20:00:41:31"},
    {"2165:07:11:19:53:03", "0:0:42344:72:4536:114842", "2281:06:25:07:23:05",
     "2049:07:28:08:23:01"},
    {"2081:11:28:21:50:47", "0:0:14:24:4216:18813", "2081:12:17:01:20:20", "2081:11:10:18:21:14"},
    {"1728:10:29:04:10:17", "0:0:36:89:2657:184990", "1728:12:11:20:50:27", "1728:09:15:11:30:07"},
    {"2099:10:16:02:09:12", "0:0:53641:33:3948:49235", "2246:09:01:18:37:47",
     "1952:11:30:09:40:37"},
    {"2106:02:21:14:42:34", "0:0:19:34:1531:7279", "2106:03:15:04:14:53", "2106:01:31:01:10:15"},
    {"1952:12:25:07:47:37", "0:0:4276:21:1080:95522", "1964:09:12:01:19:39", "1941:04:08:14:15:35"},
    {"2066:11:11:12:20:06", "0:0:8:41:1040:27484", "2066:11:22:06:18:10", "2066:10:31:18:22:02"},
    {"1833:07:11:10:44:57", "0:0:0:6:2603:31803", "1833:07:13:20:58:00", "1833:07:09:00:31:54"},
};

// Years written with one to four digits.
const JulianCase kTwoDigitYears[] = {
    {"49:03:01", 748443}, {"50:03:01", 712283},  {"0:03:01", 730546},
    {"00:03:01", 730546}, {"99:03:01", 730180},  {"7:03:01", 733102},
    {"007:03:01", 2617},  {"0049:03:01", 17958}, {"1949:03:01", 711918},
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

plat::LocalTime At(int y, int mo, int d, int h, int mi, int s, int weekday = 0, int ms = 0) {
    plat::LocalTime t;
    t.year = y, t.month = mo, t.day = d, t.hour = h, t.minute = mi, t.second = s;
    t.weekday = weekday, t.millisecond = ms;
    return t;
}

std::string Text(const jol::DateTime& dt) {
    char buf[jol::kDateTimeTextSize];
    return jol::FormatDateTime(dt, true, buf);
}

TEST(TimeStrings, ParsingAndTheFullCheck) {
    HandlerRig rig;
    auto julian = [&](const char* s) { return rig.Call(kTimeModule, id::TimeJulianDay, {s}); };
    auto diff = [&](const char* s) {
        return rig.Call(kTimeModule, id::TimeDiffDays, {s, "2000:01:01"});
    };
    // Malformed strings.
    for (const char* bad : {"", "97", "97:01", "97::01:01", "97:01:01:", " 97:01:01", "97:01:01 ",
                            "+97:01:01", "97:01:01:1:2:3:4", "97:1:1:12:00", "97:1:1:12:00:00:",
                            "97:0a:01", "-1:01:01", "99999999999:01:01", "97:01:4294967297"}) {
        EXPECT_EQ(diff(bad).error, jol::Err::TimeDiffBad) << bad;
    }
    // Value checks.
    for (const char* bad :
         {"97:00:01", "97:13:01", "97:01:00", "97:04:31", "1997:02:29", "1900:02:29", "2100:02:29",
          "97:01:01:25:00:00", "97:01:01:00:60:00", "97:01:01:00:00:60", "19970:01:01"}) {
        EXPECT_EQ(diff(bad).error, jol::Err::TimeDiffBad) << bad;
    }
    for (const char* good : {"2000:02:29", "1600:02:29", "2004:02:29", "97:12:31:23:59:59",
                             "97:1:1", "0097:001:0001", "97:01:01:24:00:00"})
        EXPECT_EQ(diff(good).error, 0) << good;
    // An hour of 24 is 00 of the same day.
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeDiffSecs, {"2000:01:01:24:00:00", "2000:01:01"}).i, 0);
    // The short form has a time of 00:00:00.
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeDiffSecs, {"2000:01:02", "2000:01:01:23:59:59"}).i, 1);
    // The year window: 1 or 2 digits below 50 are 20yy, others 19yy.
    for (const JulianCase& c : kTwoDigitYears) {
        HandlerResult r = julian(c.date);
        EXPECT_EQ(r.error, 0) << c.date;
        EXPECT_EQ(r.i, c.day) << c.date;
    }
    // TimeJulianDay does not check the time, but the date.
    EXPECT_EQ(julian("97:01:01:99:99:99").i, 729391);
    EXPECT_EQ(julian("1997:02:29").error, jol::Err::TimeAddBad);
    EXPECT_EQ(julian("97:01:01:00").error, jol::Err::TimeAddBad);
}

TEST(TimeStrings, OutputFormFollowsFourDigitYears) {
    HandlerRig rig;
    HandlerResult r =
        rig.Call(kTimeModule, id::TimeAdd, {"97:12:31:23:59:59", "00:00:00:00:00:01"});
    EXPECT_EQ(r.s, "98:01:01:00:00:00");
    r = rig.Call(kTimeModule, id::TimeAdd, {"1999:12:31:23:59:59", "0:0:0:0:0:1"});
    EXPECT_EQ(r.s, "00:01:01:00:00:00");
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeJulToYmd, {729391}).s, "97:01:01:00:00:00");
    rig.ctx()->options.four_digit_years = 1;
    r = rig.Call(kTimeModule, id::TimeAdd, {"97:12:31:23:59:59", "00:00:00:00:00:01"});
    EXPECT_EQ(r.s, "1998:01:01:00:00:00");
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeJulToYmd, {729391}).s, "1997:01:01:00:00:00");
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeJulToYmd, {1}).s, "0000:01:01:00:00:00");
}

TEST(TimeDayNumbers, MatchTheCalendar) {
    HandlerRig rig;
    rig.ctx()->options.four_digit_years = 1;
    for (const JulianCase& c : kJulian) {
        HandlerResult r = rig.Call(kTimeModule, id::TimeJulianDay, {c.date});
        EXPECT_EQ(r.error, 0) << c.date;
        EXPECT_EQ(r.i, c.day) << c.date;
        r = rig.Call(kTimeModule, id::TimeJulToYmd, {c.day});
        EXPECT_EQ(r.s, std::string(c.date) + ":00:00:00");
    }
    // Every day from 1600 to 2400: the numbers are consecutive and the
    // inverse gives the date back.
    std::int64_t n = jol::DayNumber(1600, 1, 1);
    EXPECT_EQ(n, kJulian[0].day);
    for (int y = 1600; y <= 2400; ++y)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= jol::MonthLength(y, m); ++d, ++n) {
                ASSERT_EQ(jol::DayNumber(y, m, d), n) << y << "-" << m << "-" << d;
                std::int32_t yy, mm, dd;
                jol::DayNumberToDate(n, &yy, &mm, &dd);
                ASSERT_TRUE(yy == y && mm == m && dd == d) << y << "-" << m << "-" << d;
            }
    EXPECT_EQ(jol::DayNumber(1970, 1, 1), 719529);
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeJulToYmd, {0}).error, jol::Err::TimeJulToYmdBad);
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeJulToYmd, {-5}).error, jol::Err::TimeJulToYmdBad);
    // The largest numbers still give a date (the year taken modulo 10000).
    HandlerResult r = rig.Call(kTimeModule, id::TimeJulToYmd, {2147483647});
    EXPECT_EQ(r.error, 0);
    EXPECT_TRUE(std::regex_match(r.s, std::regex(R"(\d{4}:\d\d:\d\d:00:00:00)"))) << r.s;
}

TEST(TimeDifferences, DaysAndSeconds) {
    HandlerRig rig;
    for (const DiffCase& c : kDiffDays) {
        HandlerResult r = rig.Call(kTimeModule, id::TimeDiffDays, {c.a, c.b});
        EXPECT_EQ(r.error, 0);
        EXPECT_EQ(r.i, c.expected) << c.a << " - " << c.b;
    }
    for (const DiffCase& c : kDiffSecs) {
        HandlerResult r = rig.Call(kTimeModule, id::TimeDiffSecs, {c.a, c.b});
        EXPECT_EQ(r.error, 0);
        EXPECT_EQ(r.i, c.expected) << c.a << " - " << c.b;
    }
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeDiffDays, {"2000:03:01", "2000:02:28"}).i, 2);
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeDiffDays, {"1900:03:01", "1900:02:28"}).i, 1);
    EXPECT_EQ(
        rig.Call(kTimeModule, id::TimeDiffSecs, {"1997:01:01:00:00:10", "1996:12:31:23:59:50"}).i,
        20);
    // 22000 days apart is in range, 22001 is not, in both directions.
    // (2000-01-01 + 22000 days is 2060-03-26.)
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeDiffSecs, {"2060:03:26", "2000:01:01"}).i,
              22000 * 86400);
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeDiffSecs, {"2060:03:27", "2000:01:01"}).error,
              jol::Err::TimeDiffRange);
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeDiffSecs, {"2000:01:01", "2060:03:27"}).error,
              jol::Err::TimeDiffRange);
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeDiffSecs, {"2000:01:01", "1997:1:1:12:00"}).error,
              jol::Err::TimeDiffBad);
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeDiffDays, {"1997:1:1:12:00", "1997:1:1"}).error,
              jol::Err::TimeDiffBad);
}

TEST(TimeArithmetic, AddAndSubtract) {
    HandlerRig rig;
    rig.ctx()->options.four_digit_years = 1;
    const std::uint32_t free_before = rig.HeapFree();
    auto add = [&](const char* a, const char* s) {
        return rig.Call(kTimeModule, id::TimeAdd, {a, s});
    };
    auto sub = [&](const char* a, const char* s) {
        return rig.Call(kTimeModule, id::TimeSubtract, {a, s});
    };
    for (const SpanCase& c : kSpans) {
        EXPECT_EQ(add(c.start, c.span).s, c.plus) << c.start << " + " << c.span;
        EXPECT_EQ(sub(c.start, c.span).s, c.minus) << c.start << " - " << c.span;
    }
    // Months: the day rolls on past the end of the shorter month.
    EXPECT_EQ(add("1997:01:31:00:00:00", "0:1:0:0:0:0").s, "1997:03:03:00:00:00");
    EXPECT_EQ(add("2000:01:31:00:00:00", "0:1:0:0:0:0").s, "2000:03:02:00:00:00");
    EXPECT_EQ(add("1997:11:15:00:00:00", "0:14:0:0:0:0").s, "1999:01:15:00:00:00");
    EXPECT_EQ(add("1997:12:15:00:00:00", "1:12:0:0:0:0").s, "1999:12:15:00:00:00");
    EXPECT_EQ(sub("1997:03:31:00:00:00", "0:1:0:0:0:0").s, "1997:03:03:00:00:00");
    EXPECT_EQ(sub("1997:01:15:00:00:00", "0:13:0:0:0:0").s, "1995:12:15:00:00:00");
    EXPECT_EQ(sub("1997:03:01:00:00:00", "0:0:1:0:0:0").s, "1997:02:28:00:00:00");
    EXPECT_EQ(sub("2000:03:01:00:00:00", "0:0:1:0:0:0").s, "2000:02:29:00:00:00");
    EXPECT_EQ(sub("2000:01:01:00:00:00", "0:0:0:0:0:1").s, "1999:12:31:23:59:59");
    // The span is not expanded: a span year of 97 is 97 years.
    EXPECT_EQ(add("1900:01:01:00:00:00", "97:0:0:0:0:0").s, "1997:01:01:00:00:00");
    // Spans of any size are done at once and stay exact.
    EXPECT_EQ(add("2000:01:01:00:00:00", "0:0:0:0:0:2147483647").s, "2068:01:19:03:14:07");
    EXPECT_EQ(add("2000:01:01:00:00:00", "0:0:2000000:0:0:0").s, "7475:10:25:00:00:00");
    EXPECT_EQ(sub("9999:01:01:00:00:00", "0:0:3000000:0:0:0").s, "1785:04:12:00:00:00");
    EXPECT_EQ(sub("2000:03:01:00:00:00", "0:0:0:0:0:2147483647").s, "1932:02:11:20:45:53");
    // A result that has no four-digit year cannot be added; a negative year
    // cannot be subtracted (year 0 can).
    EXPECT_EQ(add("2000:01:01:00:00:00", "0:0:2147483647:0:0:0").error, jol::Err::TimeAddFailed);
    EXPECT_EQ(add("9999:12:31:23:59:59", "0:0:0:0:0:1").error, jol::Err::TimeAddFailed);
    EXPECT_EQ(add("2000:01:01:00:00:00", "2147483647:2147483647:0:0:0:0").error,
              jol::Err::TimeAddFailed);
    EXPECT_EQ(sub("1997:01:01:00:00:00", "1998:0:0:0:0:0").error, jol::Err::TimeSubtractFailed);
    EXPECT_EQ(sub("1997:01:01:00:00:00", "1997:0:0:0:0:0").s, "0000:01:01:00:00:00");
    EXPECT_EQ(sub("2000:01:01:00:00:00", "0:0:2147483647:0:0:0").error,
              jol::Err::TimeSubtractFailed);
    // Malformed arguments.
    EXPECT_EQ(add("1997:02:29:00:00:00", "0:0:0:0:0:1").error, jol::Err::TimeAddFailed);
    EXPECT_EQ(add("1997:01:01:00:00:00", "0:0:0:0:1").error, jol::Err::TimeAddFailed);
    EXPECT_EQ(add("1997:01:01:00:00:00", "0:0:0:0:0:-1").error, jol::Err::TimeAddFailed);
    EXPECT_EQ(sub("1997:01:01", "0::1").error, jol::Err::TimeSubtractFailed);
    EXPECT_EQ(sub("x", "0:0:1").error, jol::Err::TimeSubtractFailed);
    // The span check accepts any field values, also the short form.
    EXPECT_EQ(add("1997:01:01", "0:0:99").s, "1997:04:10:00:00:00");
    EXPECT_EQ(rig.HeapFree(), free_before);
}

TEST(TimeWaiting, WaitTargets) {
    jol::DateTime t;
    const plat::LocalTime noon = At(1999, 12, 31, 12, 0, 0);
    ASSERT_TRUE(jol::WaitTarget("0:0:0:00:00:00", noon, &t));
    EXPECT_EQ(Text(t), "2000:01:01:00:00:00"); // midnight tonight
    ASSERT_TRUE(jol::WaitTarget("0:0:0:24:00:00", noon, &t));
    EXPECT_EQ(Text(t), "2000:01:01:00:00:00");
    ASSERT_TRUE(jol::WaitTarget("00:00:00:13:30:00", noon, &t));
    EXPECT_EQ(Text(t), "1999:12:31:13:30:00");
    ASSERT_TRUE(jol::WaitTarget("0:0:0:12:00:00", noon, &t));
    EXPECT_EQ(Text(t), "1999:12:31:12:00:00"); // not earlier: today
    ASSERT_TRUE(jol::WaitTarget("0:0:0:11:59:59", At(2000, 2, 28, 12, 0, 0), &t));
    EXPECT_EQ(Text(t), "2000:02:29:11:59:59");
    ASSERT_TRUE(jol::WaitTarget("97:06:01:08:00:00", noon, &t));
    EXPECT_EQ(Text(t), "1997:06:01:08:00:00");
    for (const char* bad :
         {"0:0:0:25:00:00", "0:0:0:00:60:00", "0:0:0:12:00", "0:0:0", "97:02:30:00:00:00",
          "0:0:1:00:00:00", "0::0:00:00:00", "0:0:0:00:00:0a"})
        EXPECT_FALSE(jol::WaitTarget(bad, noon, &t)) << bad;

    jol::DateTime a = jol::DateTimeOf(At(2000, 1, 1, 0, 0, 0));
    jol::DateTime b = jol::DateTimeOf(At(2000, 1, 1, 0, 0, 1));
    EXPECT_TRUE(jol::IsEarlier(a, b));
    EXPECT_FALSE(jol::IsEarlier(b, a));
    EXPECT_FALSE(jol::IsEarlier(a, a));
    EXPECT_TRUE(jol::IsEarlier(jol::DateTimeOf(At(1999, 12, 31, 23, 59, 59)), a));
}

TEST(TimeWaiting, WaitAndDelay) {
    HandlerRig rig;
    rig.ctx()->options.four_digit_years = 1;
    // A time already past ends the wait at once.
    auto start = std::chrono::steady_clock::now();
    HandlerResult r = rig.Call(kTimeModule, id::TimeWait, {"1990:01:01:00:00:00"});
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.i, 1);
    EXPECT_LT(Seconds(start), 0.5);
    // Two seconds ahead: the wait ends when the clock reaches that second.
    jol::DateTime target, two;
    two.second = 2;
    ASSERT_TRUE(jol::AddDateTime(jol::DateTimeOf(plat::local_time()), two, &target));
    char text[jol::kDateTimeTextSize];
    start = std::chrono::steady_clock::now();
    r = rig.Call(kTimeModule, id::TimeWait, {jol::FormatDateTime(target, true, text)});
    const double waited = Seconds(start);
    EXPECT_GT(waited, 0.9);
    EXPECT_LT(waited, 2.6);
    EXPECT_FALSE(jol::IsEarlier(jol::DateTimeOf(plat::local_time()), target));
    // A cancelled script does not wait.
    rig.ctx()->cancel = 1;
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeWait, {"2090:01:01:00:00:00"}).i, 1);
    EXPECT_EQ(rig.Call(kTimeModule, id::Delay, {100.0}).i, 1);
    EXPECT_LT(Seconds(start), 0.5);
    rig.ctx()->cancel = 0;
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeWait, {"1997:1:1:12:00"}).error,
              jol::Err::TimeWaitFormat);
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeWait, {"1997:1:1"}).error, jol::Err::TimeWaitFormat);
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeWait, {"1997:2:29:0:0:0"}).error,
              jol::Err::TimeWaitFormat);

    // Delay: whole seconds by the clock, then the fraction when it is at
    // least a tenth.
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(rig.Call(kTimeModule, id::Delay, {0.25}).i, 1);
    EXPECT_GT(Seconds(start), 0.2);
    EXPECT_LT(Seconds(start), 1.0);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeDelay, {0.05}).i, 1);
    EXPECT_LT(Seconds(start), 0.5);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(rig.Call(kTimeModule, id::TimeDelay, {1}).i, 1);
    EXPECT_LT(Seconds(start), 1.6);
    for (double bad : {-1.0, -0.5, 1e12, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()})
        EXPECT_EQ(rig.Call(kTimeModule, id::Delay, {bad}).error, jol::Err::TimeDelay) << bad;
}

TEST(TimeDisplay, FormsOfThePresentTime) {
    jol::IntlSettings intl; // the defaults
    char out[64];
    const plat::LocalTime fri = At(1997, 12, 5, 9, 7, 3, 5, 456);
    jol::FormatDisplayTime(intl, fri, "SunMonTueWedThuFriSat", out, sizeof out);
    EXPECT_STREQ(out, "Fri 12/05/97  9:07:03 AM");
    intl.idate = 1;
    jol::FormatDisplayTime(intl, At(2000, 1, 2, 0, 30, 0, 0), "SunMonTueWedThuFriSat", out,
                           sizeof out);
    EXPECT_STREQ(out, "Sun  2/01/00 12:30:00 AM");
    intl.idate = 2;
    intl.sdate = '-';
    intl.stime = '.';
    jol::FormatDisplayTime(intl, At(2008, 3, 4, 12, 5, 9, 2), "SunMonTueWedThuFriSat", out,
                           sizeof out);
    EXPECT_STREQ(out, "Tue  8-03-04 12.05.09 PM");
    intl.itime = 1;
    std::snprintf(intl.s2359, sizeof intl.s2359, "%s", "pm");
    jol::FormatDisplayTime(intl, At(2008, 3, 4, 23, 5, 9, 2), "SunMonTueWedThuFriSat", out,
                           sizeof out);
    EXPECT_STREQ(out, "Tue  8-03-04 23.05.09 pm");
    // A day-name text too short for the week falls back to the built-in one.
    jol::FormatDisplayTime(jol::IntlSettings{}, fri, "Sun", out, sizeof out);
    EXPECT_STREQ(out, "Fri 12/05/97  9:07:03 AM");
    jol::FormatExactTime(':', fri, out, sizeof out);
    EXPECT_STREQ(out, "09:07:03:45");
    jol::FormatExactTime('.', At(2000, 1, 1, 23, 59, 58, 0, 9), out, sizeof out);
    EXPECT_STREQ(out, "23.59.58.00");

    // The handlers, with whatever settings this system has.
    HandlerRig rig;
    rig.ctx()->options.four_digit_years = 1;
    HandlerResult r = rig.Call(kTimeModule, id::TimeYmdHms, {});
    ASSERT_TRUE(std::regex_match(r.s, std::regex(R"(\d{4}:\d\d:\d\d:\d\d:\d\d:\d\d)"))) << r.s;
    jol::DateTime now;
    ASSERT_TRUE(jol::ReadDateTime(r.s.c_str(), &now));
    const jol::DateTime clock = jol::DateTimeOf(plat::local_time());
    jol::DateTime later;
    jol::DateTime two;
    two.second = 2;
    ASSERT_TRUE(jol::AddDateTime(now, two, &later));
    EXPECT_FALSE(jol::IsEarlier(clock, now));
    EXPECT_TRUE(jol::IsEarlier(clock, later));
    const jol::IntlSettings sys = jol::ReadIntlSettings();
    const std::string sep(1, sys.stime);
    r = rig.Call(kTimeModule, id::GetExactTime, {});
    EXPECT_TRUE(std::regex_match(
        r.s, std::regex("\\d\\d[" + sep + "]\\d\\d[" + sep + "]\\d\\d[" + sep + "]\\d\\d")))
        << r.s;
    r = rig.Call(kTimeModule, id::TimeDate, {});
    EXPECT_TRUE(std::regex_match(r.s.substr(0, 4), std::regex("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) ")))
        << r.s;
    EXPECT_EQ(rig.Call(kTimeModule, id::DateTime, {}).s.size(), r.s.size());
    const std::int32_t t0 = rig.Call(kTimeModule, id::GetTickCount, {}).i;
    plat::sleep_ms(50);
    const std::int32_t t1 = rig.Call(kTimeModule, id::GetTickCount, {}).i;
    // The tick count may move in steps of up to 16 ms (seen under Wine).
    EXPECT_GE(static_cast<std::int32_t>(t1 - t0), 25);
    EXPECT_LT(static_cast<std::int32_t>(t1 - t0), 1000);
}

#ifndef _WIN32
// The Windows profile maps the INTL section to the user's locale, which a
// test must not change; the native backend reads win.ini in JOL_HOME.
TEST(TimeDisplay, InternationalSettingsFromTheProfile) {
    test::TempHome home;
    std::ofstream(std::filesystem::path(home.path()) / "win.ini")
        << "[intl]\r\niDate=2\r\niTime=1\r\nsDate=-\r\nsTime=.\r\ns1159=vorm.\r\ns2359=\r\n";
    jol::IntlSettings s = jol::ReadIntlSettings();
    EXPECT_EQ(s.idate, 2);
    EXPECT_EQ(s.itime, 1);
    EXPECT_EQ(s.sdate, '-');
    EXPECT_EQ(s.stime, '.');
    EXPECT_STREQ(s.s1159, "vorm"); // at most four characters
    EXPECT_STREQ(s.s2359, "");
    std::ofstream(std::filesystem::path(home.path()) / "win.ini") << "[intl]\r\nsDate=\r\n";
    s = jol::ReadIntlSettings();
    EXPECT_EQ(s.sdate, '/'); // an empty separator is the default
    EXPECT_EQ(s.idate, 0);
    EXPECT_STREQ(s.s1159, "AM");
}
#endif

TEST(TimeFiles, FileTimesSetAndRead) {
    test::TempHome home;
    HandlerRig rig;
    rig.ctx()->options.four_digit_years = 1;
    const std::string file = (std::filesystem::path(home.path()) / "stamp.txt").string();
    std::ofstream(file) << "x";
    jol::ScriptContext* ctx = rig.ctx();

    EXPECT_EQ(jol::SetFileWriteTimeText(ctx, file.c_str(), "2001:02:03:04:05:07"), 1);
    EXPECT_EQ(ctx->error_code, 0);
    // Packed times keep even seconds.
    EXPECT_EQ(rig.Call(kTimeModule, id::FileYmdHms, {file}).s, "2001:02:03:04:05:06");
    const std::uint32_t date = (21u << 9) | (2u << 5) | 3u;
    const std::uint32_t time = (4u << 11) | (5u << 5) | 3u;
    EXPECT_EQ(rig.Call(kTimeModule, id::FileTimeCode, {file}).i,
              static_cast<std::int32_t>((date << 16) | time));
    char expected[64];
    jol::FormatFileTime(jol::ReadIntlSettings(), static_cast<std::uint16_t>(date),
                        static_cast<std::uint16_t>(time), expected, sizeof expected);
    EXPECT_EQ(rig.Call(kTimeModule, id::FileTimeGet, {file}).s, expected);
    char text[64];
    ASSERT_TRUE(jol::FileTimeText(file.c_str(), text, sizeof text));
    EXPECT_STREQ(text, expected);
    ctx->options.four_digit_years = 0;
    EXPECT_EQ(rig.Call(kTimeModule, id::FileYmdHms, {file}).s, "01:02:03:04:05:06");
    ctx->options.four_digit_years = 1;

    // A date the system cannot convert leaves the file as it was and is no
    // success (the box is answered from the queue).
    ctx->error_code = 0;
    EXPECT_EQ(jol::SetFileWriteTimeText(ctx, file.c_str(), "1500:01:01:00:00:00"), 0);
    EXPECT_EQ(ctx->error_code, 0);
    EXPECT_EQ(rig.Call(kTimeModule, id::FileYmdHms, {file}).s, "2001:02:03:04:05:06");
    // A time before 1980 has no packed form.
    EXPECT_EQ(jol::SetFileWriteTimeText(ctx, file.c_str(), "1979:12:31:00:00:00"), 1);
    EXPECT_EQ(rig.Call(kTimeModule, id::FileTimeGet, {file}).error, jol::Err::FileTimeGetMissing);
    jol::ClearError(ctx); // as before the next statement

    EXPECT_EQ(jol::SetFileWriteTimeText(ctx, file.c_str(), "2001:02:30:00:00:00"), 0);
    EXPECT_EQ(ctx->error_code, jol::Err::TimeDiffBad);
    ctx->error_code = 0;
    const std::string missing = (std::filesystem::path(home.path()) / "none.txt").string();
    EXPECT_EQ(jol::SetFileWriteTimeText(ctx, missing.c_str(), "2001:02:03:00:00:00"), 0);
    EXPECT_EQ(ctx->error_code, jol::Err::FileTimeTouchMissing);
    ctx->error_code = 0;
    EXPECT_EQ(jol::TouchFileTime(ctx, home.path().c_str()), 0); // a folder is no file
    EXPECT_EQ(ctx->error_code, jol::Err::FileTimeTouchMissing);
    ctx->error_code = 0;
    for (int fn : {id::FileTimeGet, id::FileYmdHms, id::FileTimeCode})
        EXPECT_EQ(rig.Call(kTimeModule, fn, {missing}).error, jol::Err::FileTimeGetMissing);
    jol::ClearError(ctx);

    // A read-only file keeps its time: FileTimeTouchMissing (where the system keeps
    // read-only files).
    const std::string ro = (std::filesystem::path(home.path()) / "ro.txt").string();
    std::ofstream(ro) << "x";
    ASSERT_EQ(jol::SetFileWriteTimeText(ctx, ro.c_str(), "2002:03:04:05:06:08"), 1);
    std::filesystem::permissions(ro,
                                 std::filesystem::perms::owner_read |
                                     std::filesystem::perms::group_read |
                                     std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::replace);
    if (ReadOnlyHolds(ro)) {
        EXPECT_EQ(jol::SetFileWriteTimeText(ctx, ro.c_str(), "2010:01:01:00:00:00"), 0);
        EXPECT_EQ(ctx->error_code, jol::Err::FileTimeTouchMissing);
        ctx->error_code = 0;
        EXPECT_EQ(jol::TouchFileTime(ctx, ro.c_str()), 0);
        EXPECT_EQ(ctx->error_code, jol::Err::FileTimeTouchMissing);
        ctx->error_code = 0;
        EXPECT_EQ(rig.Call(kTimeModule, id::FileYmdHms, {ro}).s, "2002:03:04:05:06:08");
    }
    std::filesystem::permissions(ro, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);

    // Touching gives the present time (to the two seconds of a packed time).
    EXPECT_EQ(jol::TouchFileTime(ctx, file.c_str()), 1);
    jol::DateTime stamped;
    ASSERT_TRUE(
        jol::ReadDateTime(rig.Call(kTimeModule, id::FileYmdHms, {file}).s.c_str(), &stamped));
    const jol::DateTime now = jol::DateTimeOf(plat::local_time());
    const std::int64_t apart = (jol::DayNumber(now.year, now.month, now.day) -
                                jol::DayNumber(stamped.year, stamped.month, stamped.day)) *
                                   86400 +
                               (now.hour - stamped.hour) * 3600 +
                               (now.minute - stamped.minute) * 60 + now.second - stamped.second;
    EXPECT_GE(apart, 0);
    EXPECT_LE(apart, 3);

    jol::IntlSettings intl;
    jol::FormatFileTime(intl, static_cast<std::uint16_t>((17u << 9) | (12u << 5) | 5u),
                        static_cast<std::uint16_t>((9u << 11) | (7u << 5) | 1u), text, sizeof text);
    EXPECT_STREQ(text, "12/05/97   9:07AM");
    jol::FormatFileTime(intl, static_cast<std::uint16_t>((20u << 9) | (1u << 5) | 9u),
                        static_cast<std::uint16_t>(0u), text, sizeof text);
    EXPECT_STREQ(text, " 1/09/00  12:00AM");
    jol::FormatFileTime(intl, static_cast<std::uint16_t>((20u << 9) | (1u << 5) | 9u),
                        static_cast<std::uint16_t>((12u << 11) | (1u << 5)), text, sizeof text);
    EXPECT_STREQ(text, " 1/09/00  12:01PM");
    intl.itime = 1;
    intl.idate = 1;
    jol::FormatFileTime(intl, static_cast<std::uint16_t>((20u << 9) | (1u << 5) | 9u),
                        static_cast<std::uint16_t>((13u << 11) | (1u << 5)), text, sizeof text);
    EXPECT_STREQ(text, " 9/01/00  13:01PM");
}

TEST(TimeRandom, RangeAndState) {
    // State 0, 1000 ms of ticks, 5 seconds after midnight: v = 1000, the
    // result 1005 mod 11 = 4 and the state 1000; then v = 1000 + 13497000.
    std::uint32_t state = 0;
    EXPECT_EQ(jol::NextRandom(&state, 10, 1000, 5), 4);
    EXPECT_EQ(state, 1000u);
    EXPECT_EQ(jol::NextRandom(&state, 10, 1000, 5), (13497000 + 1000 + 5) % 11);
    EXPECT_EQ(state, 1000u + 13498000u);
    // A negative remainder gives its absolute value; the largest maximum
    // does not overflow.
    state = 0;
    EXPECT_EQ(jol::NextRandom(&state, 10, 0xFFFFFFF0u, 0), 5); // -16 mod 11 = -5
    state = 0;
    EXPECT_EQ(jol::NextRandom(&state, 2147483647, 0x80000000u, 0), 0);
    state = 0;
    EXPECT_EQ(jol::NextRandom(&state, 2147483647, 0x7FFFFFFFu, 0), 2147483647);
    state = 7;
    EXPECT_EQ(jol::NextRandom(&state, 0, 1000, 5), 0);
    EXPECT_EQ(jol::NextRandom(&state, -3, 1000, 5), 0);
    EXPECT_EQ(state, 7u); // no number drawn, the state stays

    HandlerRig rig;
    EXPECT_EQ(rig.Call(kTimeModule, id::Random, {0}).i, 0);
    // Calls within one millisecond may repeat a number: only the range
    // holds for every call.
    for (int k = 0; k < 3000; ++k) {
        std::int32_t n = rig.Call(kTimeModule, id::Random, {9}).i;
        ASSERT_GE(n, 0);
        ASSERT_LE(n, 9);
        std::int32_t b = rig.Call(kTimeModule, id::Random, {1}).i;
        ASSERT_TRUE(b == 0 || b == 1);
    }
}

} // namespace
