// The program-file reader (executable kinds, version resources of images
// built here in memory, damaged images, the fixed part), the target mask,
// the room check of FileItemize, and the native backend's file copies,
// moves and installs.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data_handler_rig.h"
#include "lang/keyword_table.h"
#include "lib/data/directories.h"
#include "lib/data/file_names.h"
#include "lib/data/pe_image.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/install.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
    if (b.size() < at + 2) b.resize(at + 2);
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

void Pad4(Bytes& b) {
    while (b.size() % 4)
        b.push_back(0);
}

// One block of a version resource: length, value length, type, key, value,
// children.
Bytes Block(const std::string& key, const Bytes& value, bool text, const Bytes& children) {
    Bytes b(6, 0);
    for (char c : key) {
        b.push_back(static_cast<unsigned char>(c));
        b.push_back(0);
    }
    b.push_back(0);
    b.push_back(0);
    Pad4(b);
    b.insert(b.end(), value.begin(), value.end());
    if (!children.empty()) {
        Pad4(b);
        b.insert(b.end(), children.begin(), children.end());
    }
    Put16(b, 0, static_cast<std::uint32_t>(b.size()));
    Put16(b, 2, static_cast<std::uint32_t>(text ? value.size() / 2 : value.size()));
    Put16(b, 4, text ? 1 : 0);
    return b;
}

Bytes Text(const std::string& s) {
    Bytes b;
    for (char c : s) {
        b.push_back(static_cast<unsigned char>(c));
        b.push_back(0);
    }
    b.push_back(0);
    b.push_back(0);
    return b;
}

Bytes VersionBlock() {
    Bytes strings;
    for (auto [k, v] : {std::pair<const char*, const char*>{"CompanyName", "Corvane Test"},
                        {"FileVersion", "1.2.3.4"}}) {
        Bytes s = Block(k, Text(v), true, {});
        Pad4(s);
        strings.insert(strings.end(), s.begin(), s.end());
    }
    Bytes table = Block("040904E4", {}, true, strings);
    Pad4(table);
    Bytes info = Block("StringFileInfo", {}, true, table);
    Pad4(info);
    Bytes fixed(52, 0);
    Put32(fixed, 0, 0xFEEF04BD);
    return Block("VS_VERSION_INFO", fixed, false, info);
}

// A 32-bit program with one resource section holding the version block.
Bytes Program(const Bytes& version) {
    Bytes rsrc(0x58, 0);
    Put16(rsrc, 14, 1);
    Put32(rsrc, 16, 16);
    Put32(rsrc, 20, 0x80000018);
    Put16(rsrc, 0x18 + 14, 1);
    Put32(rsrc, 0x28, 1);
    Put32(rsrc, 0x2C, 0x80000030);
    Put16(rsrc, 0x30 + 14, 1);
    Put32(rsrc, 0x40, 0x409);
    Put32(rsrc, 0x44, 0x48);
    Put32(rsrc, 0x48, 0x1000 + 0x58);
    Put32(rsrc, 0x4C, static_cast<std::uint32_t>(version.size()));
    rsrc.insert(rsrc.end(), version.begin(), version.end());
    Bytes img(0x200, 0);
    img[0] = 'M';
    img[1] = 'Z';
    Put16(img, 24, 0x40);
    Put32(img, 60, 0x40);
    std::memcpy(&img[0x40], "PE\0\0", 4);
    Put16(img, 0x44, 0x14C);
    Put16(img, 0x46, 1);
    Put16(img, 0x54, 224);
    Put16(img, 0x58, 0x10B);
    Put32(img, 0x58 + 92, 16);
    Put32(img, 0x58 + 96 + 16, 0x1000);
    Put32(img, 0x58 + 96 + 20, static_cast<std::uint32_t>(rsrc.size()));
    const std::size_t s = 0x58 + 224;
    std::memcpy(&img[s], ".rsrc", 5);
    Put32(img, s + 8, static_cast<std::uint32_t>(rsrc.size()));
    Put32(img, s + 12, 0x1000);
    Put32(img, s + 16, static_cast<std::uint32_t>(rsrc.size()));
    Put32(img, s + 20, 0x200);
    img.insert(img.end(), rsrc.begin(), rsrc.end());
    return img;
}

jol::ImageSource Source(Bytes& b) {
    return jol::ImageSource{jol::ReadFromMemory, &b};
}

std::string Query(const Bytes& resource, const char* path) {
    std::u16string w;
    if (!jol::QueryVersionValue(resource, path, &w)) return "<none>";
    return std::string(w.begin(), w.end());
}

TEST(ExecutableType, Kinds) {
    Bytes text(100, 'x');
    EXPECT_EQ(jol::ExecutableType(Source(text), nullptr), 0);
    Bytes dos(64, 0);
    dos[0] = 'M';
    dos[1] = 'Z';
    Put16(dos, 24, 0x1C);
    EXPECT_EQ(jol::ExecutableType(Source(dos), nullptr), 1);
    // The new header lies past the end of the file.
    Put16(dos, 24, 0x40);
    Put32(dos, 60, 0x1000);
    EXPECT_EQ(jol::ExecutableType(Source(dos), nullptr), 1);
    Bytes ne = dos;
    Put32(ne, 60, 64);
    ne.resize(128, 0);
    ne[64] = 'N';
    ne[65] = 'E';
    EXPECT_EQ(jol::ExecutableType(Source(ne), nullptr), 3);
    ne[64] = 'L';
    EXPECT_EQ(jol::ExecutableType(Source(ne), nullptr), 2);
    ne[64] = 'X';
    ne[65] = 'Y';
    std::uint16_t sig = 0;
    EXPECT_EQ(jol::ExecutableType(Source(ne), &sig), 99);
    EXPECT_EQ(sig, 'X' | ('Y' << 8));
    Bytes pe = Program(VersionBlock());
    EXPECT_EQ(jol::ExecutableType(Source(pe), nullptr), 10);
}

TEST(VersionResource, StringsByPath) {
    Bytes pe = Program(VersionBlock());
    Bytes resource;
    ASSERT_EQ(jol::ReadVersionResource(Source(pe), &resource), jol::VersionResource::Found);
    EXPECT_EQ(Query(resource, "\\StringFileInfo\\040904E4\\FileVersion"), "1.2.3.4");
    EXPECT_EQ(Query(resource, "\\stringfileinfo\\040904e4\\companyname"), "Corvane Test");
    EXPECT_EQ(Query(resource, "\\StringFileInfo\\040904B0\\FileVersion"), "<none>");
    EXPECT_EQ(Query(resource, "\\StringFileInfo\\040904E4\\Missing"), "<none>");
}

TEST(VersionResource, DamagedImagesAreRefused) {
    Bytes text(600, 'x');
    Bytes resource;
    EXPECT_EQ(jol::ReadVersionResource(Source(text), &resource), jol::VersionResource::Missing);
    // A resource whose size points past the section.
    Bytes pe = Program(VersionBlock());
    Bytes cut = pe;
    Put32(cut, 0x200 + 0x4C, 0x10000);
    EXPECT_EQ(jol::ReadVersionResource(Source(cut), &resource), jol::VersionResource::Missing);
    // One too large to take.
    Put32(cut, 0x200 + 0x4C, 0x7FFFFFFF);
    EXPECT_EQ(jol::ReadVersionResource(Source(cut), &resource), jol::VersionResource::TooLarge);
    // The file ends inside the resource section.
    cut = pe;
    cut.resize(0x220);
    EXPECT_EQ(jol::ReadVersionResource(Source(cut), &resource), jol::VersionResource::Missing);
    // Blocks whose lengths run past their parents give nothing, not a
    // read beyond the block.
    Bytes bad = VersionBlock();
    Put16(bad, 0, 0xFFFF);
    EXPECT_EQ(Query(bad, "\\StringFileInfo"), "<none>");
    Bytes inner = VersionBlock();
    Put16(inner, 92, 0xFFF0);
    EXPECT_EQ(Query(inner, "\\StringFileInfo\\040904E4\\FileVersion"), "<none>");
}

TEST(VersionResource, FixedPart) {
    Bytes block = VersionBlock();
    // The fixed part is the root block's value, after its key.
    constexpr std::size_t fixed = 40;
    Put32(block, fixed + 8, 0x00020001);
    Put32(block, fixed + 12, 0x00040003);
    Put32(block, fixed + 36, 2);
    Put32(block, fixed + 40, 7);
    jol::FixedFileInfo info;
    ASSERT_TRUE(jol::QueryFixedFileInfo(block, &info));
    EXPECT_EQ(info.file_version_ms, 0x00020001u);
    EXPECT_EQ(info.file_version_ls, 0x00040003u);
    EXPECT_EQ(info.file_type, 2u);
    EXPECT_EQ(info.file_subtype, 7u);
    // Without the signature, or with a value too short to hold the part,
    // there is none.
    Bytes unsigned_block = block;
    Put32(unsigned_block, fixed, 0);
    EXPECT_FALSE(jol::QueryFixedFileInfo(unsigned_block, &info));
    Bytes short_block = block;
    Put16(short_block, 2, 20);
    EXPECT_FALSE(jol::QueryFixedFileInfo(short_block, &info));
    EXPECT_FALSE(jol::QueryFixedFileInfo(Bytes(10, 0), &info));
}

std::string Map(const char* source, const char* target) {
    char mask[jol::kFullNameSize], out[jol::kFullNameSize];
    if (!jol::PrepareTargetMask(target, mask, sizeof mask)) return "<prepare>";
    if (!jol::MapTargetName(source, mask, out, sizeof out)) return "<map>";
    return out;
}

TEST(TargetMask, MapsRootAndExtension) {
    EXPECT_EQ(Map("c:\\x\\report.txt", "c:\\t\\*.bak"), "C:\\t\\report.bak");
    EXPECT_EQ(Map("xyz.doc", "c:\\t\\a?c.*"), "C:\\t\\ayc.doc");
    EXPECT_EQ(Map("report", "c:\\t\\*.*"), "C:\\t\\report");
    EXPECT_EQ(Map("a.b", "c:\\t\\*.?x?"), "C:\\t\\a.bx");
    EXPECT_EQ(Map("a.txt", "c:\\t\\new.dat"), "C:\\t\\new.dat");
    EXPECT_EQ(Map("a.txt", "c:\\t\\"), "C:\\t\\a.txt");
    EXPECT_EQ(Map("a.txt", "\\\\srv\\share\\*.old"), "\\\\srv\\share\\a.old");
}

TEST(TargetMask, LongResultsAreRefusedNotCut) {
    const std::string dir = "c:\\" + std::string(250, 'd') + "\\";
    EXPECT_EQ(Map(std::string(20, 'n').append(".txt").c_str(), (dir + "*.*").c_str()),
              "C" + dir.substr(1) + std::string(20, 'n') + ".txt");
    EXPECT_EQ(Map(std::string(30, 'n').append(".txt").c_str(), (dir + "*.*").c_str()), "<map>");
    EXPECT_EQ(Map("a.txt", (dir + std::string(30, 'x')).c_str()), "<prepare>");
    char out[jol::kFullNameSize] = "full";
    EXPECT_FALSE(jol::PrepareTargetMask((std::string(278, 'x') + "\\").c_str(), out, sizeof out));
    EXPECT_STREQ(out, "");
}

// Files of long names in a folder of their own, made current for the test.
class ItemizeFolder : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = fs::current_path();
        dir_ = fs::temp_directory_path() /
               ("jol_itemize_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
        for (int n = 100; n < 270; ++n)
            std::ofstream(Name(n)).put('x');
    }
    void TearDown() override {
        fs::current_path(saved_);
        fs::remove_all(dir_);
    }
    static std::string Name(int n) {
        return "p" + std::to_string(n) + std::string(187, 'x') + ".txt";
    }
    fs::path saved_, dir_;
};

TEST_F(ItemizeFolder, ListNeverPassesItsLimit) {
    const int id = jol::FindBuiltinKeyword("fileitemize")->id;
    std::string patterns;
    for (int n = 100; n < 270; ++n)
        patterns += "p" + std::to_string(n) + "*|";
    for (const std::string& arg : {std::string("p*"), patterns}) {
        test::HandlerRig rig;
        const test::HandlerResult r = rig.Call(jol::DirectoryHandlers, id, {arg});
        EXPECT_EQ(r.error, jol::dirherr::ListTooLong);
        ASSERT_TRUE(r.text);
        EXPECT_LE(r.s.size(), 32400u);
        EXPECT_GT(r.s.size(), 32400u - 196);
        // Every name in the list is whole.
        EXPECT_EQ(r.s.size() % (Name(100).size() + 1), 0u);
    }
}

#if !defined(_WIN32)
// The native backend's copies, moves and installs, with real files:
// Windows names of POSIX paths lie on drive C:, which is the POSIX root.
std::string WinName(const fs::path& p) {
    std::string s = "C:" + p.string();
    for (char& c : s)
        if (c == '/') c = '\\';
    return s;
}

std::string Contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Unique() {
    return std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}

std::size_t Entries(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

class NativeFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("jol_files_" + Unique());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    void Write(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }
    fs::path dir_;
};

TEST_F(NativeFiles, ReadOnlyTargetIsKeptWhole) {
    Write(dir_ / "a", "new bytes");
    Write(dir_ / "b", "old");
    fs::permissions(dir_ / "b", fs::perms::owner_read);
    EXPECT_FALSE(plat::copy_file(WinName(dir_ / "a").c_str(), WinName(dir_ / "b").c_str()));
    EXPECT_FALSE(plat::move_file_replace(WinName(dir_ / "a").c_str(), WinName(dir_ / "b").c_str()));
    EXPECT_EQ(Contents(dir_ / "b"), "old");
    EXPECT_EQ(Contents(dir_ / "a"), "new bytes");
    EXPECT_EQ(Entries(dir_), 2u); // no temporary copy left behind
}

TEST_F(NativeFiles, CopyReplacesAndKeepsTime) {
    Write(dir_ / "a", std::string(3 << 20, 'z'));
    Write(dir_ / "b", "old");
    const auto when = fs::file_time_type::clock::now() - std::chrono::hours(48);
    fs::last_write_time(dir_ / "a", when);
    ASSERT_TRUE(plat::copy_file(WinName(dir_ / "a").c_str(), WinName(dir_ / "b").c_str()));
    EXPECT_EQ(Contents(dir_ / "b"), Contents(dir_ / "a"));
    EXPECT_EQ(fs::last_write_time(dir_ / "b"), when);
    EXPECT_EQ(Entries(dir_), 2u);
    // A missing source leaves the target alone.
    EXPECT_FALSE(plat::copy_file(WinName(dir_ / "gone").c_str(), WinName(dir_ / "b").c_str()));
    EXPECT_EQ(fs::file_size(dir_ / "b"), 3u << 20);
}

// The version of a test file for the installer: its text "v" and a
// digit; other files have none.
bool DigitVersion(const char* path, plat::FixedFileVersion* out) {
    char posix[4096];
    if (!plat::system_path(path, posix, sizeof posix)) return false;
    const std::string text = Contents(posix);
    if (text.size() != 2 || text[0] != 'v') return false;
    out->version_ms = static_cast<std::uint32_t>(text[1] - '0');
    out->version_ls = 0;
    out->file_type = 1;
    return true;
}

struct Installed {
    std::uint32_t code;
    std::string temporary;
};

Installed Install(const fs::path& from, const fs::path& to, std::uint32_t flags,
                  const fs::path& cur = {}, std::size_t room = 64, const char* earlier = "") {
    char temporary[64] = {};
    std::snprintf(temporary, sizeof temporary, "%s", earlier);
    std::size_t size = room;
    const std::uint32_t code =
        plat::install_file(flags, from.filename().c_str(), to.filename().c_str(),
                           WinName(from.parent_path()).c_str(), WinName(to.parent_path()).c_str(),
                           cur.empty() ? "" : WinName(cur).c_str(), temporary, &size, DigitVersion);
    return {code, (code & plat::vif::TempFile) ? temporary : ""};
}

TEST_F(NativeFiles, InstallKeepsTheExistingCopyOnFailure) {
    Write(dir_ / "t", "v5");
    // A compressed source that ends before its announced length.
    const unsigned char szdd[] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33, 'A',
                                  0,   9,   0,   0,   0,    0x07, 'a',  'b',  'c'};
    std::ofstream(dir_ / "packed", std::ios::binary)
        .write(reinterpret_cast<const char*>(szdd), sizeof szdd);
    EXPECT_EQ(Install(dir_ / "packed", dir_ / "t", 0).code, plat::vif::CannotReadSrc);
    // An older source whose temporary name does not fit: its copy goes.
    Write(dir_ / "old", "v1");
    EXPECT_EQ(Install(dir_ / "old", dir_ / "t", 0, {}, 4).code,
              plat::vif::Mismatch | plat::vif::SrcOld | plat::vif::BuffTooSmall);
    // A target held open is not replaced, not even by force.
    Write(dir_ / "new", "v7");
    const plat::FileHandle held =
        plat::open_text_file(WinName(dir_ / "t").c_str(), plat::TextOpen::Read, 3);
    ASSERT_NE(held, 0u);
    EXPECT_EQ(Install(dir_ / "new", dir_ / "t", plat::viff::ForceInstall).code,
              plat::vif::CannotDelete | plat::vif::SharingViolation);
    plat::close_file(held);
    EXPECT_EQ(Contents(dir_ / "t"), "v5");
    EXPECT_EQ(Entries(dir_), 4u); // no temporary copy left behind
    // A missing source.
    EXPECT_EQ(Install(dir_ / "gone", dir_ / "t", 0).code, plat::vif::CannotReadSrc);
}

TEST_F(NativeFiles, InstallComparesVersions) {
    fs::create_directories(dir_ / "app");
    Write(dir_ / "app" / "t", "v5");
    Write(dir_ / "v3", "v3");
    Write(dir_ / "v9", "v9");
    Write(dir_ / "plain", "text");
    const Installed older = Install(dir_ / "v3", dir_ / "app" / "t", 0);
    EXPECT_EQ(older.code, plat::vif::Mismatch | plat::vif::SrcOld | plat::vif::TempFile);
    EXPECT_EQ(Contents(dir_ / "app" / older.temporary), "v3");
    const Installed none = Install(dir_ / "plain", dir_ / "app" / "t", 0);
    EXPECT_EQ(none.code, plat::vif::Mismatch | plat::vif::SrcOld | plat::vif::TempFile);
    EXPECT_NE(none.temporary, older.temporary);
    EXPECT_EQ(Contents(dir_ / "app" / "t"), "v5");
    // Forced with the temporary name of the earlier call, that copy is
    // installed (whatever the source holds now) and its name is gone.
    EXPECT_EQ(Install(dir_ / "v9", dir_ / "app" / "t", plat::viff::ForceInstall, {}, 64,
                      older.temporary.c_str())
                  .code,
              0u);
    EXPECT_EQ(Contents(dir_ / "app" / "t"), "v3");
    EXPECT_FALSE(fs::exists(dir_ / "app" / older.temporary));
    EXPECT_EQ(Install(dir_ / "v9", dir_ / "app" / "t", 0).code, 0u);
    EXPECT_EQ(Contents(dir_ / "app" / "t"), "v9");
    fs::remove(dir_ / "app" / none.temporary);
    EXPECT_EQ(Entries(dir_ / "app"), 1u);
}

TEST_F(NativeFiles, InstallDeletesTheOldCopyOnlyElsewhere) {
    fs::create_directories(dir_ / "app");
    fs::create_directories(dir_ / "win");
    Write(dir_ / "src", "new");
    Write(dir_ / "win" / "t", "old");
    // The old copy's folder named another way is the destination itself:
    // the new copy stays.
    Write(dir_ / "app" / "t", "app");
    EXPECT_EQ(Install(dir_ / "src", dir_ / "app" / "t", 0, dir_ / "win" / ".." / "app").code, 0u);
    EXPECT_EQ(Contents(dir_ / "app" / "t"), "new");
    EXPECT_EQ(
        Install(dir_ / "src", dir_ / "app" / "t", plat::viff::DontDeleteOld, dir_ / "win").code,
        0u);
    EXPECT_EQ(Contents(dir_ / "win" / "t"), "old");
    EXPECT_EQ(Install(dir_ / "src", dir_ / "app" / "t", 0, dir_ / "win").code, 0u);
    EXPECT_FALSE(fs::exists(dir_ / "win" / "t"));
    EXPECT_EQ(Contents(dir_ / "app" / "t"), "new");
    // A read-only old copy cannot be deleted; the new copy is in place.
    Write(dir_ / "win" / "t", "old");
    fs::permissions(dir_ / "win" / "t", fs::perms::owner_read);
    EXPECT_EQ(Install(dir_ / "src", dir_ / "app" / "t", 0, dir_ / "win").code,
              plat::vif::CannotDeleteCur | plat::vif::AccessViolation);
    EXPECT_EQ(Contents(dir_ / "win" / "t"), "old");
}

TEST_F(NativeFiles, FindInstallFileLooksWhereCopiesAre) {
    const std::string app = WinName(dir_ / "app"), win = WinName(dir_ / "win");
    fs::create_directories(dir_ / "app");
    fs::create_directories(dir_ / "win");
    auto find = [&](std::uint32_t flags, std::size_t room, std::string* cur, std::string* dest) {
        char c[512] = {}, d[512] = {};
        std::size_t cs = room, ds = room;
        const std::uint32_t r =
            plat::find_install_file(flags, "t", win.c_str(), app.c_str(), c, &cs, d, &ds);
        *cur = c;
        *dest = d;
        return r;
    };
    std::string cur, dest;
    EXPECT_EQ(find(0, 512, &cur, &dest), 0u);
    EXPECT_EQ(cur, "");
    EXPECT_EQ(dest, app);
    Write(dir_ / "win" / "t", "x");
    EXPECT_EQ(find(0, 512, &cur, &dest), plat::vff::CurNeDest);
    EXPECT_EQ(cur, win);
    Write(dir_ / "app" / "t", "x");
    EXPECT_EQ(find(0, 512, &cur, &dest), 0u);
    EXPECT_EQ(cur, app);
    // A shared file: the copy in the application's folder, the system
    // directory as the suggestion.
    char system[512];
    ASSERT_GT(plat::system_directory(system, sizeof system), 0u);
    EXPECT_EQ(find(plat::vff::IsSharedFile, 512, &cur, &dest), plat::vff::CurNeDest);
    EXPECT_EQ(cur, app);
    EXPECT_EQ(dest, system);
    // Buffers too small get what fits.
    EXPECT_EQ(find(0, 5, &cur, &dest), plat::vff::BuffTooSmall);
    EXPECT_EQ(dest, app.substr(0, 4));
}

TEST_F(NativeFiles, MoveBetweenFileSystems) {
    const fs::path shm = "/dev/shm";
    if (!fs::is_directory(shm)) GTEST_SKIP() << "no second file system";
    const fs::path source = shm / ("jol_move_" + Unique());
    Write(source, "travelling");
    Write(dir_ / "t", "old");
    const bool moved =
        plat::move_file_replace(WinName(source).c_str(), WinName(dir_ / "t").c_str());
    EXPECT_TRUE(moved);
    EXPECT_EQ(Contents(dir_ / "t"), "travelling");
    EXPECT_FALSE(fs::exists(source));
    EXPECT_EQ(Entries(dir_), 1u);
    fs::remove(source);
}
#endif

} // namespace
