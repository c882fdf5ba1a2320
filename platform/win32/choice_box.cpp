// A dialog with the caller's buttons, built as an in-memory template: a
// frame with the text lines above two columns of buttons.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/answer_queue.h"
#include "platform/boxes.h"

namespace plat {
namespace {

constexpr short kWidth = 209;
constexpr short kButtonWidth = 90;
constexpr short kButtonHeight = 14;
constexpr short kLineHeight = 9;

class Template {
public:
    void word(WORD v) { data_.push_back(v); }
    void dword(DWORD v) {
        word(LOWORD(v));
        word(HIWORD(v));
    }
    void text(const char* s) {
        const int n = MultiByteToWideChar(CP_ACP, 0, s ? s : "", -1, nullptr, 0);
        std::vector<wchar_t> w(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
        if (n > 0) MultiByteToWideChar(CP_ACP, 0, s ? s : "", -1, w.data(), n);
        for (wchar_t c : w)
            word(static_cast<WORD>(c));
    }
    void align() {
        if (data_.size() % 2) word(0);
    }
    void item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls,
              const char* title) {
        align();
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0);
        word(static_cast<WORD>(x));
        word(static_cast<WORD>(y));
        word(static_cast<WORD>(cx));
        word(static_cast<WORD>(cy));
        word(id);
        word(0xFFFF);
        word(cls);
        text(title);
        word(0);
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(data_.data()); }

private:
    std::vector<WORD> data_;
};

INT_PTR CALLBACK ChoiceProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED) {
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
    }
    return FALSE;
}

} // namespace

int choice_box(Hwnd owner, const char* title, const char* const* lines, int line_count,
               const ChoiceButton* buttons, int button_count) {
    if (!buttons || button_count <= 0) return 0;
    if (detail::answer_queue_active()) {
        std::string text;
        for (int i = 0; i < line_count; ++i) {
            if (i) text += ' ';
            text += lines[i] ? lines[i] : "";
        }
        detail::write_box(title, text.c_str());
        return detail::answer_queue_next_choice(buttons, button_count);
    }
    const short frame_height =
        static_cast<short>(8 + kLineHeight * (line_count > 0 ? line_count : 1));
    const short rows = static_cast<short>((button_count + 1) / 2);
    const short height = static_cast<short>(frame_height + 14 + rows * (kButtonHeight + 3));
    Template t;
    t.dword(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    t.dword(0);
    t.word(static_cast<WORD>(1 + line_count + button_count));
    t.word(0);
    t.word(0);
    t.word(static_cast<WORD>(kWidth));
    t.word(static_cast<WORD>(height));
    t.word(0); // no menu
    t.word(0); // the standard dialog class
    t.text(title);
    t.word(8);
    t.text("MS Shell Dlg");
    t.item(SS_BLACKFRAME, 10, 4, 188, frame_height, 0xFFFF, 0x0082, "");
    for (int i = 0; i < line_count; ++i)
        t.item(SS_LEFT | SS_NOPREFIX, 14, static_cast<short>(8 + i * kLineHeight), 180, kLineHeight,
               0xFFFF, 0x0082, lines[i]);
    for (int i = 0; i < button_count; ++i) {
        const short x = (i % 2) ? 109 : 10;
        const short y = static_cast<short>(frame_height + 10 + (i / 2) * (kButtonHeight + 3));
        const DWORD style = WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        t.item(style, x, y, kButtonWidth, kButtonHeight, static_cast<WORD>(buttons[i].id), 0x0080,
               buttons[i].label);
    }
    const INT_PTR chosen = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.get(),
                                                   reinterpret_cast<HWND>(owner), ChoiceProc, 0);
    return chosen <= 0 ? 0 : static_cast<int>(chosen);
}

} // namespace plat
