// The standard dialogs from the library's own templates (LINEASK, PSWDASK,
// BOXITEM, BOXITEMM, TDISPLAY, FILEWARN) and the system's file dialogs.
#include <windows.h>

#include <commdlg.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/abi.h"
#include "platform/answer_queue.h"
#include "platform/boxes.h"
#include "platform/dialogs.h"

namespace plat {
namespace {

constexpr int kPrompt = 11;
constexpr int kEdit = 12;
constexpr int kList = 101;
constexpr unsigned kTimerStep = 30000;
constexpr unsigned kHoldRecheck = 700;
constexpr UINT_PTR kTimerId = 1;
// The file dialog's record without its later extension fields: 76 bytes
// on 32-bit Windows, larger on 64-bit builds, where 76 is refused.
constexpr DWORD kFileRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(sizeof(void*) != 4 || kFileRecordSize == 76);

HINSTANCE library_instance() {
    HMODULE m = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&library_instance), &m);
    return m;
}

void center_on_screen(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    const int cx = r.right - r.left, cy = r.bottom - r.top;
    SetWindowPos(w, nullptr, (GetSystemMetrics(SM_CXSCREEN) - cx) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - cy) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

template <typename T> T* state_of(HWND dialog) {
    return reinterpret_cast<T*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void set_labels(HWND dialog, const ButtonLabels& labels) {
    SetDlgItemTextA(dialog, IDOK, labels.ok ? labels.ok : "&Ok");
    SetDlgItemTextA(dialog, IDCANCEL, labels.cancel ? labels.cancel : "&Cancel");
}

struct LineState {
    const LineDialog* d;
    std::string answer;
};

struct ListState {
    const ListDialog* d;
    std::vector<std::string> selected;
    bool lost = false;
};

struct ReplaceState {
    const char* title;
    const char* const* lines;
    const ChoiceButton* buttons;
};

struct TimedState {
    const TimedDialog* d;
    unsigned remaining = 0;
};

// The text of a list entry, whatever its length.
std::string entry_text(HWND list, int index) {
    const LRESULT n = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n == LB_ERR || n < 0) return std::string();
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    const LRESULT got = SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                     reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got == LB_ERR || got < 0 ? 0 : static_cast<std::size_t>(got));
    return text;
}

void read_selection(HWND dialog, ListState* s) {
    HWND list = GetDlgItem(dialog, kList);
    s->selected.clear();
    if (!s->d->multiple) {
        const LRESULT at = SendMessageA(list, LB_GETCURSEL, 0, 0);
        if (at != LB_ERR) s->selected.push_back(entry_text(list, static_cast<int>(at)));
        return;
    }
    const LRESULT count = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
    if (count == LB_ERR || count <= 0) return;
    std::vector<int> items(static_cast<std::size_t>(count));
    const LRESULT got = SendMessageA(list, LB_GETSELITEMS, static_cast<WPARAM>(count),
                                     reinterpret_cast<LPARAM>(items.data()));
    if (got != count) {
        s->lost = true;
        return;
    }
    for (int i : items)
        s->selected.push_back(entry_text(list, i));
}

// The end test of the timed box: it ends unless Alt or the left mouse
// button is held down, when it looks again a little later.
void display_end_test(HWND dialog, TimedState* s) {
    // The keys as they are now, not as the dialog's messages left them: a
    // release that reached another window still lets the box go.
    const bool held =
        (GetAsyncKeyState(VK_MENU) & 0x8000) != 0 || (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0;
    if (held) {
        SetTimer(dialog, kTimerId, kHoldRecheck, nullptr);
        return;
    }
    KillTimer(dialog, kTimerId);
    EndDialog(dialog, s->remaining ? 1 : 0);
}

// The size of the timed box's text in characters: the widest line and the
// number of lines.
void measure(const char* title, const char* text, int* widest, int* lines) {
    int column = 0;
    *widest = static_cast<int>(lstrlenA(title));
    *lines = 1;
    for (const char* p = text; *p; ++p) {
        if (*p == '\r') {
            if (column > *widest) *widest = column;
            column = 0;
            continue;
        }
        ++column;
        if (*p == '\n') ++*lines;
        if (*p == '\t') *widest = (*widest / 8 + 1) * 8;
    }
    if (column > *widest) *widest = column;
}

INT_PTR CALLBACK display_proc(HWND dialog, UINT message, WPARAM, LPARAM lparam) {
    TimedState* s = state_of<TimedState>(dialog);
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        s = reinterpret_cast<TimedState*>(lparam);
        const unsigned first = s->remaining < kTimerStep ? s->remaining : kTimerStep;
        s->remaining -= first;
        SetTimer(dialog, kTimerId, first, nullptr);
        SetWindowTextA(dialog, s->d->title);
        TEXTMETRICA tm{};
        HDC dc = GetDC(nullptr);
        GetTextMetricsA(dc, &tm);
        ReleaseDC(nullptr, dc);
        int widest = 0, lines = 0;
        measure(s->d->title, s->d->text, &widest, &lines);
        const int cx = tm.tmAveCharWidth * (widest + 6) + 2 * GetSystemMetrics(SM_CXBORDER);
        const int cy = 2 * GetSystemMetrics(SM_CYBORDER) + GetSystemMetrics(SM_CYCAPTION) +
                       tm.tmHeight * (lines + 2);
        SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - cx) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - cy) / 2, cx, cy, SWP_NOZORDER);
        return TRUE;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(dialog, &ps);
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        RECT r;
        GetClientRect(dialog, &r);
        r.top += tm.tmHeight;
        if (s && s->d->pretty) {
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, RGB(0, 0, 0));
        } else {
            SetBkMode(dc, OPAQUE);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        }
        if (s) DrawTextA(dc, s->d->text, -1, &r, DT_CENTER | DT_EXPANDTABS | DT_NOPREFIX);
        EndPaint(dialog, &ps);
        return TRUE;
    }
    case WM_TIMER:
        if (!s) return FALSE;
        if (s->remaining >= 2) {
            const unsigned step = s->remaining < kTimerStep ? s->remaining : kTimerStep;
            s->remaining -= step;
            SetTimer(dialog, kTimerId, step, nullptr);
        } else {
            display_end_test(dialog, s);
        }
        return TRUE;
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_COMMAND:
    case WM_LBUTTONUP:
        if (!s) return FALSE;
        s->remaining = 1;
        display_end_test(dialog, s);
        return TRUE;
    case WM_DESTROY:
        KillTimer(dialog, kTimerId);
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK list_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        const ListDialog* d = reinterpret_cast<ListState*>(lparam)->d;
        SetWindowTextA(dialog, d->title);
        HWND list = GetDlgItem(dialog, kList);
        if (d->fixed_font)
            SendMessageA(list, WM_SETFONT,
                         reinterpret_cast<WPARAM>(GetStockObject(SYSTEM_FIXED_FONT)), FALSE);
        if (d->system_menu) {
            LONG_PTR style = GetWindowLongPtrA(dialog, GWL_STYLE);
            SetWindowLongPtrA(dialog, GWL_STYLE,
                              style | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
            SetWindowPos(dialog, nullptr, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
        }
        if (d->items)
            for (const std::string& item : *d->items)
                SendMessageA(list, d->sorted ? LB_ADDSTRING : LB_INSERTSTRING,
                             d->sorted ? 0 : static_cast<WPARAM>(-1),
                             reinterpret_cast<LPARAM>(item.c_str()));
        set_labels(dialog, d->labels);
        center_on_screen(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND) {
        ListState* s = state_of<ListState>(dialog);
        const int id = LOWORD(wparam);
        if (id == IDOK || (id == kList && HIWORD(wparam) == LBN_DBLCLK)) {
            read_selection(dialog, s);
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndDialog(dialog, 2);
            return TRUE;
        }
    }
    return FALSE;
}

// The answer of DialogBoxParam: 1 OK, 2 Cancel, anything else a dialog
// that could not be made.
DialogEnd ending(INT_PTR r) {
    if (r == 1) return DialogEnd::Ok;
    if (r == 2) return DialogEnd::Cancel;
    return DialogEnd::Failed;
}

} // namespace

} // namespace plat

// The procedure of the line-entry boxes LINEASK and PSWDASK.
JOL_LISTED_EXPORT INT_PTR JOL_STDCALL GetVarBoxProc(HWND dialog, UINT message, WPARAM wparam,
                                                    LPARAM lparam) {
    using plat::LineState;
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        const plat::LineDialog* d = reinterpret_cast<LineState*>(lparam)->d;
        SetWindowTextA(dialog, d->title);
        SetDlgItemTextA(dialog, plat::kPrompt, d->prompt);
        SetDlgItemTextA(dialog, plat::kEdit, d->initial);
        SendDlgItemMessageA(dialog, plat::kEdit, EM_LIMITTEXT, 256, 0);
        SendDlgItemMessageA(dialog, plat::kEdit, EM_SETSEL, 0, -1);
        plat::set_labels(dialog, d->labels);
        return TRUE;
    }
    if (message == WM_COMMAND) {
        LineState* s = plat::state_of<LineState>(dialog);
        if (LOWORD(wparam) == IDOK) {
            char text[257] = {};
            GetDlgItemTextA(dialog, plat::kEdit, text, sizeof text);
            s->answer = text;
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, 2);
            return TRUE;
        }
    }
    return FALSE;
}

// The procedure of the file-replace confirmation FILEWARN.
JOL_LISTED_EXPORT INT_PTR JOL_STDCALL OverwriteProc(HWND dialog, UINT message, WPARAM wparam,
                                                    LPARAM lparam) {
    using plat::ReplaceState;
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        const ReplaceState* s = reinterpret_cast<ReplaceState*>(lparam);
        static const int statics[6] = {110, 107, 108, 109, 111, 112};
        SetWindowTextA(dialog, s->title);
        for (int i = 0; i < 6; ++i)
            SetDlgItemTextA(dialog, statics[i], s->lines[i] ? s->lines[i] : "");
        for (int i = 0; i < 8; ++i)
            SetDlgItemTextA(dialog, s->buttons[i].id,
                            s->buttons[i].label ? s->buttons[i].label : "");
        plat::center_on_screen(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED) {
        const ReplaceState* s = plat::state_of<ReplaceState>(dialog);
        for (int i = 0; s && i < 8; ++i)
            if (s->buttons[i].id == LOWORD(wparam)) {
                EndDialog(dialog, LOWORD(wparam));
                return TRUE;
            }
    }
    return FALSE;
}

namespace plat {

int replace_box(Hwnd owner, const char* title, const char* const lines[6],
                const ChoiceButton buttons[8]) {
    static const int ids[8] = {1, 101, 104, 106, 102, 105, 103, 2};
    bool standard = true;
    for (int i = 0; i < 8; ++i)
        standard = standard && buttons[i].id == ids[i];
    // Scripted answers, and buttons other than the template's, go through
    // the box of the caller's own buttons.
    if (detail::answer_queue_active() || !standard)
        return choice_box(owner, title, lines, 6, buttons, 8);
    ReplaceState s{title, lines, buttons};
    const INT_PTR r = DialogBoxParamA(library_instance(), "FILEWARN", reinterpret_cast<HWND>(owner),
                                      OverwriteProc, reinterpret_cast<LPARAM>(&s));
    return r <= 0 ? 0 : static_cast<int>(r);
}

DialogEnd line_dialog(const LineDialog& d, std::string* answer) {
    LineState s{&d, {}};
    const INT_PTR r = DialogBoxParamA(library_instance(), d.password ? "PSWDASK" : "LINEASK",
                                      reinterpret_cast<HWND>(d.owner), GetVarBoxProc,
                                      reinterpret_cast<LPARAM>(&s));
    *answer = s.answer;
    return ending(r);
}

DialogEnd list_dialog(const ListDialog& d, std::vector<std::string>* selected,
                      bool* selection_lost) {
    ListState s{&d, {}, false};
    const INT_PTR r =
        DialogBoxParamA(library_instance(), d.multiple ? "BOXITEMM" : "BOXITEM",
                        reinterpret_cast<HWND>(d.owner), list_proc, reinterpret_cast<LPARAM>(&s));
    *selected = s.selected;
    *selection_lost = s.lost;
    return ending(r);
}

int timed_dialog(const TimedDialog& d) {
    TimedState s{&d, d.ms};
    const INT_PTR r =
        DialogBoxParamA(library_instance(), "TDISPLAY", reinterpret_cast<HWND>(d.owner),
                        display_proc, reinterpret_cast<LPARAM>(&s));
    return r == 1 ? 1 : 0;
}

DialogEnd file_dialog(const FileDialog& d, std::string* name) {
    char file[257] = {};
    lstrcpynA(file, d.initial ? d.initial : "", sizeof file);
    OPENFILENAMEA ofn{};
    // The record without the extension fields of later systems, in the
    // size of this build (76 bytes on 32-bit Windows).
    ofn.lStructSize = kFileRecordSize;
    ofn.hwndOwner = reinterpret_cast<HWND>(d.owner);
    ofn.lpstrFilter = d.filter && d.filter_size >= 2 ? d.filter : nullptr;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = d.directory && *d.directory ? d.directory : nullptr;
    ofn.lpstrTitle = d.title && *d.title ? d.title : nullptr;
    BOOL ok;
    if (d.open) {
        ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        ok = GetOpenFileNameA(&ofn);
    } else {
        ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
        ok = GetSaveFileNameA(&ofn);
    }
    if (ok) {
        *name = file;
        return DialogEnd::Ok;
    }
    name->clear();
    return CommDlgExtendedError() != 0 ? DialogEnd::Failed : DialogEnd::Cancel;
}

} // namespace plat
