#!/usr/bin/env python3
"""Writes the time_days and time_add script tests and their expected
output, computing every expected value with the datetime module (not with
the day-number formulas the library uses).  Run it from any folder; it
writes beside itself.  The tests themselves do not need python.

Day numbers: 0000-01-01 is day 1, consecutive dates are consecutive, so a
date's day number is its proleptic Gregorian ordinal (date.toordinal(),
where 0001-01-01 is 1) plus 366, the length of the leap year 0."""
import datetime as dt
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def day_number(y, m, d):
    return dt.date(y, m, d).toordinal() + 366


def expand(year_text):
    y = int(year_text)
    if len(year_text) <= 2:
        return y + (2000 if y < 50 else 1900)
    return y


def two(y):
    return "%02d" % (y % 100)


def write(name, header, lines, expected):
    with open(os.path.join(HERE, name + ".jol"), "wb") as f:
        f.write(("\r\n".join(header + lines) + "\r\n").encode("ascii"))
    with open(os.path.join(HERE, name + ".out"), "wb") as f:
        f.write(("param0=0\n" + "".join("%s=%s\n" % kv for kv in expected)).encode("ascii"))


def days_test():
    header = [
        "; Day numbers and day differences over many dates, leap years and the",
        "; two-digit-year window; expected values come from time_expectations.py.",
        "; needs: IntControl",
    ]
    lines, expected = [], []
    n = 0

    def var():
        nonlocal n
        n += 1
        return "v%d" % n

    # Julian days: dates written with 1 to 4 year digits.
    dates = []
    for y in (1600, 1700, 1752, 1800, 1899, 1900, 1901, 1969, 1970, 1996, 1997,
              1999, 2000, 2001, 2004, 2038, 2099, 2100, 2400, 9999):
        for m, d in ((1, 1), (2, 28), (3, 1), (12, 31)):
            dates.append(("%04d:%02d:%02d" % (y, m, d), y, m, d))
        if y % 4 == 0 and (y % 100 != 0 or y % 400 == 0):
            dates.append(("%04d:02:29" % y, y, 2, 29))
    for yt in ("0", "00", "7", "49", "50", "69", "99", "04", "96"):
        y = expand(yt)
        dates.append(("%s:02:28" % yt, y, 2, 28))
        dates.append(("%s:3:1:12:30:00" % yt, y, 3, 1))
    for yt in ("197", "0001", "0099", "100"):
        dates.append(("%s:06:15" % yt, int(yt), 6, 15))
    dates.append(("2000:2:29:24:00:00", 2000, 2, 29))
    for text, y, m, d in dates:
        v = var()
        lines.append('%s = TimeJulianDay("%s")' % (v, text))
        expected.append((v, day_number(y, m, d)))

    # Back from day numbers, with two- and four-digit years.
    back = [1, 2, 59, 60, 61, 366, 367, 693962, 719529, 729391, 730546,
            730545, 730485, 730850, 767010, 767011, 3652425]
    for four in (0, 1):
        v = var()
        lines.append("%s = IntControl(41, %d, 0, 0, 0)" % (v, four))
        expected.append((v, 0))  # the previous setting: off
        for num in back:
            v = var()
            lines.append("%s = TimeJulToYmd(%d)" % (v, num))
            date = dt.date.fromordinal(num - 366) if num > 366 else None
            if date is None:
                # Year 0, a leap year: day 1 is 0000-01-01, day 60 is 0000-02-29.
                start = dt.date(2000, 1, 1)  # also a leap year from January
                d = start + dt.timedelta(days=num - 1)
                y, m, dd = 0, d.month, d.day
            else:
                y, m, dd = date.year, date.month, date.day
            text = ("%04d" % y if four else two(y)) + ":%02d:%02d:00:00:00" % (m, dd)
            expected.append((v, text))

    # Day differences across leap days, centuries and the year window.
    pairs = [("2000:03:01", "2000:02:28"), ("1900:03:01", "1900:02:28"),
             ("2100:03:01", "2100:02:28"), ("2004:03:01", "2004:02:28"),
             ("1997:01:01", "1996:01:01"), ("1996:01:01", "1997:01:01"),
             ("49:12:31", "50:01:01"), ("00:01:01", "99:12:31"),
             ("2049:12:31:23:59:59", "1950:01:01:00:00:00"),
             ("1600:01:01", "2400:12:31"), ("9999:12:31", "0:01:01"),
             ("1970:01:01:24:00:00", "1969:12:31:23:59:59")]
    for y in range(1896, 2105, 7):
        pairs.append(("%04d:03:01" % y, "%04d:02:01" % y))
        pairs.append(("%04d:01:01" % (y + 1), "%04d:01:01" % y))

    def parse(text):
        f = text.split(":")
        return expand(f[0]), int(f[1]), int(f[2])

    for a, b in pairs:
        v = var()
        lines.append('%s = TimeDiffDays("%s", "%s")' % (v, a, b))
        expected.append((v, day_number(*parse(a)) - day_number(*parse(b))))
    write("time_days", header, lines, expected)


def add_test():
    header = [
        "; TimeAdd, TimeSubtract and TimeDiffSecs over month ends, leap days, the",
        "; two-digit-year window and large spans; expected values come from",
        "; time_expectations.py.",
        "; needs: IntControl",
    ]
    lines, expected = [], []
    n = 0

    def var():
        nonlocal n
        n += 1
        return "v%d" % n

    def fields(text):
        f = [int(x) for x in text.split(":")]
        return f + [0] * (6 - len(f))

    def normal(y, mo, d, h, mi, s):
        # Day, hour, minute and second carries and borrows are calendar
        # arithmetic once the month is in range.
        base = dt.datetime(2000, mo, 1) if y < 1 else dt.datetime(y, mo, 1)
        t = base + dt.timedelta(days=d - 1, hours=h, minutes=mi, seconds=s)
        if y < 1:
            # Year 0 is not known to datetime; it has the calendar of 2000.
            return (t.year - 2000 + y, t.month, t.day, t.hour, t.minute, t.second)
        return (t.year, t.month, t.day, t.hour, t.minute, t.second)

    def add(a, span):
        y, mo, d, h, mi, s = fields(a)
        y = expand(a.split(":")[0])
        if h == 24:
            h = 0
        sy, smo, sd, sh, smi, ss = fields(span)
        mo += smo
        y += sy + (mo - 1) // 12
        mo = (mo - 1) % 12 + 1
        return normal(y, mo, d + sd, h + sh, mi + smi, s + ss)

    def sub(a, span):
        y, mo, d, h, mi, s = fields(a)
        y = expand(a.split(":")[0])
        if h == 24:
            h = 0
        sy, smo, sd, sh, smi, ss = fields(span)
        mo -= smo
        y -= sy - (mo - 1) // 12
        mo = (mo - 1) % 12 + 1
        return normal(y, mo, d - sd, h - sh, mi - smi, s - ss)

    def text(r, four):
        y = "%04d" % r[0] if four else two(r[0])
        return y + ":%02d:%02d:%02d:%02d:%02d" % r[1:]

    cases_add = [
        ("97:12:31:23:59:59", "00:00:00:00:00:01"), ("1997:01:31:00:00:00", "0:1:0:0:0:0"),
        ("2000:01:31:00:00:00", "0:1:0:0:0:0"), ("1900:01:31:00:00:00", "0:1:0:0:0:0"),
        ("2000:02:29:12:00:00", "1:0:0:0:0:0"), ("2000:02:29:12:00:00", "4:0:0:0:0:0"),
        ("1999:12:31:23:59:59", "0:0:0:0:0:1"), ("49:06:15:10:00:00", "1:0:0:0:0:0"),
        ("50:06:15:10:00:00", "0:0:0:0:0:0"), ("1997:01:01:00:00:00", "0:0:0:0:0:86400"),
        ("1997:01:01:00:00:00", "0:0:0:0:0:1000000000"),
        ("1997:01:01:00:00:00", "0:0:0:0:100000:0"), ("1997:01:01:00:00:00", "0:0:0:8760:0:0"),
        ("1997:01:01:00:00:00", "0:0:366:0:0:0"), ("1996:01:01:00:00:00", "0:0:366:0:0:0"),
        ("1997:05:31:00:00:00", "0:25:0:0:0:0"), ("1997:05:31:00:00:00", "0:13:0:0:0:0"),
        ("2023:08:31:22:30:45", "0:6:0:3:45:30"), ("1997:1:1", "0:0:0:24:0:0"),
        ("1997:1:1:24:00:00", "0:0:0:0:0:0"), ("1600:02:29", "0:0:1:0:0:0"),
        ("2100:02:28", "0:0:1:0:0:0"), ("9998:12:31:23:59:59", "0:0:0:0:0:1"),
        ("1600:02:29", "0:0:200000:0:0:0"), ("1999:02:28:23:00:00", "0:11:1096:1:0:0"),
        ("1700:03:01", "0:0:146097:0:0:0"), ("1700:03:01", "0:0:146098:0:0:0"),
    ]
    cases_sub = [
        ("1997:03:01:00:00:00", "0:0:1:0:0:0"), ("2000:03:01:00:00:00", "0:0:1:0:0:0"),
        ("1900:03:01:00:00:00", "0:0:1:0:0:0"), ("1998:01:01:00:00:00", "0:0:0:0:0:1"),
        ("00:01:01:00:00:00", "0:0:0:0:0:1"), ("1997:03:31:00:00:00", "0:1:0:0:0:0"),
        ("2000:03:31:00:00:00", "0:1:0:0:0:0"), ("1997:01:15:00:00:00", "0:1:0:0:0:0"),
        ("1997:01:15:00:00:00", "0:13:0:0:0:0"), ("1997:01:15:00:00:00", "0:25:0:0:0:0"),
        ("2000:02:29:00:00:00", "1:0:0:0:0:0"), ("1997:01:01:00:00:00", "0:0:0:0:0:86401"),
        ("1997:01:01:00:00:00", "0:0:0:0:0:1000000000"), ("1997:01:01:00:00:00", "0:0:0:0:90:0"),
        ("1997:01:01:00:00:00", "0:0:0:49:0:0"), ("1997:01:01:00:00:00", "0:0:400:0:0:0"),
        ("2001:03:01:12:00:00", "0:0:366:12:0:1"), ("1997:01:01:00:00:00", "1997:0:0:0:0:0"),
        ("1997:05:31:00:00:00", "0:3:0:0:0:0"), ("2024:03:30:00:00:00", "0:1:30:0:0:0"),
        ("2200:03:01", "0:0:100000:0:0:0"), ("2000:02:29:12:00:00", "0:0:146097:12:0:1"),
        ("2000:03:01", "0:0:146098:0:0:0"), ("1999:01:31", "0:23:1461:0:0:0"),
    ]
    for four in (0, 1):
        v = var()
        lines.append("%s = IntControl(41, %d, 0, 0, 0)" % (v, four))
        expected.append((v, 0))  # the previous setting: off
        for a, s in cases_add:
            v = var()
            lines.append('%s = TimeAdd("%s", "%s")' % (v, a, s))
            expected.append((v, text(add(a, s), four)))
        for a, s in cases_sub:
            v = var()
            lines.append('%s = TimeSubtract("%s", "%s")' % (v, a, s))
            expected.append((v, text(sub(a, s), four)))

    def secs(a, b):
        def t(x):
            f = fields(x)
            y = expand(x.split(":")[0])
            if f[3] == 24:
                f[3] = 0
            base = dt.datetime(2000, 1, 1) + dt.timedelta(
                days=day_number(y, f[1], f[2]) - day_number(2000, 1, 1))
            return base + dt.timedelta(hours=f[3], minutes=f[4], seconds=f[5])
        return int((t(a) - t(b)).total_seconds())

    pairs = [("1997:01:01:00:00:10", "1996:12:31:23:59:50"), ("2000:03:01", "2000:02:28:23:59:59"),
             ("1900:03:01", "1900:02:28"), ("2000:01:01:24:00:00", "2000:01:01"),
             ("00:01:01", "99:12:31:23:59:59"), ("49:12:31:23:59:59", "1990:01:01:00:00:00"),
             ("2060:03:26", "2000:01:01"), ("2000:01:01", "2060:03:26"),
             ("2060:03:26:23:59:59", "2000:01:01:00:00:00"), ("2030:01:01", "2038:01:19:03:14:07"),
             ("2023:10:29:03:00:00", "2023:10:29:02:00:00")]
    for a, b in pairs:
        v = var()
        lines.append('%s = TimeDiffSecs("%s", "%s")' % (v, a, b))
        expected.append((v, secs(a, b)))
    write("time_add", header, lines, expected)


days_test()
add_test()
