// The module contract of both backends: loading a library, its entry
// points and names, the running program's module, the search path.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/modules.h"
#include "platform/system.h"

namespace {

namespace fs = std::filesystem;

// The sample extender that the build puts beside the tests, as the program
// under test names it (Wine reaches the Unix root as drive Z:).
std::string SampleLibrary() {
    std::string path = JOL_SAMPLE_EXTENDER;
#if defined(_WIN32)
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
#endif
    return path;
}

// The same file, whatever form its name takes.
bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(fs::path(a), fs::path(b), ec);
}

int LocalFunction() {
    return 7;
}

TEST(PlatformModules, LoadsALibraryFindsItsEntryAndNamesIt) {
    plat::Module m = plat::load_library(SampleLibrary().c_str());
    ASSERT_NE(m, 0u) << SampleLibrary();
    // The extender's entry, under its plain name on these builds.
    EXPECT_NE(plat::get_proc_address(m, "JOLExtender"), nullptr);
    EXPECT_EQ(plat::get_proc_address(m, "NoSuchEntry"), nullptr);
    EXPECT_EQ(plat::get_proc_address(0, "JOLExtender"), nullptr);
    char name[4096];
    ASSERT_GT(plat::module_file_name(m, name, sizeof name), 0u);
    EXPECT_TRUE(SameFile(name, JOL_SAMPLE_EXTENDER)) << name;
    // A name that does not fit gives nothing, not a cut name.
    char small[4];
    EXPECT_EQ(plat::module_file_name(m, small, sizeof small), 0u);
    EXPECT_TRUE(plat::free_library(m));
    EXPECT_FALSE(plat::free_library(0));
}

TEST(PlatformModules, MissingLibrariesFailQuietlyWhenAsked) {
    const bool before = plat::suppress_error_boxes(true);
    plat::set_last_error(0);
    EXPECT_EQ(plat::load_library("no-such-library-jol.dll"), 0u);
    EXPECT_NE(plat::get_last_error(), 0u);
    EXPECT_EQ(plat::load_library(""), 0u);
    EXPECT_EQ(plat::module_handle("no-such-library-jol.dll"), 0u);
    EXPECT_EQ(plat::module_handle(""), 0u);
    EXPECT_TRUE(plat::suppress_error_boxes(before));
}

TEST(PlatformModules, TheRunningProgram) {
    char exe[4096];
    ASSERT_GT(plat::executable_path(exe, sizeof exe), 0u);
    EXPECT_TRUE(fs::is_regular_file(exe)) << exe;
    // The unit tests are one program: its code lies in the program's own
    // module, whose name is the program's.
    const plat::Module self =
        plat::module_of_address(reinterpret_cast<const void*>(&LocalFunction));
    ASSERT_NE(self, 0u);
    char name[4096];
    ASSERT_GT(plat::module_file_name(self, name, sizeof name), 0u);
    EXPECT_TRUE(SameFile(name, exe)) << name << " / " << exe;
    ASSERT_GT(plat::module_file_name(0, name, sizeof name), 0u);
    EXPECT_TRUE(SameFile(name, exe)) << name;
    char small[4];
    EXPECT_EQ(plat::executable_path(small, sizeof small), 0u);
    EXPECT_EQ(small[0], 0);
}

TEST(PlatformModules, SearchPathFindsFilesAlongThePath) {
    EXPECT_FALSE(plat::search_path("no-such-file-jol.xyz", nullptr, 0));
    // The running program's folder is searched by both systems only by way
    // of the current folder or the PATH; the sample library is looked for
    // from its own folder.
    const fs::path library = JOL_SAMPLE_EXTENDER;
    const fs::path saved = fs::current_path();
    fs::current_path(library.parent_path());
    char found[4096] = {};
    const bool ok = plat::search_path(library.filename().string().c_str(), found, sizeof found);
    fs::current_path(saved);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(SameFile(found, library.string())) << found;
}

} // namespace
