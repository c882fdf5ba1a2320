// Starting programs: the command-line rules, the registered open command,
// and the launching functions through scripts that start a program which
// writes its arguments down.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/context/script_context.h"
#include "lib/desktop/launch.h"
#include "platform/command_line.h"
#include "platform/environment.h"
#include "platform/launch.h"
#include "platform/profiles.h"
#include "platform/registry.h"
#include "platform/shortcuts.h"
#include "tests/unit/script_rig.h"

namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, SplitsAsTheRuntimeDoes) {
    EXPECT_EQ(plat::split_command_line("prog a b"), (Args{"prog", "a", "b"}));
    EXPECT_EQ(plat::split_command_line("\"C:\\Program Files\\x.exe\" /o"),
              (Args{"C:\\Program Files\\x.exe", "/o"}));
    // Shell characters are plain text.
    EXPECT_EQ(plat::split_command_line("p a;b $(id) `x` |&>"),
              (Args{"p", "a;b", "$(id)", "`x`", "|&>"}));
    EXPECT_EQ(plat::split_command_line("p \"two words\"  tail\t\"\""),
              (Args{"p", "two words", "tail", ""}));
    // Backslashes count only before a double quote.
    EXPECT_EQ(plat::split_command_line("p a\\\\b \\\"q\\\" \"c:\\\\\" d\\\\\\\"e"),
              (Args{"p", "a\\\\b", "\"q\"", "c:\\", "d\\\"e"}));
    EXPECT_EQ(plat::split_command_line("p \"a \"\"b\"\" c\""), (Args{"p", "a \"b\" c"}));
    EXPECT_EQ(plat::split_command_line("p x\"y z\"w"), (Args{"p", "xy zw"}));
    // The program name keeps its backslashes and ends at its quote.
    EXPECT_EQ(plat::split_command_line("\"a\\\"b c"), (Args{"a\\", "b", "c"}));
    // Quoting gives every argument back unchanged.
    for (const std::string a :
         {"", "plain", "two words", "q\"uote", "tail\\", "sp ace\\", "\\\"", "a\\\\\"b"}) {
        const Args back = plat::split_command_line(("p " + plat::quote_argument(a)).c_str());
        ASSERT_EQ(back.size(), 2u) << a;
        EXPECT_EQ(back[1], a);
    }
    std::string program, rest;
    plat::split_program("\"C:\\a b\\p.exe\"   x y", &program, &rest);
    EXPECT_EQ(program, "C:\\a b\\p.exe");
    EXPECT_EQ(rest, "x y");
}

TEST(CommandLine, RegisteredOpenCommand) {
    std::string program, rest;
    // A quoted program path with blanks stays whole, its switches kept.
    jol::SplitRegisteredCommand("\"C:\\Program Files\\App\\app.exe\" /open", &program, &rest);
    EXPECT_EQ(program, "C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(rest, "/open");
    jol::SplitRegisteredCommand("  notepad.exe %1", &program, &rest);
    EXPECT_EQ(program, "notepad.exe");
    EXPECT_EQ(rest, "%1");

    std::string out;
    bool doc = false;
    ASSERT_TRUE(jol::ExpandOpenTemplate("\"%1\" %*", "C:\\d.jtx", "x \"y z\"", 500, &out, &doc));
    EXPECT_EQ(out, "\"C:\\d.jtx\" x \"y z\"");
    EXPECT_TRUE(doc);
    ASSERT_TRUE(
        jol::ExpandOpenTemplate("/p %2 %3 %4 %9 %x %% %L", "D", "a \"b c\" d", 500, &out, &doc));
    EXPECT_EQ(out, "/p a \"b c\" d  %x %% D");
    ASSERT_TRUE(jol::ExpandOpenTemplate("/open", "D", "", 500, &out, &doc));
    EXPECT_EQ(out, "/open");
    EXPECT_FALSE(doc);
    // The expansion is bounded: a longer one is refused, not cut.
    const std::string long_doc(300, 'd');
    EXPECT_FALSE(jol::ExpandOpenTemplate("%1 %1", long_doc.c_str(), "", 500, &out, &doc));
    EXPECT_TRUE(jol::ExpandOpenTemplate("%1", long_doc.c_str(), "", 500, &out, &doc));
}

// A Windows name of the argument program.
std::string DumpProgram() {
    std::string p = JOL_ARGV_DUMP;
#if defined(_WIN32)
    // Built on the Linux side of Wine: its drive is Z:.
    if (!p.empty() && p[0] == '/') {
        for (char& c : p)
            if (c == '/') c = '\\';
        p = "Z:" + p;
    }
#endif
    return p;
}

std::string WindowsName(const std::string& posix) {
#if defined(_WIN32)
    std::string p = posix;
    if (!p.empty() && p[0] == '/') {
        for (char& c : p)
            if (c == '/') c = '\\';
        p = "Z:" + p;
    }
    return p;
#else
    return posix;
#endif
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

Args Lines(const std::string& text, const char* prefix) {
    Args out;
    std::istringstream in(text);
    std::string line;
    const std::string p = prefix;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, p.size(), p) == 0) out.push_back(line.substr(p.size()));
    }
    return out;
}

// Waits up to ms for a file to hold a line beginning with prefix.
bool WaitForLine(const std::string& path, const char* prefix, int ms) {
    for (int waited = 0; waited < ms; waited += 50) {
        if (!Lines(ReadAll(path), prefix).empty()) return true;
        plat::sleep_ms(50);
    }
    return false;
}

class Launching : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig_.ok());
        log_ = (std::filesystem::path(rig_.folder()) / "argv.log").string();
        plat::set_env("JOL_ARGV_FILE", log_.c_str());
        plat::set_env("JOL_ARGV_SLEEP", nullptr);
        plat::set_env("JOL_ARGV_EXIT", nullptr);
    }
    void TearDown() override {
        plat::set_env("JOL_ARGV_FILE", nullptr);
        plat::set_env("JOL_ARGV_SLEEP", nullptr);
        plat::set_env("JOL_ARGV_EXIT", nullptr);
        std::error_code ec;
        std::filesystem::remove(log_, ec);
    }
    // Runs the lines (CR LF joined) and returns the script's error code.
    int Run(const std::string& lines) {
        rig_.Run(lines + "\r\n");
        return rig_.LastRun().error;
    }
    std::string Log() { return ReadAll(log_); }

    test::ScriptRig rig_;
    std::string log_;
};

TEST_F(Launching, ArgumentsArriveLiterally) {
    const std::string dump = DumpProgram();
    // A parameter string with a shell's special characters: each must
    // arrive as written, split only by the command-line rules.
    ASSERT_EQ(Run("r = RunWait('" + dump +
                  "', 'a;b \"two words\" $(touch x) `id` |more \\\"esc\\\" 50%%')"),
              0);
    EXPECT_EQ(rig_.Var("r"), "1");
    EXPECT_EQ(Lines(Log(), "arg="),
              (Args{"a;b", "two words", "$(touch", "x)", "`id`", "|more", "\"esc\"", "50%"}));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(rig_.folder()) / "x"));
    EXPECT_FALSE(std::filesystem::exists("x"));
}

TEST_F(Launching, WaitModesAndDirectory) {
    const std::string dump = DumpProgram();
    // RunWait returns only after the program ended.
    plat::set_env("JOL_ARGV_SLEEP", "600");
    plat::set_env("JOL_ARGV_EXIT", "3");
    ASSERT_EQ(Run("r = RunWait('" + dump + "', 'w')"), 0);
    EXPECT_EQ(rig_.Var("r"), "1");
    EXPECT_EQ(Lines(Log(), "slept").size(), 1u) << Log();
    std::filesystem::remove(log_);
    // Run does not wait: it is back while the program still sleeps (long
    // enough for a slow start of the program on a loaded machine).
    plat::set_env("JOL_ARGV_SLEEP", "5000");
    ASSERT_EQ(Run("r = Run('" + dump + "', 'nowait')"), 0);
    EXPECT_TRUE(Lines(Log(), "slept").empty());
    EXPECT_TRUE(WaitForLine(log_, "slept", 20000));
    std::filesystem::remove(log_);
    plat::set_env("JOL_ARGV_SLEEP", nullptr);
    // RunShell in a working directory of its own.
    const std::string dir = WindowsName(rig_.folder());
    ASSERT_EQ(Run("r = RunShell('" + dump + "', 'd', '" + dir + "', @NORMAL, @WAIT)"), 0);
    const Args cwd = Lines(Log(), "cwd=");
    ASSERT_EQ(cwd.size(), 1u);
    EXPECT_EQ(std::filesystem::path(cwd[0]).filename(),
              std::filesystem::path(rig_.folder()).filename());
    // Bad wait and display modes fail before anything starts.
    std::filesystem::remove(log_);
    EXPECT_EQ(Run("RunShell('" + dump + "', '', '', @NORMAL, 0)"), 3383);
    EXPECT_EQ(Run("RunShell('" + dump + "', '', '', 0, @WAIT)"), 3384);
    EXPECT_EQ(Run("RunEnviron('" + dump + "', '', 4, @WAIT)"), 3384);
    EXPECT_EQ(Run("Print('" + dump + "', '', @NORMAL, @WAIT)"), 3387);
    EXPECT_EQ(Run("RunExit('" + dump + "', '')"), 3252);
    EXPECT_FALSE(std::filesystem::exists(log_));
    // A program that is not there.
    EXPECT_EQ(Run("Run('" + WindowsName(rig_.folder()) + "/no-such-program', '')"), 1932);
    // The command line is bounded: a longer one is refused, not cut.
    EXPECT_EQ(Run("RunWait('" + dump + "', StrFix('x', 'y', 1400))"), 1932);
    EXPECT_FALSE(std::filesystem::exists(log_));
}

// The host stops the script once the started program has written its
// arguments, as a host's cancel request would.
struct CancelOnStart {
    std::string log;
    plat::MemHandle context = 0;
    bool fired = false;
};
CancelOnStart g_cancel;

std::int32_t JOL_STDCALL StopWhenStarted(jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg request,
                                         jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg,
                                         jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg) {
    if (request != jol::notify::Poll || g_cancel.fired) return 0;
    if (Lines(ReadAll(g_cancel.log), "arg=").empty()) return 0;
    auto* ctx = static_cast<jol::ScriptContext*>(plat::mem_lock(g_cancel.context));
    ctx->cancel = 1;
    ctx->report_cancel = 0;
    plat::mem_unlock(g_cancel.context);
    g_cancel.fired = true;
    return 0;
}

TEST_F(Launching, CancelEndsTheWait) {
    const std::string dump = DumpProgram();
    plat::set_env("JOL_ARGV_SLEEP", "8000");
    rig_.Lock()->hook_flags = 1;
    rig_.Unlock();
    g_cancel = CancelOnStart{log_, rig_.context(), false};
    rig_.Run("r = RunWait('" + dump + "', 'long')\r\nafter = 1\r\n", &StopWhenStarted);
    EXPECT_TRUE(g_cancel.fired);
    EXPECT_EQ(rig_.Var("after"), "<none>");
    // The wait ended while the program still slept; it runs on.
    EXPECT_TRUE(Lines(Log(), "slept").empty());
    EXPECT_TRUE(WaitForLine(log_, "slept", 20000));
}

// A shortcut found for a name that is no program: its program starts with
// the shortcut's arguments, and @WAIT waits for it with the pump, so that
// a cancel ends the wait as for any other program.
TEST_F(Launching, ShortcutWaitPumpsAndCancels) {
    const std::string link = WindowsName(rig_.folder()) + "/dumplink";
    plat::ShortcutChange change;
    const std::string dump = DumpProgram();
    change.target = dump.c_str();
    change.arguments = "from link";
    ASSERT_EQ(plat::write_shortcut((link + ".lnk").c_str(), change, false),
              plat::ShortcutStatus::Ok);
    plat::set_env("JOL_ARGV_SLEEP", "300");
    ASSERT_EQ(Run("r = RunWait('" + link + "', 'ignored')"), 0);
    EXPECT_EQ(rig_.Var("r"), "1");
    EXPECT_EQ(Lines(Log(), "arg="), (Args{"from", "link"}));
    EXPECT_EQ(Lines(Log(), "slept").size(), 1u);
    std::filesystem::remove(log_);
    plat::set_env("JOL_ARGV_SLEEP", "8000");
    rig_.Lock()->hook_flags = 1;
    rig_.Unlock();
    g_cancel = CancelOnStart{log_, rig_.context(), false};
    rig_.Run("r = RunWait('" + link + "', '')\r\nafter = 1\r\n", &StopWhenStarted);
    EXPECT_TRUE(g_cancel.fired);
    EXPECT_EQ(rig_.Var("after"), "<none>");
    EXPECT_TRUE(Lines(Log(), "slept").empty());
    EXPECT_TRUE(WaitForLine(log_, "slept", 20000));
}

TEST_F(Launching, AppPathsAndPathOfTheChild) {
    const std::string dump = DumpProgram();
    const std::string folder = WindowsName(rig_.folder());
    plat::RegKey key = 0;
    const std::string name =
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\JOLDUMPTEST.EXE";
    ASSERT_EQ(plat::reg_create_key(plat::reg_root(plat::RegRoot::LocalMachine), name.c_str(), &key),
              0u);
    ASSERT_EQ(plat::reg_set_value(key, "", plat::regtype::String, dump.c_str(),
                                  static_cast<std::uint32_t>(dump.size() + 1)),
              0u);
    ASSERT_EQ(plat::reg_set_value(key, "Path", plat::regtype::String, folder.c_str(),
                                  static_cast<std::uint32_t>(folder.size() + 1)),
              0u);
    plat::reg_close(key);
    char before[8192] = {};
    plat::get_env("PATH", before, sizeof before);
    // A bare registered name starts the registered program, which finds
    // the key's folders first on its PATH; the library's PATH stays.
    const int error = Run("r = RunWait('joldumptest', 'via app paths')");
    plat::reg_delete_key(plat::reg_root(plat::RegRoot::LocalMachine), name.c_str());
    ASSERT_EQ(error, 0);
    EXPECT_EQ(Lines(Log(), "arg="), (Args{"via", "app", "paths"}));
    const Args path = Lines(Log(), "path=");
    ASSERT_EQ(path.size(), 1u);
    EXPECT_NE(path[0].find(rig_.folder()), std::string::npos) << path[0];
    char after[8192] = {};
    plat::get_env("PATH", after, sizeof after);
    EXPECT_STREQ(before, after);
}

// The open command registered for a document type, with and without %1.
TEST_F(Launching, DocumentAssociation) {
    const std::string dump = DumpProgram();
    const std::string doc = WindowsName(rig_.File("letter.jtx", "text"));
    const plat::RegKey classes = plat::reg_root(plat::RegRoot::ClassesRoot);
    auto set = [&](const char* subkey, const std::string& value) {
        plat::RegKey k = 0;
        ASSERT_EQ(plat::reg_create_key(classes, subkey, &k), 0u);
        ASSERT_EQ(plat::reg_set_value(k, "", plat::regtype::String, value.c_str(),
                                      static_cast<std::uint32_t>(value.size() + 1)),
                  0u);
        plat::reg_close(k);
    };
    set(".jtx", "JolTestDoc");
    set("JolTestDoc\\shell\\open\\command", "\"" + dump + "\" /open \"%1\" %2 %*");
    int error = Run("r = RunWait('" + doc + "', 'p1 p2')");
    EXPECT_EQ(error, 0);
    EXPECT_EQ(Lines(Log(), "arg="), (Args{"/open", doc, "p1", "p1", "p2"}));
    std::filesystem::remove(log_);
    // Without %1 the document comes after the command's own switches.
    set("JolTestDoc\\shell\\open\\command", "\"" + dump + "\" /view");
    error = Run("r = RunWait('" + doc + "', '')");
    plat::reg_delete_key(classes, "JolTestDoc\\shell\\open\\command");
    plat::reg_delete_key(classes, "JolTestDoc\\shell\\open");
    plat::reg_delete_key(classes, "JolTestDoc\\shell");
    plat::reg_delete_key(classes, "JolTestDoc");
    plat::reg_delete_key(classes, ".jtx");
    EXPECT_EQ(error, 0);
    EXPECT_EQ(Lines(Log(), "arg="), (Args{"/view", doc}));
}

TEST_F(Launching, ShellExecuteAndProcessTests) {
    const std::string dump = DumpProgram();
    // An empty file is an error; a refusal of the shell only answers 0.
    EXPECT_EQ(Run("ShellExecute('', '', '', @NORMAL, '')"), 1449);
    EXPECT_EQ(Run("r = ShellExecute('" + WindowsName(rig_.folder()) +
                  "/missing.jtx', '', '', @NORMAL, '')"),
              0);
    EXPECT_EQ(rig_.Var("r"), "0");
    // A program is started with its parameters.
    plat::set_env("JOL_ARGV_SLEEP", "3000");
    ASSERT_EQ(Run("r = ShellExecute('" + dump + "', 'se \"x y\"', '', @NORMAL, '')"), 0);
    EXPECT_EQ(rig_.Var("r"), "1");
    ASSERT_TRUE(WaitForLine(log_, "arg=", 10000));
    EXPECT_EQ(Lines(Log(), "arg="), (Args{"se", "x y"}));
    // While it runs it is found by its root name in any case.
    ASSERT_EQ(Run("a = AppExist('JOL_ARGV_DUMP.exe')\r\nw = AppWaitClose('jol_argv_dump')"), 0);
    EXPECT_EQ(rig_.Var("a"), "1");
    EXPECT_EQ(rig_.Var("w"), "1");
    EXPECT_EQ(Lines(Log(), "slept").size(), 1u);
    // A program that does not run: 0 after the eight tests.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Run("a = AppExist('jol-no-such-program')"), 0);
    EXPECT_EQ(rig_.Var("a"), "0");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3400));
}

// Only the priority and console bits of IntControl 51 reach the system: a
// debug or suspended start would leave the program stopped for good.
TEST_F(Launching, CreationFlagsAreChecked) {
    const std::string dump = DumpProgram();
    ASSERT_EQ(Run("old = IntControl(51, 4|1|2, '', '', '')\r\nr = RunWait('" + dump +
                  "', 'ran')\r\nnow = IntControl(51, 32, '', '', '')"),
              0);
    EXPECT_EQ(rig_.Var("old"), "32");
    EXPECT_EQ(rig_.Var("now"), "7");
    EXPECT_EQ(Lines(Log(), "arg="), (Args{"ran"}));
    EXPECT_EQ(plat::create::Allowed & 0x7u, 0u);
}

// The extensions launcher of the service entry: the profile's EXTENSIONS
// section names the program; "^" is the file without its extension.
TEST_F(Launching, ExtensionsLauncher) {
    auto* ctx = rig_.Bind();
    std::filesystem::path exe = std::filesystem::path(rig_.folder()) / "dumpext.exe";
    std::filesystem::copy_file(DumpProgram(), exe);
    std::filesystem::permissions(exe, std::filesystem::perms::owner_all);
    const std::string program = WindowsName(exe.string());
    ASSERT_TRUE(
        plat::write_profile_string(nullptr, "EXTENSIONS", "jtq", (program + " /x ^.jtq").c_str()));
    const std::string file = WindowsName(rig_.folder()) + "/note.jtq";
    EXPECT_EQ(jol::RunByExtension(ctx, (file + " more").c_str(), 1, true), 1);
    EXPECT_EQ(ctx->error_code, 0);
    const std::string stem = file.substr(0, file.size() - 4);
    EXPECT_EQ(Lines(Log(), "arg="), (Args{"/x", stem + ".jtq", "more"}));
    // No application for the extension, or a value too short: 1933.
    EXPECT_EQ(jol::RunByExtension(ctx, (WindowsName(rig_.folder()) + "/a.zzq").c_str(), 1, false),
              0);
    EXPECT_EQ(ctx->error_code, 1933);
    ctx->error_code = 0;
    ASSERT_TRUE(plat::write_profile_string(nullptr, "EXTENSIONS", "jtq", "a.exe"));
    EXPECT_EQ(jol::RunByExtension(ctx, file.c_str(), 1, false), 0);
    EXPECT_EQ(ctx->error_code, 1933);
    ctx->error_code = 0;
    // A program without a program extension is refused.
    ASSERT_TRUE(plat::write_profile_string(nullptr, "EXTENSIONS", "jtq", "prog.txt ^.jtq"));
    EXPECT_EQ(jol::RunByExtension(ctx, file.c_str(), 1, false), 0);
    EXPECT_EQ(ctx->error_code, 1933);
    ctx->error_code = 0;
    // "^" replaced many times stays within the work buffer.
    ASSERT_TRUE(plat::write_profile_string(nullptr, "EXTENSIONS", "jtq",
                                           (program + " " + std::string(200, '^')).c_str()));
    EXPECT_EQ(jol::RunByExtension(ctx, file.c_str(), 1, false), 0);
    EXPECT_EQ(ctx->error_code, 1932);
    ctx->error_code = 0;
    plat::write_profile_string(nullptr, "EXTENSIONS", nullptr, nullptr);
    rig_.Unbind();
}

// IntControl 66 to 68: the request is checked and recorded, never sent.
TEST_F(Launching, SessionEndRequests) {
    const std::string record = (std::filesystem::path(rig_.folder()) / "session.log").string();
    plat::set_env("JOL_SESSION_REQUESTS", record.c_str());
    // A log-off needs no privilege: accepted, the script ends silently.
    ASSERT_EQ(Run("r = IntControl(66, 0, 1, '', '')\r\nafter = 1"), 0);
    EXPECT_EQ(rig_.Var("r"), "0");
    EXPECT_EQ(rig_.Var("after"), "<none>");
    EXPECT_EQ(ReadAll(record), "logoff force\n");
    // A request the system refuses leaves the script running.
    const std::string nowhere = (std::filesystem::path(rig_.folder()) / "no" / "such.log").string();
    plat::set_env("JOL_SESSION_REQUESTS", nowhere.c_str());
    ASSERT_EQ(Run("r = IntControl(66, 0, 0, '', '')\r\nafter = 2"), 0);
    EXPECT_EQ(rig_.Var("after"), "2");
    plat::set_env("JOL_SESSION_REQUESTS", record.c_str());
    std::filesystem::remove(record);
    // Restarting and shutting down need the shutdown privilege.
#if defined(_WIN32)
    // The process may enable it: the requests are recorded.
    ASSERT_EQ(Run("r = IntControl(67, 0, 0, '', '')"), 0);
    ASSERT_EQ(Run("r = IntControl(68, 0, 1, '', '')"), 0);
    EXPECT_EQ(ReadAll(record), "restart\nshutdown force\n");
#else
    // Natively logind must allow it; a busctl of the test's own answers
    // for it, first no, then yes.
    const std::filesystem::path bin = std::filesystem::path(rig_.folder()) / "bin";
    std::filesystem::create_directories(bin);
    auto answer = [&](const char* word) {
        std::ofstream(bin / "busctl") << "#!/bin/sh\necho 's \"" << word << "\"'\n";
        std::filesystem::permissions(bin / "busctl", std::filesystem::perms::owner_all);
    };
    char path[8192] = {};
    plat::get_env("PATH", path, sizeof path);
    plat::set_env("PATH", (bin.string() + ":" + path).c_str());
    answer("no");
    EXPECT_EQ(Run("r = IntControl(67, 0, 0, '', '')\r\nafter = 3"), 1388);
    EXPECT_EQ(Run("r = IntControl(68, 0, 1, '', '')"), 1388);
    EXPECT_FALSE(std::filesystem::exists(record));
    answer("yes");
    EXPECT_EQ(Run("r = IntControl(67, 0, 0, '', '')"), 0);
    EXPECT_EQ(Run("r = IntControl(68, 0, 1, '', '')"), 0);
    plat::set_env("PATH", path);
    EXPECT_EQ(ReadAll(record), "restart\nshutdown force\n");
#endif
    plat::set_env("JOL_SESSION_REQUESTS", nullptr);
}

} // namespace
