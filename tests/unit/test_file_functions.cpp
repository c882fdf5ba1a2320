// The program-file reader (executable kinds, version resources of images
// built here in memory, damaged images, the fixed part), the target mask
// and the room check of FileItemize.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data_handler_rig.h"
#include "lang/keyword_table.h"
#include "lib/data/directories.h"
#include "lib/data/file_names.h"
#include "lib/data/pe_image.h"
#include "tests/unit/test_errors.h"

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
        const test::HandlerResult r = rig.Call(jol::kDirectoryModule, id, {arg});
        EXPECT_EQ(r.error, jol::Err::ListTooLong);
        ASSERT_TRUE(r.text);
        EXPECT_LE(r.s.size(), 32400u);
        EXPECT_GT(r.s.size(), 32400u - 196);
        // Every name in the list is whole.
        EXPECT_EQ(r.s.size() % (Name(100).size() + 1), 0u);
    }
}

} // namespace
