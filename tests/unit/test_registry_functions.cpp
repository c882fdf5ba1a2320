// The registry functions: the text forms of values (bounded by the size
// the registry returns, never by a terminator), the key handles a context
// accepts and closes, values the functions did not write themselves, and
// hive files mounted, edited and written back.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "lib/data/registry_functions.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system_errors.h"
#include "tests/unit/data_handler_rig.h"
#include "tests/unit/test_support.h"

namespace {

using jol::Err;
using test::HandlerRig;

constexpr int kCurrentUser = -2147483647;
constexpr int kUsers = -2147483645;

namespace id {
constexpr int RegApp = 318;
constexpr int RegCloseKey = 319;
constexpr int RegConnect = 320;
constexpr int RegCreateKey = 321;
constexpr int RegDeleteKey = 322;
constexpr int RegLoadHive = 325;
constexpr int RegOpenKey = 326;
constexpr int RegQueryBin = 327;
constexpr int RegQueryDword = 328;
constexpr int RegQueryItem = 331;
constexpr int RegQueryKey = 332;
constexpr int RegQueryKeys = 333;
constexpr int RegQueryMulSz = 334;
constexpr int RegQueryValue = 335;
constexpr int RegSetBin = 336;
constexpr int RegSetDword = 337;
constexpr int RegSetMulSz = 340;
constexpr int RegSetValue = 341;
constexpr int RegUnloadHive = 342;
} // namespace id

int Code(Err e) {
    return static_cast<int>(e);
}

TEST(RegistryText, ValueNamesSplitAtTheFirstBracket) {
    std::string sub, value;
    EXPECT_EQ(jol::ParseRegValueName("", &sub, &value), Err::None);
    EXPECT_EQ(sub + "|" + value, "|");
    EXPECT_EQ(jol::ParseRegValueName("Software\\X[Ver]", &sub, &value), Err::None);
    EXPECT_EQ(sub + "|" + value, "Software\\X|Ver");
    EXPECT_EQ(jol::ParseRegValueName("Software\\X\\[a[b]]", &sub, &value), Err::None);
    EXPECT_EQ(sub + "|" + value, "Software\\X|a[b]");
    EXPECT_EQ(jol::ParseRegValueName("[v]", &sub, &value), Err::None);
    EXPECT_EQ(sub + "|" + value, "|v");
    EXPECT_EQ(jol::ParseRegValueName("Only\\Key", &sub, &value), Err::None);
    EXPECT_EQ(sub + "|" + value, "Only\\Key|");
    EXPECT_EQ(jol::ParseRegValueName("X[Ver", &sub, &value), Err::RegBadItem);
    EXPECT_EQ(jol::ParseRegValueName("X[", &sub, &value), Err::RegBadItem);
    // 256 bytes of subkey are allowed, with or without a value name.
    const std::string fits(256, 's'), over(257, 's');
    EXPECT_EQ(jol::ParseRegValueName((fits + "[v]").c_str(), &sub, &value), Err::None);
    EXPECT_EQ(jol::ParseRegValueName(fits.c_str(), &sub, &value), Err::None);
    EXPECT_EQ(jol::ParseRegValueName((over + "[v]").c_str(), &sub, &value), Err::RegSubkeyTooLong);
    EXPECT_EQ(jol::ParseRegValueName(over.c_str(), &sub, &value), Err::RegSubkeyTooLong);
}

TEST(RegistryText, ConversionsStopAtTheSizeOfTheData) {
    // Each buffer is exactly as long as the data, without a terminator:
    // the address sanitizer catches a read past it.
    auto exact = [](const std::string& bytes) {
        char* p = new char[bytes.size()];
        std::memcpy(p, bytes.data(), bytes.size());
        return p;
    };
    char* text = exact("abcd");
    EXPECT_EQ(jol::RegTextOf(text, 4), "abcd");
    EXPECT_EQ(jol::RegTextOf(text, 2), "ab");
    delete[] text;
    char* multi = exact(std::string("one\0two", 7)); // no final zeros
    EXPECT_EQ(jol::RegMultiText(multi, 7, '|'), "one|two");
    delete[] multi;
    char* ended = exact(std::string("a\0b\0\0c\0\0", 8)); // c follows the end
    EXPECT_EQ(jol::RegMultiText(ended, 8, ','), "a,b");
    delete[] ended;
    EXPECT_EQ(jol::RegMultiText("", 0, ','), "");

    const unsigned char bin[3] = {0x0A, 0xFF, 0x10};
    EXPECT_EQ(jol::RegBinaryText(bin, 3), "0A FF 10");
    EXPECT_EQ(jol::RegBinaryText(bin, 0), "");

    std::string n;
    const unsigned char le[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(jol::RegNumberText(le, 4, false, &n));
    EXPECT_EQ(n, "-1");
    const unsigned char be[4] = {0x00, 0x00, 0x01, 0x02};
    EXPECT_TRUE(jol::RegNumberText(be, 4, true, &n));
    EXPECT_EQ(n, "258");
    // A number of any other size is no number.
    EXPECT_FALSE(jol::RegNumberText(le, 2, false, &n));
    EXPECT_FALSE(jol::RegNumberText(le, 3, true, &n));
}

TEST(RegistryText, TextsTheSetFunctionsAccept) {
    std::string bytes;
    EXPECT_TRUE(jol::RegParseBinary("0a ff  10", &bytes));
    EXPECT_EQ(bytes, "\x0A\xFF\x10");
    EXPECT_TRUE(jol::RegParseBinary("\t 00\t7f \t", &bytes));
    EXPECT_EQ(bytes, std::string("\x00\x7F", 2));
    EXPECT_TRUE(jol::RegParseBinary("", &bytes));
    EXPECT_EQ(bytes, "");
    for (const char* bad : {"0a f", "0a1", "0g", "a", "0a,ff"})
        EXPECT_FALSE(jol::RegParseBinary(bad, &bytes)) << bad;

    std::uint32_t v = 7;
    EXPECT_TRUE(jol::RegParseNumber("", &v));
    EXPECT_EQ(v, 0u);
    EXPECT_TRUE(jol::RegParseNumber(" -1 ", &v));
    EXPECT_EQ(v, 0xFFFFFFFFu);
    EXPECT_TRUE(jol::RegParseNumber("4294967295", &v));
    EXPECT_EQ(v, 0xFFFFFFFFu);
    EXPECT_TRUE(jol::RegParseNumber("-2147483648", &v));
    EXPECT_EQ(v, 0x80000000u);
    EXPECT_TRUE(jol::RegParseNumber("+12", &v));
    EXPECT_EQ(v, 12u);
    for (const char* bad : {"4294967296", "-2147483649", "99999999999", "12x", "-", "1 2", "0x10"})
        EXPECT_FALSE(jol::RegParseNumber(bad, &v)) << bad;

    EXPECT_EQ(jol::RegMultiData("a|b", '|'), std::string("a\0b\0\0", 5));
    EXPECT_EQ(jol::RegMultiData("a|b|", '|'), std::string("a\0b\0\0", 5));
    // Empty items would end the list for every reader: they are dropped.
    EXPECT_EQ(jol::RegMultiData("|a||b|", '|'), std::string("a\0b\0\0", 5));
    EXPECT_EQ(jol::RegMultiData("", '|'), std::string("\0", 1));
}

// A key of the test's own under the current user's Software key.
class RegistryRig : public ::testing::Test {
protected:
    void SetUp() override {
        name_ = "Software\\JolTestRegUnit" + std::to_string(std::rand());
        plat::RegKey k = 0;
        ASSERT_EQ(plat::reg_create_key(user(), name_.c_str(), &k), 0u);
        key_ = k;
    }
    void TearDown() override {
        if (jol::kRegistryModule.release) jol::kRegistryModule.release(rig_.ctx());
        plat::reg_close(key_);
        for (const char* sub : {"\\Sub\\Deep", "\\Sub", ""})
            plat::reg_delete_key(user(), (name_ + sub).c_str());
    }
    static plat::RegKey user() { return plat::reg_root(plat::RegRoot::CurrentUser); }
    test::HandlerResult Call(int fn, std::initializer_list<test::HandlerArg> args) {
        return rig_.Call(jol::kRegistryModule, fn, args);
    }
    std::string Value(const char* value) { return name_ + "[" + value + "]"; }

    test::TempHome home_;
    HandlerRig rig_;
    std::string name_;
    plat::RegKey key_ = 0;
};

TEST_F(RegistryRig, ValuesWrittenByOthersAreReadWithinTheirSize) {
    // A number of two bytes is no number.
    const unsigned char two[2] = {1, 2};
    ASSERT_EQ(plat::reg_set_value(key_, "short", plat::regtype::Dword, two, 2), 0u);
    EXPECT_EQ(Call(id::RegQueryDword, {kCurrentUser, Value("short")}).error,
              Code(Err::RegNotDword));
    EXPECT_EQ(Call(id::RegQueryValue, {kCurrentUser, Value("short")}).error,
              Code(Err::RegValueNotText));
    // A big-endian number reads with its bytes reversed.
    const unsigned char be[4] = {0, 0, 1, 0};
    ASSERT_EQ(plat::reg_set_value(key_, "big", plat::regtype::DwordBigEndian, be, 4), 0u);
    EXPECT_EQ(Call(id::RegQueryDword, {kCurrentUser, Value("big")}).s, "256");
    EXPECT_EQ(Call(id::RegQueryValue, {kCurrentUser, Value("big")}).s, "256");
    // A multi-string without its final zeros.
    ASSERT_EQ(plat::reg_set_value(key_, "multi", plat::regtype::MultiString, "ab\0cd", 5), 0u);
    auto m = Call(id::RegQueryMulSz, {kCurrentUser, Value("multi"), "|"});
    EXPECT_EQ(m.error, 0);
    EXPECT_EQ(m.s, "ab|cd");
    // Other types are no text.
    ASSERT_EQ(plat::reg_set_value(key_, "q", 11, "12345678", 8), 0u);
    EXPECT_EQ(Call(id::RegQueryValue, {kCurrentUser, Value("q")}).error,
              Code(Err::RegValueNotText));
    // A long binary value: three characters of text for each byte.
    std::string big(5000, '\x5A');
    ASSERT_EQ(plat::reg_set_value(key_, "bin", plat::regtype::Binary, big.data(),
                                  static_cast<std::uint32_t>(big.size())),
              0u);
    auto b = Call(id::RegQueryBin, {kCurrentUser, Value("bin")});
    EXPECT_EQ(b.error, 0);
    EXPECT_EQ(b.s.size(), 5000u * 3 - 1);
    EXPECT_EQ(b.s.substr(0, 6), "5A 5A ");
}

TEST_F(RegistryRig, OnlyRootsAndIssuedHandlesAreKeysAndReleaseClosesThem) {
    auto opened = Call(id::RegOpenKey, {kCurrentUser, name_});
    ASSERT_EQ(opened.error, 0);
    auto made = Call(id::RegCreateKey, {opened.i, "Sub\\Deep"});
    ASSERT_EQ(made.error, 0);
    EXPECT_EQ(Call(id::RegSetValue, {made.i, "[v]", "x"}).error, 0);
    // The system's own file handle is no key: closing it fails and the
    // file stays usable.
    test::TempFolder folder;
    const std::string file = folder.File("f.txt", "");
    plat::FileHandle f = plat::open_data_file(file.c_str(), true, 0);
    ASSERT_NE(f, 0u);
    const int as_key = static_cast<int>(static_cast<std::uint32_t>(f));
    EXPECT_EQ(Call(id::RegCloseKey, {as_key}).error, Code(Err::RegCloseFailed));
    EXPECT_EQ(Call(id::RegQueryKeys, {as_key}).error, Code(Err::RegSubkeyOpen));
    std::size_t put = 0;
    EXPECT_TRUE(plat::write_data_file(f, "still", 5, &put));
    EXPECT_EQ(put, 5u);
    EXPECT_TRUE(plat::close_file(f));
    EXPECT_EQ(folder.Read("f.txt"), "still");

    // An unknown number fails with each function's own code.
    EXPECT_EQ(Call(id::RegCloseKey, {12345}).error, Code(Err::RegCloseFailed));
    EXPECT_EQ(Call(id::RegOpenKey, {12345, ""}).error, Code(Err::RegOpenFailed));
    EXPECT_EQ(Call(id::RegCreateKey, {12345, "x"}).error, Code(Err::RegCreateFailed));
    EXPECT_EQ(Call(id::RegDeleteKey, {12345, "x"}).error, Code(Err::RegDeleteFailed));
    // An empty subkey never deletes the key itself; nor is a key with
    // subkeys deleted.
    EXPECT_EQ(Call(id::RegDeleteKey, {made.i, ""}).error, Code(Err::RegDeleteFailed));
    EXPECT_EQ(Call(id::RegDeleteKey, {opened.i, "Sub"}).error, Code(Err::RegDeleteFailed));
    plat::RegKey still = 0;
    EXPECT_EQ(plat::reg_open_key(user(), (name_ + "\\Sub\\Deep").c_str(), false, &still), 0u);
    plat::reg_close(still);

    // A closed handle is no longer a key.
    EXPECT_EQ(Call(id::RegCloseKey, {made.i}).i, 1);
    EXPECT_EQ(Call(id::RegCloseKey, {made.i}).error, Code(Err::RegCloseFailed));
    EXPECT_EQ(Call(id::RegSetValue, {made.i, "[v]", "x"}).error, Code(Err::RegSubkeyOpen));

    // The release step closes what is still open and empties the table.
    auto again = Call(id::RegOpenKey, {kCurrentUser, name_});
    ASSERT_EQ(again.error, 0);
    EXPECT_EQ(rig_.ctx()->registry_keys.count, 2u);
    jol::kRegistryModule.release(rig_.ctx());
    EXPECT_EQ(rig_.ctx()->registry_keys.count, 0u);
    EXPECT_EQ(rig_.ctx()->registry_keys.block, 0u);
    EXPECT_EQ(Call(id::RegCloseKey, {again.i}).error, Code(Err::RegCloseFailed));
#if !defined(_WIN32)
    // The store's handles are gone as well.
    EXPECT_EQ(plat::reg_close(static_cast<plat::RegKey>(static_cast<std::uint32_t>(again.i))),
              plat::err::InvalidHandle);
#endif
}

TEST_F(RegistryRig, AListThatCannotBeReadIsAnErrorNotAShortList) {
    plat::RegKey sub = 0;
    ASSERT_EQ(plat::reg_create_key(key_, "Sub", &sub), 0u);
    ASSERT_EQ(plat::reg_set_value(sub, "v", plat::regtype::String, "x", 2), 0u);
    plat::reg_close(sub);
    auto h = Call(id::RegOpenKey, {kCurrentUser, name_ + "\\Sub"});
    ASSERT_EQ(h.error, 0);
    EXPECT_EQ(Call(id::RegQueryItem, {h.i, ""}).s, "v\t");
    // The key goes while the handle is open: its lists cannot be read.
    ASSERT_EQ(plat::reg_delete_key(key_, "Sub"), 0u);
    EXPECT_EQ(Call(id::RegQueryKeys, {h.i}).error, Code(Err::RegQueryFailed));
    EXPECT_EQ(Call(id::RegQueryItem, {h.i, ""}).error, Code(Err::RegQueryFailed));
    EXPECT_EQ(Call(id::RegQueryKey, {h.i, 0}).error, Code(Err::RegQueryFailed));
    EXPECT_EQ(Call(id::RegCloseKey, {h.i}).i, 1);
}

TEST_F(RegistryRig, ManyHandlesGrowTheTable) {
    std::vector<int> handles;
    for (int i = 0; i < 40; ++i) {
        auto h = Call(id::RegOpenKey, {kCurrentUser, name_});
        ASSERT_EQ(h.error, 0);
        handles.push_back(h.i);
    }
    for (int h : handles)
        EXPECT_EQ(Call(id::RegCloseKey, {h}).i, 1);
    EXPECT_EQ(rig_.ctx()->registry_keys.count, 0u);
}

TEST_F(RegistryRig, NumbersOutsideTheirRangeAreRefused) {
    EXPECT_EQ(Call(id::RegSetDword, {kCurrentUser, Value("d"), "4294967296"}).error,
              Code(Err::RegBadDword));
    EXPECT_EQ(Call(id::RegSetDword, {kCurrentUser, Value("d"), "4294967295"}).error, 0);
    EXPECT_EQ(Call(id::RegQueryDword, {kCurrentUser, Value("d")}).s, "-1");
    EXPECT_EQ(Call(id::RegSetBin, {kCurrentUser, Value("b"), "0a1"}).error,
              Code(Err::RegBadBinary));
    EXPECT_EQ(Call(id::RegSetMulSz, {kCurrentUser, Value("m"), "a||b", "|"}).error, 0);
    std::uint32_t type = 0, size = 0;
    char data[16] = {};
    size = sizeof data;
    plat::RegKey k = 0;
    ASSERT_EQ(plat::reg_open_key(user(), name_.c_str(), false, &k), 0u);
    ASSERT_EQ(plat::reg_query_value(k, "m", &type, data, &size), 0u);
    plat::reg_close(k);
    EXPECT_EQ(std::string(data, size), std::string("a\0b\0\0", 5));
}

#if defined(_WIN32)
// What the functions wrote, as the system's own registry tool shows it.
std::string RegExeQuery(const std::string& key, const char* value) {
    test::TempFolder folder;
    const std::string out = folder.Name("q.txt");
    const std::string cmd =
        "reg query \"HKCU\\" + key + "\" /v " + value + " > \"" + out + "\" 2>&1";
    std::system(cmd.c_str());
    return folder.Read("q.txt");
}

TEST_F(RegistryRig, TheSystemsToolReadsWhatTheFunctionsWrote) {
    EXPECT_EQ(Call(id::RegSetBin, {kCurrentUser, Value("b"), "0a ff  10"}).error, 0);
    EXPECT_EQ(Call(id::RegSetDword, {kCurrentUser, Value("d"), "-2"}).error, 0);
    EXPECT_EQ(Call(id::RegSetMulSz, {kCurrentUser, Value("m"), "x|y|", "|"}).error, 0);
    EXPECT_EQ(Call(id::RegSetValue, {kCurrentUser, Value("s"), "text here"}).error, 0);
    const std::string b = RegExeQuery(name_, "b");
    EXPECT_NE(b.find("REG_BINARY"), std::string::npos) << b;
    EXPECT_NE(b.find("0AFF10"), std::string::npos) << b;
    const std::string d = RegExeQuery(name_, "d");
    EXPECT_NE(d.find("REG_DWORD"), std::string::npos) << d;
    EXPECT_NE(d.find("0xfffffffe"), std::string::npos) << d;
    const std::string m = RegExeQuery(name_, "m");
    EXPECT_NE(m.find("REG_MULTI_SZ"), std::string::npos) << m;
    EXPECT_NE(m.find("x\\0y"), std::string::npos) << m;
    const std::string s = RegExeQuery(name_, "s");
    EXPECT_NE(s.find("REG_SZ"), std::string::npos) << s;
    EXPECT_NE(s.find("text here"), std::string::npos) << s;
}
#endif

#if !defined(_WIN32)
void Put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
}
void Put16(std::string& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}

// The smallest hive a reader accepts: the base block with its checksum
// and one bin holding the root key, its security cell and free space.
std::string EmptyHive() {
    std::string f(8192, '\0');
    f.replace(0, 4, "regf");
    Put32(f, 0x04, 1); // sequence numbers
    Put32(f, 0x08, 1);
    Put32(f, 0x14, 1); // version 1.3
    Put32(f, 0x18, 3);
    Put32(f, 0x20, 1);      // format: direct memory load
    Put32(f, 0x24, 0x20);   // the root key's cell
    Put32(f, 0x28, 0x1000); // bins' size
    Put32(f, 0x2C, 1);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < 0x1FC; i += 4)
        sum ^= static_cast<std::uint32_t>(static_cast<unsigned char>(f[i])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(f[i + 1])) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(f[i + 2])) << 16 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(f[i + 3])) << 24;
    Put32(f, 0x1FC, sum);

    const std::size_t bin = 0x1000;
    f.replace(bin, 4, "hbin");
    Put32(f, bin + 4, 0);
    Put32(f, bin + 8, 0x1000);
    // The root key: 88 bytes.
    const std::size_t nk = bin + 0x20, sk = nk + 88;
    Put32(f, nk, static_cast<std::uint32_t>(-88));
    f.replace(nk + 4, 2, "nk");
    Put16(f, nk + 6, 0x2C);          // hive root, no delete, ASCII name
    Put32(f, nk + 0x14, 0xFFFFFFFF); // parent: none
    Put32(f, nk + 0x20, 0xFFFFFFFF); // subkey lists
    Put32(f, nk + 0x24, 0xFFFFFFFF);
    Put32(f, nk + 0x2C, 0xFFFFFFFF); // value list
    Put32(f, nk + 0x30, static_cast<std::uint32_t>(sk - bin));
    Put32(f, nk + 0x34, 0xFFFFFFFF); // class name
    Put16(f, nk + 0x4C, 4);
    f.replace(nk + 0x50, 4, "ROOT");
    // Its security cell, the only one, linked to itself: 48 bytes.
    Put32(f, sk, static_cast<std::uint32_t>(-48));
    f.replace(sk + 4, 2, "sk");
    Put32(f, sk + 8, static_cast<std::uint32_t>(sk - bin));
    Put32(f, sk + 12, static_cast<std::uint32_t>(sk - bin));
    Put32(f, sk + 16, 1);  // references
    Put32(f, sk + 20, 20); // a self-relative descriptor without lists
    f[sk + 24] = 1;
    Put16(f, sk + 26, 0x8000);
    // The rest of the bin is one free cell.
    const std::size_t free_cell = sk + 48;
    Put32(f, free_cell, static_cast<std::uint32_t>(bin + 0x1000 - free_cell));
    return f;
}

std::string Shell(const std::string& cmd) {
    std::string out;
    if (std::FILE* p = ::popen(cmd.c_str(), "r")) {
        char buf[512];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

TEST_F(RegistryRig, HivesAreMountedEditedAndWrittenBack) {
    if (Shell("command -v hivexregedit").empty()) GTEST_SKIP() << "hivexregedit is missing";
    test::TempFolder folder;
    const std::string posix = (folder.path() / "user.dat").string();
    const std::string name = folder.File("user.dat", EmptyHive());
    {
        std::ofstream reg(folder.path() / "seed.reg", std::ios::binary);
        reg << "Windows Registry Editor Version 5.00\r\n\r\n"
               "[\\Software]\r\n\r\n"
               "[\\Software\\Jol]\r\n"
               "\"Text\"=\"hello\"\r\n"
               "\"Number\"=dword:0000002a\r\n"
               "\"Bytes\"=hex:0a,ff,10\r\n\r\n";
    }
    ASSERT_EQ(std::system(("hivexregedit --merge '" + posix + "' '" +
                           (folder.path() / "seed.reg").string() + "' 2>&1")
                              .c_str()),
              0);

    ASSERT_EQ(Call(id::RegLoadHive, {kUsers, "JolHive", name}).error, 0);
    // A second mount of the name, or of the file, is refused.
    EXPECT_EQ(Call(id::RegLoadHive, {kUsers, "JolHive", name}).error, Code(Err::HiveBadKey));
    EXPECT_EQ(Call(id::RegLoadHive, {kUsers, "JolOther", name}).error, Code(Err::HiveSharing));
    EXPECT_EQ(Call(id::RegQueryValue, {kUsers, "JolHive\\Software\\Jol[Text]"}).s, "hello");
    EXPECT_EQ(Call(id::RegQueryDword, {kUsers, "JolHive\\software\\jol[number]"}).s, "42");
    EXPECT_EQ(Call(id::RegQueryBin, {kUsers, "JolHive\\Software\\Jol[Bytes]"}).s, "0A FF 10");
    EXPECT_NE(Call(id::RegQueryKeys, {kUsers}).s.find("JolHive\t"), std::string::npos);
    auto k = Call(id::RegOpenKey, {kUsers, "JolHive\\Software"});
    ASSERT_EQ(k.error, 0);
    EXPECT_EQ(Call(id::RegQueryKeys, {k.i}).s, "Jol\t");
    // Writes: a new key with values, a changed value, a deleted one.
    EXPECT_EQ(Call(id::RegSetValue, {k.i, "New\\Deeper[s]", "written"}).error, 0);
    EXPECT_EQ(Call(id::RegSetMulSz, {k.i, "New[m]", "a|b", "|"}).error, 0);
    EXPECT_EQ(Call(id::RegSetDword, {k.i, "Jol[Number]", "7"}).error, 0);
    EXPECT_EQ(Call(id::RegSetValue, {k.i, "Jol[Text]", "changed"}).error, 0);
    EXPECT_EQ(Call(id::RegQueryMulSz, {k.i, "New[m]", ","}).s, "a,b");
    EXPECT_EQ(Call(id::RegDeleteKey, {k.i, "New"}).error, Code(Err::RegDeleteFailed));
    EXPECT_EQ(Call(id::RegCloseKey, {k.i}).i, 1);
    // Nothing reaches the file before the hive is unloaded.
    EXPECT_EQ(Shell("hivexget '" + posix + "' '\\Software\\Jol' Text"), "hello\n");

    EXPECT_EQ(Call(id::RegUnloadHive, {kUsers, "JolHive"}).error, 0);
    EXPECT_EQ(Call(id::RegQueryValue, {kUsers, "JolHive\\Software\\Jol[Text]"}).error,
              Code(Err::RegSubkeyOpen));
    EXPECT_EQ(Call(id::RegUnloadHive, {kUsers, "JolHive"}).error, Code(Err::HiveBadSubkey));
    EXPECT_FALSE(std::filesystem::exists(posix + ".jol-new"));

    EXPECT_EQ(Shell("hivexget '" + posix + "' '\\Software\\Jol' Text"), "changed\n");
    EXPECT_EQ(Shell("hivexget '" + posix + "' '\\Software\\Jol' Number"), "7\n");
    EXPECT_EQ(Shell("hivexget '" + posix + "' '\\Software\\New\\Deeper' s"), "written\n");
    const std::string exported = Shell("hivexregedit --export '" + posix + "' '\\' 2>&1");
    EXPECT_NE(exported.find("[\\Software\\New]"), std::string::npos) << exported;
    EXPECT_NE(exported.find("\"Bytes\"=hex(3):0a,ff,10"), std::string::npos) << exported;
    EXPECT_NE(exported.find("\"m\"=hex(7):61,00,00,00,62,00,00,00,00,00"), std::string::npos)
        << exported;

    // Mounted again, the changes read back through the functions.
    ASSERT_EQ(Call(id::RegLoadHive, {kUsers, "JolHive", name}).error, 0);
    EXPECT_EQ(Call(id::RegQueryValue, {kUsers, "JolHive\\Software\\New\\Deeper[s]"}).s, "written");
    EXPECT_EQ(Call(id::RegUnloadHive, {kUsers, "JolHive"}).error, 0);
}
#endif

#if defined(_WIN32)
TEST_F(RegistryRig, WineLoadsAHiveOfItsOwnFormat) {
    // Wine's registry keeps its hives as text; it loads one of those (and
    // refuses a file of the Windows format, as the test above shows).
    test::TempFolder folder;
    const std::string file = folder.File("wine.hiv", "WINE REGISTRY Version 2\n"
                                                     ";; All keys relative to \\\\\n\n"
                                                     "[Software\\\\Jol] 1700000000\n"
                                                     "\"Text\"=\"hello\"\n"
                                                     "\"Number\"=dword:0000002a\n");
    auto loaded = Call(id::RegLoadHive, {kUsers, "JolWineHive", file});
    ASSERT_EQ(loaded.error, 0);
    EXPECT_EQ(loaded.i, 1);
    EXPECT_EQ(Call(id::RegQueryValue, {kUsers, "JolWineHive\\Software\\Jol[Text]"}).s, "hello");
    EXPECT_EQ(Call(id::RegQueryDword, {kUsers, "JolWineHive\\Software\\Jol[Number]"}).s, "42");
    EXPECT_EQ(Call(id::RegUnloadHive, {kUsers, "JolWineHive"}).i, 1);
    EXPECT_EQ(Call(id::RegQueryValue, {kUsers, "JolWineHive\\Software\\Jol[Text]"}).error,
              Code(Err::RegSubkeyOpen));
}
#endif

TEST_F(RegistryRig, ConnectReachesTheLocalRegistryOnly) {
    for (const char* local : {"", ".", "\\\\."}) {
        auto r = Call(id::RegConnect, {local, kCurrentUser});
        ASSERT_EQ(r.error, 0) << local;
        EXPECT_EQ(Call(id::RegQueryKeys, {r.i}).error, 0);
        EXPECT_EQ(Call(id::RegCloseKey, {r.i}).i, 1);
    }
    EXPECT_EQ(Call(id::RegConnect, {"", 12345}).error, Code(Err::RegConnectBadHandle));
#if defined(_WIN32)
    // The system finds no such computer.
    EXPECT_EQ(Call(id::RegConnect, {"\\\\jolnohost", kCurrentUser}).error,
              Code(Err::RegConnectBadName));
#else
    std::string host;
    std::getline(std::ifstream("/proc/sys/kernel/hostname"), host);
    ASSERT_FALSE(host.empty());
    for (const std::string& self : {host, "\\\\" + host}) {
        auto r = Call(id::RegConnect, {self, kCurrentUser});
        ASSERT_EQ(r.error, 0) << self;
        EXPECT_EQ(Call(id::RegCloseKey, {r.i}).i, 1);
    }
    // No remote registry service on this system.
    EXPECT_EQ(Call(id::RegConnect, {"\\\\jolnohost", kCurrentUser}).error,
              Code(Err::RegConnectNoService));
#endif
}

TEST_F(RegistryRig, HiveErrorsForMissingFilesAndUnmountedKeys) {
    test::TempFolder folder;
    EXPECT_EQ(Call(id::RegLoadHive, {kUsers, "JolNoHive", folder.Name("missing.dat")}).error,
              Code(Err::HiveFileNotFound));
    // A file that is not a hive.
    const std::string text = folder.File("text.dat", "this is no hive, just some text\r\n");
    EXPECT_EQ(Call(id::RegLoadHive, {kUsers, "JolNoHive", text}).error, Code(Err::HiveNotHive));
#if defined(_WIN32)
    // Wine leaves the key of a failed load behind; unloading takes it away.
    Call(id::RegUnloadHive, {kUsers, "JolNoHive"});
#else
    EXPECT_EQ(Call(id::RegUnloadHive, {kUsers, "JolNoHive"}).error, Code(Err::HiveBadSubkey));
    EXPECT_EQ(Call(id::RegLoadHive, {kCurrentUser, "JolNoHive", text}).error,
              Code(Err::HiveBadHandle));
#endif
}

TEST_F(RegistryRig, RegAppWritesTheProgramsPathAndReportsAFailedWrite) {
    test::TempFolder folder;
    folder.File("jolapp.exe", "MZ");
    test::CurrentFolder here(folder.path().string());
    auto r = rig_.Call(jol::kRegistryModule, id::RegApp, {"jolapp", "C:\\Some\\Where"});
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.i, 1);
    plat::RegKey k = 0;
    const char* sub = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\JOLAPP.EXE";
    const plat::RegKey machine = plat::reg_root(plat::RegRoot::LocalMachine);
    ASSERT_EQ(plat::reg_open_key(machine, sub, false, &k), 0u);
    char data[512] = {};
    std::uint32_t type = 0, size = sizeof data;
    ASSERT_EQ(plat::reg_query_value(k, "Path", &type, data, &size), 0u);
    EXPECT_STREQ(data, "C:\\Some\\Where");
    size = sizeof data;
    ASSERT_EQ(plat::reg_query_value(k, "", &type, data, &size), 0u);
    std::string full = data;
    for (char& c : full)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(full.find("jolapp.exe"), std::string::npos) << data;
    plat::reg_close(k);
    EXPECT_EQ(rig_.Call(jol::kRegistryModule, id::RegApp, {"nosuchjolapp", ""}).error,
              Code(Err::RegAppNotFound));
#if !defined(_WIN32)
    // A store that cannot be written: the value write fails, and so does
    // the function (the key itself exists already).
    std::filesystem::create_directory(home_.path() + "/registry.dat.tmp");
    EXPECT_EQ(rig_.Call(jol::kRegistryModule, id::RegApp, {"jolapp", "D:\\Else"}).error,
              Code(Err::RegAppWrite));
    std::filesystem::remove(home_.path() + "/registry.dat.tmp");
#endif
    plat::reg_delete_key(machine, sub);
}

} // namespace
