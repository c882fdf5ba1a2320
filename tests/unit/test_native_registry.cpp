// The native backend's persistent registry store.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/registry.h"
#include "platform/system_errors.h"
#include "tests/unit/test_support.h"

namespace {

std::uint32_t Query(plat::RegKey k, const char* name, std::string* out) {
    char buf[256];
    std::uint32_t type = 0, size = sizeof buf;
    std::uint32_t rc = plat::reg_query_value(k, name, &type, buf, &size);
    if (rc == plat::err::Success) out->assign(buf, size ? size - 1 : 0);
    return rc;
}

TEST(NativeRegistry, ValuesPersistAndCorruptStoresAreSetAside) {
    test::TempHome home;
    plat::RegKey root = plat::reg_root(plat::RegRoot::LocalMachine);
    plat::RegKey k = 0;
    ASSERT_EQ(plat::reg_create_key(root, "Software\\Test\\Deep", &k), 0u);
    ASSERT_EQ(plat::reg_set_value(k, "Name", plat::regtype::String, "value\nwith line", 16), 0u);
    plat::reg_close(k);

    // The store lives in a file: a new key handle (as in a new process)
    // sees the value, whatever the letter case of the path.
    ASSERT_TRUE(std::filesystem::exists(home.path() + "/registry.dat"));
    ASSERT_EQ(plat::reg_open_key(root, "SOFTWARE\\test\\deep", false, &k), 0u);
    std::string v;
    EXPECT_EQ(Query(k, "name", &v), 0u);
    EXPECT_EQ(v, "value\nwith line");
    EXPECT_EQ(Query(k, "Other", &v), plat::err::FileNotFound);
    char small[4];
    std::uint32_t type = 0, size = sizeof small;
    EXPECT_EQ(plat::reg_query_value(k, "Name", &type, small, &size), plat::err::MoreData);
    EXPECT_EQ(size, 16u);
    plat::reg_close(k);

    // A key with subkeys is not deleted; a leaf key is.
    EXPECT_NE(plat::reg_delete_key(root, "Software\\Test"), 0u);
    EXPECT_EQ(plat::reg_delete_key(root, "Software\\Test\\Deep"), 0u);
    EXPECT_EQ(plat::reg_open_key(root, "Software\\Test\\Deep", false, &k), plat::err::FileNotFound);

    // A damaged file is moved aside, not read as a half store nor deleted.
    {
        std::ofstream f(home.path() + "/registry.dat", std::ios::trunc);
        f << "JOLREG 1\nK garbage";
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(plat::reg_open_key(root, "Software\\Test", false, &k), plat::err::FileNotFound);
    testing::internal::GetCapturedStderr();
    bool set_aside = false;
    for (const auto& e : std::filesystem::directory_iterator(home.path()))
        if (e.path().filename().string().rfind("registry.dat.corrupt-", 0) == 0) set_aside = true;
    EXPECT_TRUE(set_aside);
    ASSERT_EQ(plat::reg_create_key(root, "Software\\Again", &k), 0u);
    plat::reg_close(k);
}

} // namespace

#endif
