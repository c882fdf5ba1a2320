// The installer contract: where a file goes and where its copy is
// (both backends), and (native backend, whose version reader the test
// supplies) installing with versions compared, temporary copies and the
// old copy's removal. The Win32 backend has the system read versions from
// version resources, which the test files here do not have.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/install.h"
#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;

std::string WinName(const fs::path& p) {
    return test::DriveName(p.string());
}

class PlatformInstall : public ::testing::Test {
protected:
    void SetUp() override { dir_ = folder_.path(); }
    void Write(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }
    test::TempFolder folder_;
    fs::path dir_;
};

TEST_F(PlatformInstall, FindInstallFileLooksWhereCopiesAre) {
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
#if defined(_WIN32)
    // Wine differs in two ways: a file that has no copy anywhere counts as
    // one that is not where it should go (CurNeDest), and Wine looks for a
    // copy in its own Windows folder, never in the one given.
    EXPECT_EQ(find(0, 512, &cur, &dest) & ~plat::vff::CurNeDest, 0u);
    EXPECT_EQ(cur, "");
    EXPECT_EQ(dest, app);
#else
    EXPECT_EQ(find(0, 512, &cur, &dest), 0u);
    EXPECT_EQ(cur, "");
    EXPECT_EQ(dest, app);
    Write(dir_ / "win" / "t", "x");
    EXPECT_EQ(find(0, 512, &cur, &dest), plat::vff::CurNeDest);
    EXPECT_EQ(cur, win);
#endif
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

#if !defined(_WIN32)
using PlatformInstallNative = PlatformInstall;

std::string Contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::size_t Entries(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
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

TEST_F(PlatformInstallNative, InstallKeepsTheExistingCopyOnFailure) {
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

TEST_F(PlatformInstallNative, InstallComparesVersions) {
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

TEST_F(PlatformInstallNative, InstallDeletesTheOldCopyOnlyElsewhere) {
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
#endif

} // namespace
