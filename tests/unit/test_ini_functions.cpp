// The INI functions over private files and the user's profile. The same
// cases run on the Win32 backend (the system's profile functions) and on
// the native backend (our own reader and writer); where the two keep a
// file's layout differently, only what reads back is compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "lib/data/ini_functions.h"
#include "platform/environment.h"
#include "platform/modules.h"
#include "tests/unit/data_handler_rig.h"
#include "tests/unit/test_errors.h"
#include "tests/unit/test_support.h"

namespace {

using jol::kIniModule;
using test::HandlerResult;
using test::HandlerRig;

namespace id {
constexpr int IniDelete = 266;
constexpr int IniDeletePvt = 267;
constexpr int IniItemize = 268;
constexpr int IniItemizePvt = 269;
constexpr int IniRead = 270;
constexpr int IniReadPvt = 271;
constexpr int IniWrite = 272;
constexpr int IniWritePvt = 273;
} // namespace id

class IniFiles {
public:
    // Each file gets a name of its own: the system keeps the last file it
    // read in a cache that a rewrite within the same second may not renew.
    std::string Fresh(const std::string& text = std::string(), bool create = true) {
        std::filesystem::path p =
            std::filesystem::path(home_.path()) / ("t" + std::to_string(serial_++) + ".ini");
        if (create) std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    static std::string Read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    const std::string& folder() const { return home_.path(); }

private:
    test::TempHome home_;
    int serial_ = 0;
};

struct Ini {
    HandlerRig rig;
    HandlerResult Read(const char* s, const char* k, const char* d, const std::string& f) {
        return rig.Call(kIniModule, id::IniReadPvt, {s, k, d, f});
    }
    std::string Value(const char* s, const char* k, const std::string& f) {
        return Read(s, k, "<default>", f).s;
    }
    HandlerResult Write(const char* s, const char* k, const std::string& v, const std::string& f) {
        return rig.Call(kIniModule, id::IniWritePvt, {s, k, v, f});
    }
    HandlerResult Delete(const char* s, const char* k, const std::string& f) {
        return rig.Call(kIniModule, id::IniDeletePvt, {s, k, f});
    }
    HandlerResult Items(const char* s, const std::string& f) {
        return rig.Call(kIniModule, id::IniItemizePvt, {s, f});
    }
};

TEST(IniPrivate, WritesReadBackAndKeepTheFile) {
    IniFiles files;
    Ini ini;
    const std::uint32_t free_before = ini.rig.HeapFree();
    std::string f = files.Fresh(std::string(), false);
    EXPECT_EQ(ini.Write("S1", "a", "1", f).i, 1);
    EXPECT_EQ(ini.Write("S1", "b", "two", f).i, 1);
    EXPECT_EQ(ini.Write("S2", "c", "\"q\"", f).i, 1);
    EXPECT_EQ(ini.Write("s1", "A", "one", f).i, 1); // same entry, its name kept
    EXPECT_EQ(ini.Write("S1", "d", "", f).i, 1);
    EXPECT_EQ(IniFiles::Read(f), "[S1]\r\na=one\r\nb=two\r\nd=\r\n[S2]\r\nc=\"q\"\r\n");
    EXPECT_EQ(ini.Value("S1", "A", f), "one");
    EXPECT_EQ(ini.Value("s2", "C", f), "q"); // the quotes are dropped
    EXPECT_EQ(ini.Read("S1", "d", "x", f).s, "");
    EXPECT_EQ(ini.Read("S1", "missing", "fallback", f).s, "fallback");
    EXPECT_EQ(ini.Read("S9", "a", "fallback  ", f).s, "fallback"); // blanks after a default go

    // Changes in place keep comments and the order of entries; a new entry
    // goes to the end of its section, a new section to the end of the file.
    f = files.Fresh("; top comment\r\n[S1]\r\n; c1\r\na=1\r\nb=2\r\n[S2]\r\nc=3\r\n");
    EXPECT_EQ(ini.Write("S1", "new", "x", f).i, 1);
    EXPECT_EQ(ini.Write("S1", "a", "changed", f).i, 1);
    EXPECT_EQ(IniFiles::Read(f),
              "; top comment\r\n[S1]\r\n; c1\r\na=changed\r\nb=2\r\nnew=x\r\n[S2]\r\nc=3\r\n");
    EXPECT_EQ(ini.Write("S3", "k", "v", f).i, 1);
    ini.Delete("S1", "b", f);
    EXPECT_EQ(IniFiles::Read(f), "; top comment\r\n[S1]\r\n; c1\r\na=changed\r\nnew=x\r\n[S2]\r\n"
                                 "c=3\r\n[S3]\r\nk=v\r\n");
    // @WHOLESECTION deletes the section with its comments.
    HandlerResult r = ini.Delete("S1", jol::kWholeSectionKey, f);
    EXPECT_EQ(r.error, 0);
    EXPECT_FALSE(r.text);
    EXPECT_EQ(r.i, 0); // the result stays as it was
    EXPECT_EQ(IniFiles::Read(f), "; top comment\r\n[S2]\r\nc=3\r\n[S3]\r\nk=v\r\n");
    // The delete guard does not apply; deleting in a missing file makes none.
    const std::string none = files.Fresh(std::string(), false);
    ini.Delete("S", "k", none);
    ini.Delete("S", jol::kWholeSectionKey, none);
    EXPECT_FALSE(std::filesystem::exists(none));

    // Files with line feeds only, or no line end at the last line, read
    // alike and are written back with CR LF.
    f = files.Fresh("[L]\na=1\nb=2");
    EXPECT_EQ(ini.Value("L", "b", f), "2");
    EXPECT_EQ(ini.Write("L", "c", "3", f).i, 1);
    EXPECT_EQ(IniFiles::Read(f), "[L]\r\na=1\r\nb=2\r\nc=3\r\n");
    // The system drops blank lines when it rewrites a file, the native
    // backend keeps them: compare what reads back.
    f = files.Fresh("[S]\r\na=1\r\n\r\nb=2\r\n\r\n\r\n[T]\r\nc=3\r\n");
    EXPECT_EQ(ini.Write("S", "n", "x", f).i, 1);
    EXPECT_EQ(ini.Items("S", f).s, "a\tb\tn");
    EXPECT_EQ(ini.Items("T", f).s, "c");

    // Values are read into 256 characters.
    f = files.Fresh(std::string(), false);
    EXPECT_EQ(ini.Write("S", "long", std::string(300, 'v'), f).i, 1);
    EXPECT_EQ(ini.Value("S", "long", f), std::string(256, 'v'));
    EXPECT_EQ(ini.rig.HeapFree(), free_before);
}

TEST(IniPrivate, ReadingRules) {
    IniFiles files;
    Ini ini;
    std::string f = files.Fresh(
        "  [ Sec A ]  trailing\r\nkey1 = v1 \r\n\tKey2\t=\t\"quoted\"  \r\nk3='single'\r\n"
        "k4=\"mis'\r\nnoeq line\r\n;comment=1\r\n#hash=2\r\nk5=\r\nkey1=dup\r\n"
        " k6 = a = b \r\n[sec a]\r\nk7=second\r\n[x]y]\r\nz=1\r\n[unclosed\r\nu=1\r\n");
    EXPECT_EQ(ini.Value("Sec A", "key1", f), "v1");
    EXPECT_EQ(ini.Value(" sec a ", " KEY1 ", f), "v1"); // names are taken without blanks
    EXPECT_EQ(ini.Value("SEC A", "key2", f), "quoted");
    EXPECT_EQ(ini.Value("Sec A", "k3", f), "single");
    EXPECT_EQ(ini.Value("Sec A", "k4", f), "\"mis'");
    EXPECT_EQ(ini.Value("Sec A", "noeq line", f), "<default>");
    EXPECT_EQ(ini.Value("Sec A", "k5", f), "");
    EXPECT_EQ(ini.Value("Sec A", "k6", f), "a = b");
    EXPECT_EQ(ini.Value("Sec A", "k7", f), "<default>"); // only the first section counts
    EXPECT_EQ(ini.Value("x]y", "z", f), "1");            // the name runs to the last "]"
    EXPECT_EQ(ini.Value("x", "z", f), "<default>");
    EXPECT_EQ(ini.Value("unclosed", "u", f), "<default>");
    // Comments and entries without values are not listed; duplicates are.
    EXPECT_EQ(ini.Items("sec a", f).s, "key1\tKey2\tk3\tk4\t#hash\tk5\tkey1\tk6");
    EXPECT_EQ(ini.Items("x]y", f).s, "z\tu");
    EXPECT_EQ(ini.Items("nosuch", f).s, "(NONE)");

    f = files.Fresh("[S]\r\n  a  =  \"  spaced  \"  \r\nb=\"\r\nc='x\"\r\nd= \"x\" y\r\n");
    EXPECT_EQ(ini.Value("S", "a", f), "  spaced  ");
    EXPECT_EQ(ini.Value("S", "b", f), "\"");
    EXPECT_EQ(ini.Value("S", "c", f), "'x\"");
    EXPECT_EQ(ini.Value("S", "d", f), "\"x\" y");
    f = files.Fresh("[S]\ra=1\rb=2\r");
    EXPECT_EQ(ini.Value("S", "b", f), "2");
    EXPECT_EQ(ini.Items("S", f).s, "a\tb");
    f = files.Fresh(" ;[S]\r\na=1\r\n[E]\r\n[D]\r\n[D]\r\nq=1\r\n");
    EXPECT_EQ(ini.Items("S", f).s, "(NONE)");
    // A section without keys lists as the default, as the system does.
    EXPECT_EQ(ini.Items("E", f).s, "(NONE)");
    EXPECT_EQ(ini.Items("D", f).s, "(NONE)");
    // Entries before the first section belong to the section without a name.
    f = files.Fresh("x=1\r\n[S]\r\na=1\r\n");
    EXPECT_EQ(ini.Value("", "x", f), "1");
    EXPECT_EQ(ini.Items("missing-file", files.Fresh(std::string(), false)).s, "(NONE)");
}

TEST(IniPrivate, GuardedEntryAndStructureChangingWrites) {
    IniFiles files;
    Ini ini;
    std::string f = files.Fresh("[386Enh]\r\ndevice=*vpicd\r\nOther=5\r\n");
    EXPECT_EQ(ini.Read("386enh", "device", "", f).error, jol::Err::IniGuarded);
    EXPECT_EQ(ini.Read(" 386ENH ", "Device\t", "", f).error, jol::Err::IniGuarded);
    EXPECT_EQ(ini.Write("386Enh", "DEVICE", "x", f).error, jol::Err::IniGuarded);
    EXPECT_EQ(ini.Value("386Enh", "Other", f), "5");
    EXPECT_EQ(ini.Write("386Enh", "Other", "6", f).i, 1);
    EXPECT_EQ(ini.Value("386Enh", "Other", f), "6");
    EXPECT_EQ(IniFiles::Read(f), "[386Enh]\r\ndevice=*vpicd\r\nOther=6\r\n");
    // Deleting is not guarded.
    EXPECT_EQ(ini.Delete("386Enh", "Device", f).error, 0);
    EXPECT_EQ(IniFiles::Read(f), "[386Enh]\r\nOther=6\r\n");

    // A write must not write more than its one entry: line ends would add
    // lines (the guarded entry among them), "=" in a key would move the
    // entry's name, a key beginning with "[" would open a section.
    f = files.Fresh("[S]\r\na=1\r\n");
    HandlerResult r = ini.Write("S", "a", "x\r\n[386Enh]\r\ndevice=evil", f);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.i, 0);
    EXPECT_EQ(ini.Write("S", "b", "x\ny", f).i, 0);
    EXPECT_EQ(ini.Write("S\r\nT", "b", "1", f).i, 0);
    EXPECT_EQ(ini.Write("S", "k\rj", "1", f).i, 0);
    EXPECT_EQ(ini.Write("386Enh", "device=x", "evil", f).i, 0);
    EXPECT_EQ(ini.Write("S", " [386Enh]", "", f).i, 0);
    EXPECT_EQ(IniFiles::Read(f), "[S]\r\na=1\r\n");

    // All three empty only flushes.
    EXPECT_EQ(ini.Write("", "", "", f).i, 1);
    EXPECT_EQ(IniFiles::Read(f), "[S]\r\na=1\r\n");
}

// Whether a read-only file is kept from being written. The native backend
// always keeps it; on Windows the read-only attribute binds every user,
// but Wine maps it to file permissions, which a privileged user passes.
bool ReadOnlyHolds(const std::filesystem::path& file) {
#ifdef _WIN32
    return !std::ofstream(file, std::ios::binary | std::ios::app);
#else
    (void)file;
    return true;
#endif
}

// The files of a folder, by name.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(IniPrivate, FailedWritesGiveZero) {
    IniFiles files;
    Ini ini;
    const std::filesystem::path base = files.folder();
    // A folder that does not exist.
    const std::string missing = (base / "no-such-folder" / "x.ini").string();
    HandlerResult r = ini.Write("S", "k", "v", missing);
    EXPECT_EQ(r.error, 0); // the system's profile errors raise none
    EXPECT_EQ(r.i, 0);
    EXPECT_FALSE(std::filesystem::exists(missing));

    // A "folder" that is a file.
    std::ofstream(base / "plain.txt", std::ios::binary) << "x";
    r = ini.Write("S", "k", "v", (base / "plain.txt" / "x.ini").string());
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.i, 0);

    // An INI name that is a folder cannot be replaced by a file.
    const std::filesystem::path folder_named = base / "folder.ini";
    std::filesystem::create_directories(folder_named);
    r = ini.Write("S", "k", "v", folder_named.string());
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.i, 0);
    EXPECT_TRUE(std::filesystem::is_directory(folder_named));

    // A read-only file keeps its text, and nothing is left behind in the
    // folder (where the system keeps read-only files).
    const std::filesystem::path fixed = base / "fixed";
    std::filesystem::create_directories(fixed);
    const std::filesystem::path ro = fixed / "ro.ini";
    std::ofstream(ro, std::ios::binary) << "[S]\r\nk=old\r\n";
    std::filesystem::permissions(ro,
                                 std::filesystem::perms::owner_read |
                                     std::filesystem::perms::group_read |
                                     std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::replace);
    if (ReadOnlyHolds(ro)) {
        EXPECT_EQ(ini.Write("S", "k", "new", ro.string()).i, 0);
        EXPECT_EQ(ini.Write("S", "k2", "new", ro.string()).i, 0);
        EXPECT_EQ(ini.Delete("S", "k", ro.string()).error, 0);
        EXPECT_EQ(ini.Value("S", "k", ro.string()), "old");
        EXPECT_EQ(IniFiles::Read(ro.string()), "[S]\r\nk=old\r\n");
        EXPECT_EQ(FolderEntries(fixed), std::vector<std::string>{"ro.ini"});
    }
    std::filesystem::permissions(ro, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
    EXPECT_EQ(ini.Write("S", "k", "new", ro.string()).i, 1);
    EXPECT_EQ(ini.Value("S", "k", ro.string()), "new");

    // A folder that cannot be written, where its permissions hold (not for
    // a privileged user, nor on a file system that ignores them).
    std::filesystem::path locked = base / "locked";
    std::filesystem::create_directories(locked);
    std::ofstream(locked / "x.ini", std::ios::binary) << "[S]\r\nk=old\r\n";
    std::filesystem::permissions(
        locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec,
        std::filesystem::perm_options::replace);
    const bool writable = static_cast<bool>(std::ofstream(locked / "probe"));
    if (!writable) {
        const std::string f = (locked / "x.ini").string();
        EXPECT_EQ(ini.Write("S", "k", "new", f).i, 0);
        EXPECT_EQ(ini.Value("S", "k", f), "old");
        EXPECT_EQ(ini.Write("S", "k2", "new", (locked / "y.ini").string()).i, 0);
    }
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
}

TEST(IniPrivate, ConcurrentWritersLoseNothing) {
    IniFiles files;
    const std::filesystem::path folder = std::filesystem::path(files.folder()) / "shared";
    std::filesystem::create_directories(folder);
    const std::string f = (folder / "shared.ini").string();
    constexpr int kKeys = 60;
    auto writer = [&](char tag) {
        Ini ini;
        for (int k = 0; k < kKeys; ++k) {
            const std::string key = std::string(1, tag) + std::to_string(k);
            ini.Write("Shared", key.c_str(), key, f);
        }
    };
    std::thread a(writer, 'a');
    std::thread b(writer, 'b');
    a.join();
    b.join();
    Ini ini;
    for (char tag : {'a', 'b'})
        for (int k = 0; k < kKeys; ++k) {
            const std::string key = std::string(1, tag) + std::to_string(k);
            EXPECT_EQ(ini.Value("Shared", key.c_str(), f), key);
        }
    // The file is replaced whole: no temporary file is left behind.
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

#ifndef _WIN32
// Two processes write keys of their own into one file at the same time;
// the native writer's lock across processes keeps every key. Each writer
// is this test binary running this test alone, with JOL_INI_WRITER naming
// the file. (The Win32 backend leaves this to the system's functions.)
TEST(IniPrivate, ConcurrentProcessesLoseNothing) {
    constexpr int kKeys = 80;
    char writer_file[1024];
    if (plat::get_env("JOL_INI_WRITER", writer_file, sizeof writer_file) > 0) {
        // A writer: keys tagged with a random number of its own.
        std::random_device random;
        const std::string tag = "p" + std::to_string(random()) + "_";
        Ini ini;
        for (int k = 0; k < kKeys; ++k) {
            const std::string key = tag + std::to_string(k);
            ASSERT_EQ(ini.Write("Shared", key.c_str(), key, writer_file).i, 1);
        }
        return;
    }
    IniFiles files;
    const std::filesystem::path folder = std::filesystem::path(files.folder()) / "processes";
    std::filesystem::create_directories(folder);
    const std::string f = (folder / "shared.ini").string();
    char self[4096];
    ASSERT_GT(plat::executable_path(self, sizeof self), 0u);
    ASSERT_TRUE(plat::set_env("JOL_INI_WRITER", f.c_str()));
    const std::string command = std::string("\"") + self +
                                "\" --gtest_filter=IniPrivate.ConcurrentProcessesLoseNothing" +
                                " > /dev/null 2>&1";
    int status[2] = {-1, -1};
    std::thread a([&] { status[0] = std::system(command.c_str()); });
    std::thread b([&] { status[1] = std::system(command.c_str()); });
    a.join();
    b.join();
    plat::set_env("JOL_INI_WRITER", nullptr);
    EXPECT_EQ(status[0], 0);
    EXPECT_EQ(status[1], 0);

    Ini ini;
    const std::string list = ini.Items("Shared", f).s;
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t tab; (tab = list.find('\t', start)) != std::string::npos; start = tab + 1)
        names.push_back(list.substr(start, tab - start));
    names.push_back(list.substr(start));
    ASSERT_EQ(names.size(), 2u * kKeys);
    std::vector<std::string> tags;
    for (const std::string& name : names) {
        EXPECT_EQ(ini.Value("Shared", name.c_str(), f), name);
        const std::string tag = name.substr(0, name.find('_'));
        if (std::find(tags.begin(), tags.end(), tag) == tags.end()) tags.push_back(tag);
    }
    EXPECT_EQ(tags.size(), 2u);
    // The file is replaced whole: no temporary file is left behind.
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"shared.ini"});
}
#endif

std::string Names(const char* prefix, int first, int count, char open, char close,
                  const char* eol) {
    std::string text;
    for (int k = first; k < first + count; ++k)
        text += std::string(1, open) + prefix + std::to_string(k) + close + eol;
    return text;
}

TEST(IniItemize, SectionNamesOfAPrivateFile) {
    IniFiles files;
    Ini ini;
    std::string f = files.Fresh("[A]\r\nx=1\r\n \t[B]  ; note\r\n[unclosed\r\n y=[no]\r\n[]\r\n");
    EXPECT_EQ(ini.Items("", f).s, "A\tB\t");
    f = files.Fresh("[A]\r\n[B]\r\n");
    EXPECT_EQ(ini.Items("", f).s, "A\tB");
    EXPECT_EQ(ini.Items("", files.Fresh("")).s, "");
    // Names are cut to 253 bytes; a name may cross a piece of the reading.
    f = files.Fresh("[" + std::string(300, 'n') + "]\r\n;" + std::string(711, '-') +
                    "\r\n[Straddling]\n[Last]");
    EXPECT_EQ(ini.Items("", f).s, std::string(253, 'n') + "\tStraddling\tLast");
    // The file is located as FileLocate does: a full name with a drive,
    // a name with a folder part, or a bare name found in the current
    // folder; a missing file fails as an empty name does.
    f = files.Fresh("[First]\r\nk=1\r\n[Second]\r\n");
    const std::string drive_name = test::DriveName(f);
    ASSERT_EQ(drive_name.substr(1, 2), ":\\");
    EXPECT_EQ(ini.Items("", drive_name).s, "First\tSecond");
    EXPECT_EQ(ini.Items("First", drive_name).s, "k");
    {
        test::CurrentFolder here(files.folder());
        const std::string bare = std::filesystem::path(f).filename().string();
        EXPECT_EQ(ini.Items("", bare).s, "First\tSecond");
        EXPECT_EQ(ini.Items("", ".\\" + bare).s, "First\tSecond");
    }
    EXPECT_EQ(ini.Items("", files.Fresh(std::string(), false)).error, jol::Err::IniNullSection);
    EXPECT_EQ(ini.rig.Call(kIniModule, id::IniItemize, {""}).error, jol::Err::IniNullSection);

    // A list that outgrows its buffer stops with complete names and 1398.
    f = files.Fresh(Names("section_", 10000, 3000, '[', ']', "\r\n"));
    HandlerResult r = ini.Items("", f);
    EXPECT_EQ(r.error, jol::Err::ListTooLong);
    ASSERT_TRUE(r.text);
    EXPECT_LT(r.s.size(), jol::kIniListSize);
    EXPECT_GT(r.s.size(), jol::kIniListSize - 20);
    EXPECT_EQ(r.s.substr(0, 14), "section_10000\t");
    EXPECT_EQ(r.s.size() % 14, 13u); // whole names only, no tab at the end
    // The same for the keys of a section.
    f = files.Fresh("[Many]\r\n" + Names("key_", 10000, 4000, 'k', '=', "1\r\n"));
    r = ini.Items("Many", f);
    EXPECT_EQ(r.error, jol::Err::ListTooLong);
    EXPECT_LT(r.s.size(), jol::kIniListSize);
    EXPECT_GT(r.s.size(), jol::kIniListSize - 20);
    EXPECT_EQ(r.s.substr(0, 10), "kkey_10000");
    EXPECT_EQ(r.s.size() % 11, 10u);
    f = files.Fresh("[Few]\r\n" + Names("key_", 10000, 100, 'k', '=', "1\r\n"));
    r = ini.Items("Few", f);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.s.size(), 100u * 11 - 1);
}

TEST(IniProfile, TheUsersProfile) {
    test::TempHome home; // the native backend's win.ini lives here
    HandlerRig rig;
    const char* section = "JolUnitTestSection";
    EXPECT_EQ(rig.Call(kIniModule, id::IniWrite, {section, "Alpha", "1"}).i, 1);
    EXPECT_EQ(rig.ctx()->ini_change_sending, 0);
    EXPECT_EQ(rig.Call(kIniModule, id::IniWrite, {section, "Beta", "two"}).i, 1);
    EXPECT_EQ(rig.Call(kIniModule, id::IniRead, {section, "alpha", "d"}).s, "1");
    EXPECT_EQ(rig.Call(kIniModule, id::IniRead, {section, "gamma", "d"}).s, "d");
    EXPECT_EQ(rig.Call(kIniModule, id::IniItemize, {section}).s, "Alpha\tBeta");
    EXPECT_EQ(rig.Call(kIniModule, id::IniWrite, {section, "x", "a\r\nb"}).i, 0);
    rig.Call(kIniModule, id::IniDelete, {section, "alpha"});
    EXPECT_EQ(rig.Call(kIniModule, id::IniItemize, {section}).s, "Beta");
    rig.Call(kIniModule, id::IniDelete, {section, jol::kWholeSectionKey});
    EXPECT_EQ(rig.Call(kIniModule, id::IniItemize, {section}).s, "(NONE)");
    EXPECT_EQ(rig.Call(kIniModule, id::IniRead, {section, "Beta", "gone"}).s, "gone");
    EXPECT_EQ(rig.Call(kIniModule, id::IniItemize, {"NoSuchSectionOfJol"}).s, "(NONE)");
    EXPECT_EQ(rig.Call(kIniModule, id::IniWrite, {"", "", ""}).i, 1);
    EXPECT_EQ(rig.Call(kIniModule, id::IniItemize, {""}).error, jol::Err::IniNullSection);
}

TEST(IniItemize, SectionListerPieces) {
    // Fed one byte at a time the listing is the same.
    char list[64];
    jol::SectionLister lister(list, sizeof list);
    const std::string text = "[One]\r\n  [Two]x\n[Three\n\t[Four]";
    for (char c : text)
        lister.Add(&c, 1);
    EXPECT_STREQ(list, "One\tTwo\tFour");
    EXPECT_FALSE(lister.full());
    // Room is checked before each name: the terminator always fits.
    char small[8];
    jol::SectionLister tight(small, sizeof small);
    tight.Add("[abc]\n[de]\n[f]\n", 15);
    EXPECT_STREQ(small, "abc\tde");
    EXPECT_TRUE(tight.full());
}

} // namespace
