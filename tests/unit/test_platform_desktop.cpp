// The contract of the desktop and process areas on both backends. The unit
// tests run natively without a display (the desktop tests cover a real X
// server) and under Wine on its desktop, so the two halves differ in the
// open below.
#include <gtest/gtest.h>

#include <string>

#include "platform/abi.h"
#include "platform/desktop.h"
#include "platform/modules.h"
#include "platform/processes.h"
#include "platform/window_system.h"

namespace {

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}

// The program of this test as the process list must name it.
bool IsThisProgram(const std::string& program) {
    const std::string name = BaseName(program);
    return name == "jol_unit_tests" || name == "jol_unit_tests.exe";
}

std::intptr_t JOL_STDCALL Proc(plat::Hwnd w, unsigned message, std::uintptr_t wparam,
                               std::intptr_t lparam) {
    return plat::def_window_proc(w, message, wparam, lparam);
}

int JOL_STDCALL Count(plat::Hwnd, std::intptr_t data) {
    ++*reinterpret_cast<int*>(data);
    return 1;
}

int JOL_STDCALL StopAtFirst(plat::Hwnd, std::intptr_t data) {
    ++*reinterpret_cast<int*>(data);
    return 0;
}

} // namespace

TEST(PlatformProcesses, TheListNamesThisProcessAndItsProgram) {
    const std::uint32_t me = plat::current_process_id();
    ASSERT_NE(me, 0u);
    bool listed = false;
    for (const plat::ProcessEntry& p : plat::list_processes()) {
        if (p.pid != me) continue;
        listed = true;
        EXPECT_TRUE(IsThisProgram(p.program)) << p.program;
    }
    EXPECT_TRUE(listed);
    std::string program;
    ASSERT_TRUE(plat::process_program(me, &program));
    EXPECT_TRUE(IsThisProgram(program)) << program;
    // A process that is not there has no program (and leaves out as it was).
    program = "kept";
    EXPECT_FALSE(plat::process_program(0xFFFFFFF0u, &program));
    EXPECT_EQ(program, "kept");
}

TEST(PlatformDesktop, OwnWindowsAnswerAndGoneWindowsAreNothing) {
    plat::WindowClass wc;
    wc.name = "JolDesktopContract";
    wc.proc = Proc;
    wc.instance = plat::module_of_address(reinterpret_cast<const void*>(&Proc));
    ASSERT_TRUE(plat::register_class(wc));
    const plat::Hwnd w = plat::create_window(wc.name, "Contract window", plat::ws::OverlappedWindow,
                                             10, 20, 300, 200, 0, wc.instance, nullptr);
    ASSERT_NE(w, 0u);
    EXPECT_EQ(plat::desk::title(w), "Contract window");
    EXPECT_EQ(plat::desk::title(w, 8), "Contract");
    ASSERT_TRUE(plat::desk::set_title(w, "Renamed"));
    EXPECT_EQ(plat::desk::title(w), "Renamed");
    plat::Rect r;
    ASSERT_TRUE(plat::desk::window_rect(w, &r));
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 200);

    int seen = 0;
    plat::desk::enum_windows(Count, reinterpret_cast<std::intptr_t>(&seen));
#if defined(_WIN32)
    // Wine's desktop lists the window among the top-level windows, and an
    // enumeration stops where the callback says so.
    EXPECT_TRUE(plat::desk::available());
    bool listed = false;
    for (plat::Hwnd t : plat::desk::top_level_windows())
        listed = listed || t == w;
    EXPECT_TRUE(listed);
    EXPECT_GE(seen, 1);
    int stopped = 0;
    plat::desk::enum_windows(StopAtFirst, reinterpret_cast<std::intptr_t>(&stopped));
    EXPECT_EQ(stopped, 1);
#else
    // Without a display there is no desktop: the library's own windows are
    // not the desktop's, and nothing is listed or enumerated.
    EXPECT_FALSE(plat::desk::available());
    EXPECT_TRUE(plat::desk::top_level_windows().empty());
    EXPECT_EQ(seen, 0);
    (void)StopAtFirst;
#endif

    ASSERT_TRUE(plat::destroy_window(w));
    EXPECT_EQ(plat::desk::title(w), "");
    EXPECT_FALSE(plat::desk::is_visible(w));
    EXPECT_FALSE(plat::desk::window_rect(w, &r));
    EXPECT_FALSE(plat::desk::set_title(w, "ghost"));
    int children = 0;
    plat::desk::enum_child_windows(w, Count, reinterpret_cast<std::intptr_t>(&children));
    EXPECT_EQ(children, 0);
}
