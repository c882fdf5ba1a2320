// The registry contract of both backends: keys and values of every type,
// the errors a caller tests, and (native backend) the store that keeps
// them between processes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/registry.h"
#include "platform/system_errors.h"
#include "tests/unit/test_support.h"

namespace {

namespace err = plat::err;
namespace regtype = plat::regtype;

// A key of the user's own for one test, removed at the end.
class TestKey {
public:
    TestKey() {
        name_ = "Software\\JolTests\\K" +
                std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    }
    ~TestKey() {
        const plat::RegKey user = plat::reg_root(plat::RegRoot::CurrentUser);
        for (const char* sub : {"\\Child\\Grandchild", "\\Child", "\\zz", "\\Ab", "\\_u", ""})
            plat::reg_delete_key(user, (name_ + sub).c_str());
        plat::reg_delete_key(user, "Software\\JolTests"); // unless another test uses it
    }
    TestKey(const TestKey&) = delete;
    TestKey& operator=(const TestKey&) = delete;
    const std::string& name() const { return name_; }

private:
    std::string name_;
};

TEST(PlatformRegistry, ValuesOfEveryTypeReadBack) {
    test::TempHome home;
    TestKey key;
    const plat::RegKey user = plat::reg_root(plat::RegRoot::CurrentUser);
    ASSERT_NE(user, 0u);
    plat::RegKey k = 0;
    ASSERT_EQ(plat::reg_create_key(user, key.name().c_str(), &k), err::Success);
    ASSERT_NE(k, 0u);

    const std::uint32_t number = 0x12345678;
    const char binary[] = {'\0', '\1', '\2', '\377'};
    const char multi[] = "one\0two\0";
    ASSERT_EQ(plat::reg_set_value(k, "Text", regtype::String, "hello", 6), err::Success);
    ASSERT_EQ(plat::reg_set_value(k, "Path", regtype::ExpandString, "%TEMP%", 7), err::Success);
    ASSERT_EQ(plat::reg_set_value(k, "Number", regtype::Dword, &number, 4), err::Success);
    ASSERT_EQ(plat::reg_set_value(k, "Bytes", regtype::Binary, binary, 4), err::Success);
    ASSERT_EQ(plat::reg_set_value(k, "List", regtype::MultiString, multi, sizeof multi),
              err::Success);
    ASSERT_EQ(plat::reg_set_value(k, "", regtype::String, "default", 8), err::Success);
    EXPECT_EQ(plat::reg_close(k), err::Success);

    // A key opened again, its name in other letters, reads every value back.
    ASSERT_EQ(plat::reg_open_key(user, key.name().c_str(), false, &k), err::Success);
    struct Want {
        const char* name;
        std::uint32_t type;
        std::string bytes;
    };
    const Want wants[] = {
        {"TEXT", regtype::String, std::string("hello", 6)},
        {"path", regtype::ExpandString, std::string("%TEMP%", 7)},
        {"Number", regtype::Dword, std::string(reinterpret_cast<const char*>(&number), 4)},
        {"Bytes", regtype::Binary, std::string(binary, 4)},
        {"List", regtype::MultiString, std::string(multi, sizeof multi)},
        {"", regtype::String, std::string("default", 8)},
    };
    for (const Want& w : wants) {
        SCOPED_TRACE(w.name);
        char data[64] = {};
        std::uint32_t type = 0, size = sizeof data;
        ASSERT_EQ(plat::reg_query_value(k, w.name, &type, data, &size), err::Success);
        EXPECT_EQ(type, w.type);
        EXPECT_EQ(std::string(data, size), w.bytes);
        // Without a buffer the size is told; a buffer too small says how
        // much is needed.
        size = 0;
        type = 0;
        ASSERT_EQ(plat::reg_query_value(k, w.name, &type, nullptr, &size), err::Success);
        EXPECT_EQ(size, w.bytes.size());
        EXPECT_EQ(type, w.type);
        char small[2];
        size = sizeof small;
        EXPECT_EQ(plat::reg_query_value(k, w.name, &type, small, &size), err::MoreData);
        EXPECT_EQ(size, w.bytes.size());
    }
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(plat::reg_query_value(k, "Missing", &type, nullptr, &size), err::FileNotFound);
    // A key opened for reading takes no values.
    EXPECT_EQ(plat::reg_set_value(k, "Text", regtype::String, "x", 2), err::AccessDenied);
    EXPECT_EQ(plat::reg_delete_value(k, "Text"), err::AccessDenied);
    plat::reg_close(k);

    ASSERT_EQ(plat::reg_open_key(user, key.name().c_str(), true, &k), err::Success);
    EXPECT_EQ(plat::reg_delete_value(k, "Text"), err::Success);
    EXPECT_EQ(plat::reg_query_value(k, "Text", &type, nullptr, &size), err::FileNotFound);
    EXPECT_EQ(plat::reg_delete_value(k, "Text"), err::FileNotFound);
    plat::reg_close(k);
}

// A root holds values of its own, as any key does, and lists them.
TEST(PlatformRegistry, ValuesOnARoot) {
    test::TempHome home;
    const plat::RegKey user = plat::reg_root(plat::RegRoot::CurrentUser);
    const std::string name =
        "JolRootValue" +
        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    ASSERT_EQ(plat::reg_set_value(user, name.c_str(), regtype::String, "on the root", 12),
              err::Success);
    char out[32] = {};
    std::uint32_t type = 0, size = sizeof out;
    EXPECT_EQ(plat::reg_query_value(user, name.c_str(), &type, out, &size), err::Success);
    EXPECT_EQ(type, regtype::String);
    EXPECT_STREQ(out, "on the root");
    bool listed = false;
    for (std::uint32_t i = 0;; ++i) {
        char n[256];
        std::uint32_t nsize = sizeof n;
        const std::uint32_t rc = plat::reg_enum_value(user, i, n, &nsize);
        if (rc == err::NoMoreItems) break;
        ASSERT_EQ(rc, err::Success);
        listed = listed || name == n;
    }
    EXPECT_TRUE(listed);
    EXPECT_EQ(plat::reg_delete_value(user, name.c_str()), err::Success);
    size = sizeof out;
    EXPECT_EQ(plat::reg_query_value(user, name.c_str(), &type, out, &size), err::FileNotFound);
}

TEST(PlatformRegistry, KeysAreMadeAlongThePathAndDeletedLeafFirst) {
    test::TempHome home;
    TestKey key;
    const plat::RegKey user = plat::reg_root(plat::RegRoot::CurrentUser);
    plat::RegKey k = 0;
    const std::string deep = key.name() + "\\Child\\Grandchild";
    EXPECT_EQ(plat::reg_open_key(user, deep.c_str(), false, &k), err::FileNotFound);
    EXPECT_EQ(k, 0u);
    ASSERT_EQ(plat::reg_create_key(user, deep.c_str(), &k), err::Success);
    plat::reg_close(k);
    // Creating an existing key opens it.
    ASSERT_EQ(plat::reg_create_key(user, deep.c_str(), &k), err::Success);
    plat::reg_close(k);
    ASSERT_EQ(plat::reg_open_key(user, (key.name() + "\\child").c_str(), false, &k), err::Success);
    plat::reg_close(k);

    // A key with subkeys stays; a leaf goes.
    EXPECT_NE(plat::reg_delete_key(user, (key.name() + "\\Child").c_str()), err::Success);
    EXPECT_EQ(plat::reg_delete_key(user, deep.c_str()), err::Success);
    EXPECT_EQ(plat::reg_open_key(user, deep.c_str(), false, &k), err::FileNotFound);
    EXPECT_EQ(plat::reg_delete_key(user, (key.name() + "\\Child").c_str()), err::Success);
    EXPECT_EQ(plat::reg_delete_key(user, (key.name() + "\\Child").c_str()), err::FileNotFound);
}

// The names of a key's subkeys (or values) by index, until no more.
std::string Names(plat::RegKey k, bool values, std::uint32_t* last_rc) {
    std::string list;
    for (std::uint32_t i = 0;; ++i) {
        char name[64];
        std::uint32_t size = sizeof name;
        std::uint32_t rc = values ? plat::reg_enum_value(k, i, name, &size)
                                  : plat::reg_enum_key(k, i, name, &size);
        if (rc != err::Success) {
            *last_rc = rc;
            return list;
        }
        list += std::string(name, size) + "|";
    }
}

TEST(PlatformRegistry, EnumerationInNameOrderEndsWithNoMoreItems) {
    test::TempHome home;
    TestKey key;
    const plat::RegKey user = plat::reg_root(plat::RegRoot::CurrentUser);
    plat::RegKey k = 0, c = 0;
    ASSERT_EQ(plat::reg_create_key(user, key.name().c_str(), &k), err::Success);
    std::uint32_t rc = 0;
    EXPECT_EQ(Names(k, false, &rc), "");
    EXPECT_EQ(rc, err::NoMoreItems);
    for (const char* sub : {"zz", "Ab", "_u", "Child"}) {
        ASSERT_EQ(plat::reg_create_key(k, sub, &c), err::Success);
        plat::reg_close(c);
    }
    ASSERT_EQ(plat::reg_create_key(k, "Child\\Grandchild", &c), err::Success);
    plat::reg_close(c);
    // Subkeys in case-insensitive order, the grandchild not among them.
    EXPECT_EQ(Names(k, false, &rc), "_u|Ab|Child|zz|");
    EXPECT_EQ(rc, err::NoMoreItems);
    // A name that does not fit is more data, not the end of the list.
    char small[2];
    std::uint32_t size = sizeof small;
    EXPECT_EQ(plat::reg_enum_key(k, 1, small, &size), err::MoreData);

    const std::uint32_t one = 1;
    for (const char* v : {"zeta", "Alpha", "_under"})
        ASSERT_EQ(plat::reg_set_value(k, v, regtype::Dword, &one, 4), err::Success);
    ASSERT_EQ(plat::reg_set_value(k, "", regtype::String, "d", 2), err::Success);
    // Every value once, the default one with an empty name.
    std::string values = Names(k, true, &rc);
    EXPECT_EQ(rc, err::NoMoreItems);
    for (const char* v : {"|", "zeta|", "Alpha|", "_under|"})
        EXPECT_NE(("|" + values).find(std::string("|") + v), std::string::npos) << values;
    EXPECT_EQ(values.size(), std::string("|zeta|Alpha|_under|").size());

    plat::RegKeyInfo info;
    ASSERT_EQ(plat::reg_query_info(k, &info), err::Success);
    EXPECT_EQ(info.subkeys, 4u);
    EXPECT_EQ(info.longest_subkey, 5u);
    EXPECT_EQ(info.values, 4u);
    EXPECT_EQ(info.longest_value_name, 6u);

    // Deleting: a key with subkeys stays, a missing value is not found.
    EXPECT_NE(plat::reg_delete_key(k, "Child"), err::Success);
    EXPECT_EQ(plat::reg_delete_value(k, "nothere"), err::FileNotFound);
    EXPECT_EQ(plat::reg_delete_key(k, "Child\\Grandchild"), err::Success);
    for (const char* sub : {"zz", "Ab", "_u", "Child"})
        EXPECT_EQ(plat::reg_delete_key(k, sub), err::Success) << sub;
    EXPECT_EQ(Names(k, false, &rc), "");
    EXPECT_EQ(rc, err::NoMoreItems);
    plat::reg_close(k);
}

TEST(PlatformRegistry, TheLocalRegistryThroughConnect) {
    test::TempHome home;
    TestKey key;
    const plat::RegKey user = plat::reg_root(plat::RegRoot::CurrentUser);
    plat::RegKey k = 0, remote = 0;
    ASSERT_EQ(plat::reg_create_key(user, key.name().c_str(), &k), err::Success);
    ASSERT_EQ(plat::reg_set_value(k, "v", regtype::String, "local", 6), err::Success);
    plat::reg_close(k);
    ASSERT_EQ(plat::reg_connect("", user, &remote), err::Success);
    ASSERT_EQ(plat::reg_open_key(remote, key.name().c_str(), false, &k), err::Success);
    char data[16] = {};
    std::uint32_t type = 0, size = sizeof data;
    EXPECT_EQ(plat::reg_query_value(k, "v", &type, data, &size), err::Success);
    EXPECT_STREQ(data, "local");
    plat::reg_close(k);
    plat::reg_close(remote);
#if !defined(_WIN32)
    // No remote registry service to reach.
    EXPECT_EQ(plat::reg_connect("\\\\elsewhere", user, &remote), err::DllInitFailed);
    EXPECT_EQ(remote, 0u);
#endif
}

#if !defined(_WIN32)
std::uint32_t Query(plat::RegKey k, const char* name, std::string* out) {
    char buf[256];
    std::uint32_t type = 0, size = sizeof buf;
    std::uint32_t rc = plat::reg_query_value(k, name, &type, buf, &size);
    if (rc == plat::err::Success) out->assign(buf, size ? size - 1 : 0);
    return rc;
}

TEST(PlatformRegistry, NativeValuesPersistAndCorruptStoresAreSetAside) {
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
#endif

} // namespace
