// The resource walker of program files and the icon replacement on images
// built here: PE programs of both widths and an NE program, sound and
// damaged. A damaged program is refused before anything is written.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "dispatch/int_control.h"
#include "lib/data/icon_replace.h"
#include "lib/data/pe_image.h"
#include "tests/unit/data_handler_rig.h"
#include "tests/unit/test_errors.h"

namespace jol {
namespace {

using Bytes = std::vector<unsigned char>;

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
    if (b.size() < at + 2) b.resize(at + 2, 0);
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

Bytes Pattern(std::size_t n, int seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<unsigned char>(i * 7 + seed);
    return b;
}

// Places within a built PE program.
constexpr std::uint32_t kRsrcRva = 0x2000;
constexpr std::uint32_t kRsrcRaw = 0x400;
constexpr std::uint32_t kTextRva = 0x1000;

// The resource section of a program with icons of the given sizes:
// root -> type 3 -> one directory per icon name -> one language -> data.
struct Resources {
    Bytes bytes;
    std::uint32_t type_dir = 0, names_entries = 0;
    std::vector<std::uint32_t> language_dirs, data_entries, data;
};

Resources IconResources(const std::vector<std::uint32_t>& sizes) {
    Resources r;
    const std::uint32_t n = static_cast<std::uint32_t>(sizes.size());
    Bytes& b = r.bytes;
    Put16(b, 14, 1);
    r.type_dir = 24;
    Put32(b, 16, 3);
    Put32(b, 20, 0x80000000u | r.type_dir);
    Put16(b, r.type_dir + 14, n);
    r.names_entries = r.type_dir + 16;
    std::uint32_t at = r.names_entries + 8 * n;
    for (std::uint32_t i = 0; i < n; ++i) {
        r.language_dirs.push_back(at);
        Put32(b, r.names_entries + 8 * i, i + 1);
        Put32(b, r.names_entries + 8 * i + 4, 0x80000000u | at);
        at += 24;
    }
    for (std::uint32_t i = 0; i < n; ++i) {
        r.data_entries.push_back(at);
        Put16(b, r.language_dirs[i] + 14, 1);
        Put32(b, r.language_dirs[i] + 16, 0x409);
        Put32(b, r.language_dirs[i] + 20, at);
        at += 16;
    }
    for (std::uint32_t i = 0; i < n; ++i) {
        r.data.push_back(at);
        Put32(b, r.data_entries[i], kRsrcRva + at);
        Put32(b, r.data_entries[i] + 4, sizes[i]);
        const Bytes old = Pattern(sizes[i], 100 + static_cast<int>(i));
        b.resize(at);
        b.insert(b.end(), old.begin(), old.end());
        at = static_cast<std::uint32_t>((b.size() + 7) & ~std::size_t{7});
    }
    b.resize(at, 0);
    return r;
}

// A PE program (64-bit when wide) with a code section and, unless
// resources is empty, a resource section; the optional header has its
// standard size plus extra bytes.
Bytes Program(const Bytes& resources, bool wide, std::uint32_t extra = 0) {
    Bytes img(kRsrcRaw, 0);
    img[0] = 'M';
    img[1] = 'Z';
    Put32(img, 60, 0x40);
    std::memcpy(&img[0x40], "PE\0\0", 4);
    const std::uint32_t optional = (wide ? 240 : 224) + extra;
    const std::uint16_t sections = resources.empty() ? 1 : 2;
    Put16(img, 0x46, sections);
    Put16(img, 0x54, optional);
    const std::size_t opt = 0x58;
    Put16(img, opt, wide ? 0x20B : 0x10B);
    const std::size_t count_at = wide ? 108 : 92;
    Put32(img, opt + count_at, 16);
    if (!resources.empty()) {
        Put32(img, opt + count_at + 4 + 16, kRsrcRva);
        Put32(img, opt + count_at + 4 + 20, static_cast<std::uint32_t>(resources.size()));
    }
    const std::size_t table = opt + optional;
    std::memcpy(&img[table], ".text", 5);
    Put32(img, table + 8, 0x100);
    Put32(img, table + 12, kTextRva);
    Put32(img, table + 16, 0x100);
    Put32(img, table + 20, 0x300);
    if (!resources.empty()) {
        std::memcpy(&img[table + 40], ".rsrc", 5);
        Put32(img, table + 48, static_cast<std::uint32_t>(resources.size()));
        Put32(img, table + 52, kRsrcRva);
        Put32(img, table + 56, static_cast<std::uint32_t>(resources.size()));
        Put32(img, table + 60, kRsrcRaw);
        img.insert(img.end(), resources.begin(), resources.end());
    }
    return img;
}

// An NE program with icons of the given sizes, shift 4, after its tables.
struct NeProgram {
    Bytes bytes;
    std::uint32_t table = 0;         // file offset of the resource table
    std::vector<std::uint32_t> data; // file offsets of the icons
};

NeProgram Ne(const std::vector<std::uint32_t>& sizes) {
    NeProgram p;
    Bytes& b = p.bytes;
    b.assign(0x80, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 60, 0x40);
    b[0x40] = 'N';
    b[0x41] = 'E';
    const std::uint32_t n = static_cast<std::uint32_t>(sizes.size());
    p.table = 0x80;
    const std::uint32_t names = 64 + 2 + 8 + 12 * n + 2;
    Put16(b, 0x40 + 36, 64);
    Put16(b, 0x40 + 38, names);
    Put16(b, p.table, 4);
    Put16(b, p.table + 2, 0x8003);
    Put16(b, p.table + 4, n);
    std::uint32_t at = 0x200;
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t units = (sizes[i] + 15) / 16;
        Put16(b, p.table + 10 + 12 * i, at / 16);
        Put16(b, p.table + 12 + 12 * i, units);
        Put16(b, p.table + 16 + 12 * i, 0x8001 + i);
        p.data.push_back(at);
        at += units * 16;
    }
    Put16(b, p.table + 10 + 12 * n, 0);
    b.resize(0x200, 0);
    for (std::uint32_t i = 0; i < n; ++i) {
        const Bytes old = Pattern(((sizes[i] + 15) / 16) * 16, 50 + static_cast<int>(i));
        b.insert(b.end(), old.begin(), old.end());
    }
    return p;
}

std::vector<ResourceData> Walk(const Bytes& image, bool ne, ResourceWalk* outcome) {
    std::vector<ResourceData> found;
    const ImageSource source = MemoryImage(&image);
    const ResourceVisit visit = [&](const ResourceData& d) {
        found.push_back(d);
        return true;
    };
    *outcome = ne ? WalkNeResources(source, 0x8003, visit) : WalkPeResources(source, 3, visit);
    return found;
}

// Writes into a byte vector; fails (after writing half) when told to.
struct MemoryTarget {
    Bytes* bytes;
    bool fail = false;
};
bool WriteToMemory(void* target, std::uint64_t offset, const void* data, std::size_t n) {
    auto* t = static_cast<MemoryTarget*>(target);
    if (offset + n > t->bytes->size()) return false;
    std::memcpy(t->bytes->data() + offset, data, t->fail ? n / 2 : n);
    return !t->fail;
}

class IconWrite : public ::testing::Test {
protected:
    // Writes image over icon number of program; the error code (0 when
    // written).
    int Write(Bytes& program, std::int32_t number, const Bytes& image, bool fail = false) {
        ClearError(rig_.ctx());
        MemoryTarget target{&program, fail};
        ProgramBytes bytes;
        bytes.image = MemoryImage(&program);
        bytes.write = WriteToMemory;
        bytes.target = &target;
        const int done = WriteProgramIcon(rig_.ctx(), bytes, number, image.data(),
                                          static_cast<std::uint32_t>(image.size()));
        EXPECT_EQ(done == 1, rig_.ctx()->error_code == 0);
        return rig_.ctx()->error_code;
    }
    // The error of a damaged program, whose bytes must stay as they were.
    int Refused(Bytes program, std::int32_t number, const Bytes& image) {
        const Bytes before = program;
        const int error = Write(program, number, image);
        EXPECT_EQ(program, before);
        return error;
    }
    test::HandlerRig rig_;
};

TEST(ResourceWalk, FindsIconsOfBothWidths) {
    const Resources r = IconResources({744, 296});
    for (bool wide : {false, true}) {
        for (std::uint32_t extra : {0u, 16u}) {
            SCOPED_TRACE(std::to_string(wide) + " " + std::to_string(extra));
            // The section table follows the optional header, whatever its size.
            const Bytes program = Program(r.bytes, wide, extra);
            ResourceWalk outcome;
            const std::vector<ResourceData> found = Walk(program, false, &outcome);
            ASSERT_EQ(outcome, ResourceWalk::Done);
            ASSERT_EQ(found.size(), 2u);
            EXPECT_EQ(found[0].offset, kRsrcRaw + r.data[0]);
            EXPECT_EQ(found[0].size, 744u);
            EXPECT_EQ(found[1].offset, kRsrcRaw + r.data[1]);
            EXPECT_EQ(found[1].size, 296u);
            EXPECT_TRUE(found[0].inside && found[1].inside);
        }
    }
    ResourceWalk outcome;
    EXPECT_TRUE(Walk(Program(Bytes(), false), false, &outcome).empty());
    EXPECT_EQ(outcome, ResourceWalk::NoResources);
}

TEST(ResourceWalk, DamagedTreesAreReportedNotFollowed) {
    const Resources r = IconResources({744, 296});
    const Bytes sound = Program(r.bytes, true);
    auto outcome_of = [](const Bytes& program) {
        ResourceWalk outcome;
        Walk(program, false, &outcome);
        return outcome;
    };
    const std::size_t base = kRsrcRaw;
    // A directory that leads back to itself, or to its parent.
    Bytes loop = sound;
    Put32(loop, base + r.names_entries + 4, 0x80000000u | r.type_dir);
    EXPECT_EQ(outcome_of(loop), ResourceWalk::Damaged);
    // A fourth level.
    Bytes deep = sound;
    Put32(deep, base + r.language_dirs[0] + 20, 0x80000000u | r.language_dirs[1]);
    EXPECT_EQ(outcome_of(deep), ResourceWalk::Damaged);
    // Counts whose entries run past the section.
    Bytes count = sound;
    Put16(count, base + r.type_dir + 14, 0xFFFF);
    EXPECT_EQ(outcome_of(count), ResourceWalk::Damaged);
    Bytes named = sound;
    Put16(named, base + 12, 0x8000);
    EXPECT_EQ(outcome_of(named), ResourceWalk::Damaged);
    // A directory or a data entry beyond the section.
    Bytes far = sound;
    Put32(far, base + 20, 0x80000000u | 0x7FFFFFF0u);
    EXPECT_EQ(outcome_of(far), ResourceWalk::Damaged);
    Bytes leaf = sound;
    Put32(leaf, base + r.language_dirs[1] + 20, static_cast<std::uint32_t>(r.bytes.size() - 8));
    EXPECT_EQ(outcome_of(leaf), ResourceWalk::Damaged);
    // The section's stored bytes begin beyond the file; the file ends
    // inside the tree.
    Bytes raw = sound;
    Put32(raw, 0x58 + 240 + 40 + 20, 0x100000);
    EXPECT_EQ(outcome_of(raw), ResourceWalk::Damaged);
    Bytes cut = sound;
    cut.resize(kRsrcRaw + r.type_dir + 8);
    EXPECT_EQ(outcome_of(cut), ResourceWalk::Damaged);
    // A data directory pointing into no section; an absurd section count.
    Bytes nowhere = sound;
    Put32(nowhere, 0x58 + 112 + 16, 0x900000);
    EXPECT_EQ(outcome_of(nowhere), ResourceWalk::Damaged);
    Bytes sections = sound;
    Put16(sections, 0x46, 0xFFFF);
    EXPECT_EQ(outcome_of(sections), ResourceWalk::Damaged);
}

TEST(ResourceWalk, SharedDirectoriesCannotMultiplyTheWork) {
    // Thousands of type entries that all lead to one directory of
    // thousands of entries: each directory is entered once, so the walk
    // stops at the second visit instead of running through millions.
    constexpr std::uint32_t kEntries = 4000;
    Bytes r(16 + 8 * kEntries, 0);
    Put16(r, 14, kEntries);
    const std::uint32_t names = 16 + 8 * kEntries;
    for (std::uint32_t i = 0; i < kEntries; ++i) {
        Put32(r, 16 + 8 * i, 3);
        Put32(r, 20 + 8 * i, 0x80000000u | names);
    }
    Put16(r, names + 14, kEntries);
    for (std::uint32_t i = 0; i < kEntries; ++i) {
        Put32(r, names + 16 + 8 * i, i + 1);
        Put32(r, names + 20 + 8 * i, 0x80000000u | names);
    }
    r.resize(names + 16 + 8 * kEntries, 0);
    const Bytes program = Program(r, false);
    const auto start = std::chrono::steady_clock::now();
    ResourceWalk outcome;
    Walk(program, false, &outcome);
    EXPECT_EQ(outcome, ResourceWalk::Damaged);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(ResourceWalk, NeTables) {
    NeProgram p = Ne({744, 296});
    ResourceWalk outcome;
    std::vector<ResourceData> found = Walk(p.bytes, true, &outcome);
    ASSERT_EQ(outcome, ResourceWalk::Done);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].offset, p.data[0]);
    EXPECT_EQ(found[0].size, 752u);
    EXPECT_EQ(found[1].offset, p.data[1]);
    EXPECT_EQ(found[1].size, 304u);
    EXPECT_TRUE(found[1].inside);
    // Equal table offsets: no resources.
    Bytes none = p.bytes;
    Put16(none, 0x40 + 38, 64);
    Walk(none, true, &outcome);
    EXPECT_EQ(outcome, ResourceWalk::NoResources);
    // A shift beyond 15; a count that runs past the table; a table
    // without its end that reaches the names table.
    Bytes shift = p.bytes;
    Put16(shift, p.table, 16);
    Walk(shift, true, &outcome);
    EXPECT_EQ(outcome, ResourceWalk::Damaged);
    Bytes count = p.bytes;
    Put16(count, p.table + 4, 3);
    Walk(count, true, &outcome);
    EXPECT_EQ(outcome, ResourceWalk::Damaged);
    Bytes endless = p.bytes;
    Put16(endless, p.table + 10 + 24, 0x8003);
    Walk(endless, true, &outcome);
    EXPECT_EQ(outcome, ResourceWalk::Damaged);
    // Data beyond the file, or over the header, is not inside.
    Bytes beyond = p.bytes;
    Put16(beyond, p.table + 10 + 12, 0xF000);
    found = Walk(beyond, true, &outcome);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_FALSE(found[1].inside);
    Bytes header = p.bytes;
    Put16(header, p.table + 10, 0);
    found = Walk(header, true, &outcome);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_FALSE(found[0].inside);
}

TEST_F(IconWrite, PeNeedsTheExactSize) {
    const Resources r = IconResources({744, 296});
    for (bool wide : {false, true}) {
        SCOPED_TRACE(wide);
        Bytes program = Program(r.bytes, wide);
        const Bytes image = Pattern(744, 9);
        EXPECT_EQ(Refused(program, 1, Pattern(743, 9)), Err::IconSmaller);
        EXPECT_EQ(Refused(program, 1, Pattern(745, 9)), Err::IconLarger);
        EXPECT_EQ(Refused(program, 3, Pattern(296, 9)), Err::IconIndexInvalid);
        EXPECT_EQ(Refused(program, 0, Pattern(296, 9)), Err::IconIndexInvalid);
        const Bytes before = program;
        EXPECT_EQ(Write(program, 1, image), 0);
        EXPECT_TRUE(std::equal(image.begin(), image.end(), program.begin() + kRsrcRaw + r.data[0]));
        EXPECT_EQ(Write(program, 2, Pattern(296, 8)), 0);
        // Nothing else changed.
        Bytes expected = before;
        std::copy(image.begin(), image.end(), expected.begin() + kRsrcRaw + r.data[0]);
        const Bytes second = Pattern(296, 8);
        std::copy(second.begin(), second.end(), expected.begin() + kRsrcRaw + r.data[1]);
        EXPECT_EQ(program, expected);
    }
    EXPECT_EQ(Refused(Program(Bytes(), false), 1, Pattern(744, 9)), Err::IconNoResources);
    // Resources without icons.
    Resources other = IconResources({744});
    Put32(other.bytes, 16, 10);
    EXPECT_EQ(Refused(Program(other.bytes, false), 1, Pattern(744, 9)), Err::IconNoIcons);
}

TEST_F(IconWrite, NeTakesASmallerImageOverItsStart) {
    NeProgram p = Ne({744, 296});
    const Bytes before = p.bytes;
    EXPECT_EQ(Refused(p.bytes, 2, Pattern(305, 3)), Err::IconLarger);
    EXPECT_EQ(Refused(p.bytes, 3, Pattern(100, 3)), Err::IconIndexInvalid);
    const Bytes image = Pattern(100, 3);
    EXPECT_EQ(Write(p.bytes, 2, image), 0);
    Bytes expected = before;
    std::copy(image.begin(), image.end(), expected.begin() + p.data[1]);
    EXPECT_EQ(p.bytes, expected);
    Bytes no_icons = before;
    Put16(no_icons, p.table + 2, 0x800E);
    EXPECT_EQ(Refused(no_icons, 1, image), Err::IconNoIcons);
}

TEST_F(IconWrite, DamagedProgramsAreLeftAlone) {
    const Resources r = IconResources({744, 296});
    const Bytes sound = Program(r.bytes, false);
    const Bytes image = Pattern(744, 9);
    // The first icon's data in the code section, or running past the
    // resource section: a write there would overwrite code or grow the file.
    Bytes outside = sound;
    Put32(outside, kRsrcRaw + r.data_entries[0], kTextRva + 16);
    EXPECT_EQ(Refused(outside, 1, image), Err::IconExeInvalid);
    Bytes overrun = sound;
    Put32(overrun, kRsrcRaw + r.data_entries[1], kRsrcRva + r.data[1] + 8);
    Put32(overrun, kRsrcRaw + r.data_entries[1] + 4, 744);
    EXPECT_EQ(Refused(overrun, 2, image), Err::IconExeInvalid);
    Bytes loop = sound;
    Put32(loop, kRsrcRaw + r.names_entries + 4, 0x80000000u | r.type_dir);
    EXPECT_EQ(Refused(loop, 1, image), Err::IconExeInvalid);
    // The second icon lies in the padding after the section's size in
    // memory, which is never loaded.
    Bytes padding = sound;
    Put32(padding, 0x58 + 224 + 40 + 8, r.data[1]);
    EXPECT_EQ(Refused(padding, 2, Pattern(296, 9)), Err::IconExeInvalid);
    EXPECT_EQ(Write(padding, 1, image), 0);
    NeProgram ne = Ne({744, 296});
    Put16(ne.bytes, ne.table + 10 + 12, 0xF000);
    EXPECT_EQ(Refused(ne.bytes, 2, Pattern(296, 9)), Err::IconExeInvalid);
    // Not a program of either kind.
    Bytes le = ne.bytes;
    le[0x40] = 'L';
    EXPECT_EQ(Refused(le, 1, image), Err::IconNotWindows);
    Bytes dos = ne.bytes;
    Put32(dos, 60, 0);
    EXPECT_EQ(Refused(dos, 1, image), Err::IconExeUnrecognised);
    EXPECT_EQ(Refused(Bytes(40, 'M'), 1, image), Err::IconExeUnrecognised);
}

TEST_F(IconWrite, AFailedWriteIsNoReplacement) {
    const Resources r = IconResources({744});
    Bytes program = Program(r.bytes, true);
    EXPECT_EQ(Write(program, 1, Pattern(744, 9), true), Err::IconExeInvalid);
}

TEST(IconReplaceControl, ArgumentsAreCheckedInOrder) {
    test::HandlerRig rig;
    const KeywordEntry* row = FindBuiltinKeyword("intcontrol");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(
        rig.Call(kIntControlModule, row->id, {37, "nowhere.exe", "nowhere.ico", "0", ""}).error,
        Err::IconIndexInvalid);
    EXPECT_EQ(
        rig.Call(kIntControlModule, row->id, {37, "nowhere.exe", "nowhere.ico", "1", ""}).error,
        Err::IconExeMissing);
}

} // namespace
} // namespace jol
