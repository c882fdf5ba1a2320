// The real form windows of Dialog and DialogBox on Windows: however the
// form's message loop ends, its window goes with it, and a quit message
// meant for the host is posted again.
#include <gtest/gtest.h>

#include <string>

#include "platform/answer_queue.h"
#include "platform/desktop.h"
#include "platform/dialog_forms.h"
#include "platform/environment.h"
#include "platform/modules.h"
#include "platform/window_system.h"

#ifdef _WIN32
namespace {

class NoEvents final : public plat::FormEvents {
public:
    bool pressed(plat::Form&, int) override { return true; }
    void list_changed(plat::Form&, int, bool) override {}
};

bool WindowTitled(const std::string& title) {
    for (plat::Hwnd w : plat::desk::top_level_windows())
        if (plat::desk::title(w) == title) return true;
    return false;
}

bool Always(void*) {
    return true;
}

plat::Form OneButton(const std::string& title) {
    static bool registered = false;
    if (!registered) {
        plat::WindowClass wc;
        wc.name = "jo0wcdl2";
        wc.proc = plat::def_window_proc;
        wc.window_extra = 38;
        wc.instance = plat::module_of_address(reinterpret_cast<const void*>(&Always));
        wc.background = 16;
        registered = plat::register_class(wc);
    }
    plat::Form f;
    f.title = title;
    f.class_name = "jo0wcdl2";
    f.x = 50;
    f.y = 50;
    f.w = 200;
    f.h = 80;
    plat::FormControl b;
    b.kind = plat::FormKind::Push;
    b.id = 1;
    b.value = 1;
    b.text = "OK";
    b.x = 10;
    b.y = 10;
    b.w = 60;
    b.h = 20;
    f.controls.push_back(b);
    return f;
}

TEST(DesktopForms, LoopEndsTakeTheWindowAlong) {
    // Real windows: no scripted answers.
    plat::set_env("JOL_ANSWERS", nullptr);
    plat::set_env("JOL_ANSWERS_FILE", nullptr);
    plat::detail::answer_queue_reload();
    ASSERT_FALSE(plat::detail::answer_queue_active());

    NoEvents events;
    plat::Form quit_form = OneButton("JOL form quit test");
    plat::post_quit_message(5);
    EXPECT_EQ(plat::run_form(0, quit_form, events, nullptr, nullptr), plat::FormResult::Quit);
    EXPECT_FALSE(WindowTitled("JOL form quit test"));
    plat::Msg m;
    bool requit = false;
    while (plat::peek_message(&m, true))
        if (m.message == plat::kWmQuit && m.wparam == 5) requit = true;
    EXPECT_TRUE(requit);

    // A cancel (Ctrl+Break) while the form is open.
    plat::Form cancel_form = OneButton("JOL form cancel test");
    plat::post_message(0, 0x0400, 0, 0); // something for the loop to take
    EXPECT_EQ(plat::run_form(0, cancel_form, events, Always, nullptr), plat::FormResult::Cancelled);
    EXPECT_FALSE(WindowTitled("JOL form cancel test"));
    plat::set_env("JOL_ANSWERS", "none");
    plat::detail::answer_queue_reload();
}

} // namespace
#endif
