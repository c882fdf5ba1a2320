// The message table, its text conversion, the INI reader it uses and the
// translation file.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "exec/error_report.h"
#include "host/context/process_state.h"
#include "host/context/script_context.h"
#include "platform/environment.h"
#include "platform/modules.h"
#include "platform/profiles.h"
#include "platform/text.h"
#include "resources/message_table.h"
#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;

std::string Load(int id, std::size_t size = 257) {
    std::string buf(size, '\x7f');
    std::size_t n = jol::LoadMessage(id, buf.data(), size);
    EXPECT_EQ(n, std::strlen(buf.c_str()));
    return buf.c_str();
}

void WriteFile(const fs::path& p, const std::string& text) {
    std::ofstream f(p, std::ios::binary);
    f << text;
}

// A fresh folder for one test, removed afterwards.
struct TempDir {
    fs::path path;
    TempDir() {
        static int serial = 0;
        path = fs::temp_directory_path() /
               ("jol-msg-" +
                std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
                std::to_string(serial++));
        fs::create_directories(path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

// Changes the current directory for the life of the object.
struct InDirectory {
    char saved[1024];
    explicit InDirectory(const fs::path& dir) {
        plat::get_current_directory(saved, sizeof saved);
        plat::set_current_directory(dir.string().c_str());
    }
    ~InDirectory() { plat::set_current_directory(saved); }
};

TEST(MessageTable, RowsAreSortedAndLookupsFindThem) {
    std::size_t count = 0;
    const jol::MessageRow* rows = jol::MessageRows(&count);
    ASSERT_GT(count, 400u);
    for (std::size_t i = 0; i < count; ++i) {
        ASSERT_NE(rows[i].text, nullptr);
        if (i) {
            ASSERT_LT(rows[i - 1].id, rows[i].id) << "row " << i;
        }
        ASSERT_EQ(jol::MessageText(rows[i].id), rows[i].text);
    }
    EXPECT_STREQ(jol::MessageText(193), "Execution terminated by user request or error");
    EXPECT_STREQ(jol::MessageText(3071), "Missing or incomplete statement");
    EXPECT_STREQ(jol::MessageText(3049), "No variables exist?\?!!");
    EXPECT_STREQ(jol::MessageText(9999), "User requested Cancel");
    EXPECT_STREQ(jol::MessageText(1910), "WinExec 10: Incorrect Windows Version");
    EXPECT_STREQ(jol::MessageText(864), "Could not access Extender Entry 0x03");
    EXPECT_STREQ(jol::MessageText(731), " menu item");
    EXPECT_EQ(jol::MessageText(1), nullptr);
    EXPECT_EQ(jol::MessageText(-5), nullptr);
    EXPECT_EQ(jol::MessageText(70000), nullptr);

    // Loading: cut to the buffer and terminated; an unknown id gives nothing.
    EXPECT_EQ(Load(3071), "Missing or incomplete statement");
    EXPECT_EQ(Load(3071, 8), "Missing");
    EXPECT_EQ(Load(3071, 1), "");
    EXPECT_EQ(Load(4999), "");
    EXPECT_EQ(jol::LoadMessage(3071, nullptr, 10), 0u);
    // Texts quoted with line feeds keep them.
    EXPECT_NE(Load(528).find("reloaded\nto reflect"), std::string::npos);
}

TEST(MessageTable, MarksBecomeLineFeedsAndTabs) {
    char text[] = "a~b|c~~";
    jol::ConvertMessageMarks(text);
    EXPECT_STREQ(text, "a\nb\tc\n\n");
#ifndef _WIN32
    // In a double-byte code page a trail byte that looks like a mark stays.
    char saved[32] = {};
    bool had = plat::get_env("JOL_CODEPAGE", saved, sizeof saved) > 0;
    plat::set_env("JOL_CODEPAGE", "932");
    plat::refresh_code_page();
    char dbcs[] = "\x83|x|\x83~~";
    jol::ConvertMessageMarks(dbcs);
    EXPECT_STREQ(dbcs, "\x83|x\t\x83~\n");
    plat::set_env("JOL_CODEPAGE", had ? saved : nullptr);
    plat::refresh_code_page();
#endif
}

TEST(MessageTable, ProfileReaderRules) {
    TempDir dir;
    fs::path ini = dir.path / "rules.ini";
    WriteFile(ini, "; comment\r\n"
                   "[Other]\r\n"
                   "Key=other\r\n"
                   "  [ Main ]  \r\n"
                   "  Key  =   spaced value  \r\n"
                   "Quoted=\"in quotes\"\r\n"
                   "Empty=\r\n"
                   "Long=0123456789\r\n"
                   "key=second\r\n");
    const std::string file = ini.string();
    char out[64];
    EXPECT_EQ(plat::read_profile_string(file.c_str(), "MAIN", "KEY", "d", out, sizeof out), 12u);
    EXPECT_STREQ(out, "spaced value");
    plat::read_profile_string(file.c_str(), "other", "key", "d", out, sizeof out);
    EXPECT_STREQ(out, "other");
    plat::read_profile_string(file.c_str(), "main", "quoted", "d", out, sizeof out);
    EXPECT_STREQ(out, "in quotes");
    EXPECT_EQ(plat::read_profile_string(file.c_str(), "main", "empty", "d", out, sizeof out), 0u);
    EXPECT_STREQ(out, "");
    plat::read_profile_string(file.c_str(), "main", "missing", "default", out, sizeof out);
    EXPECT_STREQ(out, "default");
    plat::read_profile_string(file.c_str(), "nosection", "key", "default", out, sizeof out);
    EXPECT_STREQ(out, "default");
    plat::read_profile_string((dir.path / "none.ini").string().c_str(), "main", "key", "gone", out,
                              sizeof out);
    EXPECT_STREQ(out, "gone");
    // Cut to the buffer, always terminated.
    std::memset(out, 'z', sizeof out);
    EXPECT_EQ(plat::read_profile_string(file.c_str(), "main", "long", "", out, 5), 4u);
    EXPECT_STREQ(out, "0123");
    std::memset(out, 'z', sizeof out);
    plat::read_profile_string(file.c_str(), "main", "missing", "defaultlong", out, 4);
    EXPECT_STREQ(out, "def");
}

TEST(MessageTable, TranslationFileInTheCurrentDirectory) {
    TempDir dir;
    WriteFile(dir.path / "CRVDLANG", "[MAIN]\r\n"
                                     "X3071=Translated~second line|tabbed\r\n"
                                     "x102 = Replaced text\r\n"
                                     "X99=not a version\r\n"
                                     "X3074=XXX\r\n");
    {
        InDirectory here(dir.path);
        EXPECT_EQ(jol::LoadMessage(0, nullptr, 0), 0u);
        char empty[4] = "abc";
        EXPECT_EQ(jol::LoadMessage(0, empty, sizeof empty), 0u);
        EXPECT_STREQ(empty, "");
        ASSERT_EQ(jol::MessageLanguageState(), jol::kLanguageFile);
        EXPECT_EQ(fs::path(jol::MessageLanguageFile()).filename().string(), "CRVDLANG");
        EXPECT_TRUE(fs::path(jol::MessageLanguageFile()).is_absolute());
        EXPECT_TRUE(fs::equivalent(jol::MessageLanguageFile(), dir.path / "CRVDLANG"));

        EXPECT_EQ(Load(3071), "Translated\nsecond line\ttabbed");
        EXPECT_EQ(Load(102), "Replaced text");
        // Internal ids are never translated, and a key missing from the
        // file (or holding the marker) leaves the built-in text, whatever
        // the buffer size.
        EXPECT_EQ(Load(99), "2.3nbp");
        EXPECT_EQ(Load(3072), "THEN not found in IF statement");
        EXPECT_EQ(Load(3072, 3), "TH");
        EXPECT_EQ(Load(3074), "Expression continues past expected end.");
        EXPECT_EQ(Load(3071, 11), "Translated");

        // The key looked up is kept in the context, and the box title uses
        // the translation.
        auto ctx = std::make_unique<jol::ScriptContext>();
        char text[257];
        jol::LoadMessage(ctx.get(), 3071, text, sizeof text);
        EXPECT_STREQ(ctx->message_key, "X3071");
        jol::FormatErrorTitle(ctx.get(), 3071, text, sizeof text);
        EXPECT_STREQ(text, "3071:  Translated\nsecond line\ttabbed");
    }
    // Back in the old directory the file is no longer found.
    jol::RereadMessageLanguage();
    EXPECT_EQ(jol::MessageLanguageState(), jol::kLanguageBuiltIn);
    EXPECT_STREQ(jol::MessageLanguageFile(), "");
    EXPECT_EQ(Load(3071), "Missing or incomplete statement");
}

#ifndef _WIN32
// The language setting of CRVBATCH.INI (in the backend's Windows directory)
// names the translation file beside the library.
TEST(MessageTable, TranslationFileBesideTheLibrary) {
    test::TempHome home;
    WriteFile(fs::path(home.path()) / "CRVBATCH.INI", "[Main]\nLanguage=tst\n");
    char module[1024];
    ASSERT_GT(plat::module_file_name(jol::LibraryInstance(), module, sizeof module), 0u);
    fs::path beside = fs::path(module).parent_path() / "CRVDLANG.tst";
    WriteFile(beside, "[MAIN]\nX193=Stopped here\n");
    jol::RereadMessageLanguage();
    EXPECT_EQ(jol::MessageLanguageState(), jol::kLanguageFile);
    EXPECT_EQ(fs::path(jol::MessageLanguageFile()), beside);
    EXPECT_EQ(Load(193), "Stopped here");
    std::error_code ec;
    fs::remove(beside, ec);
    jol::RereadMessageLanguage();
    EXPECT_EQ(jol::MessageLanguageState(), jol::kLanguageBuiltIn);
}
#endif

} // namespace
