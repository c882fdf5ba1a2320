// Forms and the debug step dialog on Win32: real windows of controls. A
// form is a top-level window of the library's dialog class with one child
// control per form control, run by a message loop of its own; the debug
// step is a modal dialog from the library's DEBUG template. With the
// scripted answer queue active both are answered from the queue instead.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/dialog_forms.h"
#include "platform/form_answers.h"

namespace plat {
namespace {

HMODULE ThisModule() {
    HMODULE m = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &m);
    return m;
}

struct FormWindow {
    Form* form = nullptr;
    FormEvents* events = nullptr;
    std::vector<HWND> controls;
    HWND focus = nullptr;
    bool done = false;
    FormResult result = FormResult::Cancelled;
};

FormWindow* StateOf(HWND w) {
    return reinterpret_cast<FormWindow*>(GetWindowLongPtrA(w, GWLP_USERDATA));
}

std::string WindowText(HWND w) {
    const int n = GetWindowTextLengthA(w);
    std::string s(static_cast<std::size_t>(n > 0 ? n : 0) + 1, '\0');
    const int got = GetWindowTextA(w, s.data(), n + 1);
    s.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return s;
}

void FillList(HWND list, const FormControl& c) {
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& item : c.items)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    for (std::size_t k = 0; k < c.selected.size(); ++k) {
        if (!c.selected[k]) continue;
        if (c.kind == FormKind::MultiList)
            SendMessageA(list, LB_SETSEL, TRUE, static_cast<LPARAM>(k));
        else
            SendMessageA(list, LB_SETCURSEL, k, 0);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

// The controls' state into the form: what the user typed, checked and
// selected.
void ReadBack(FormWindow& s) {
    for (std::size_t i = 0; i < s.controls.size(); ++i) {
        FormControl& c = s.form->controls[i];
        HWND w = s.controls[i];
        if (!w) continue;
        switch (c.kind) {
        case FormKind::Edit:
            c.text = WindowText(w);
            break;
        case FormKind::Radio:
        case FormKind::Check:
            c.checked = SendMessageA(w, BM_GETCHECK, 0, 0) == BST_CHECKED;
            break;
        case FormKind::List:
        case FormKind::FileList: {
            const LRESULT sel = SendMessageA(w, LB_GETCURSEL, 0, 0);
            c.selected.assign(c.items.size(), false);
            if (sel >= 0 && static_cast<std::size_t>(sel) < c.items.size())
                c.selected[static_cast<std::size_t>(sel)] = true;
            break;
        }
        case FormKind::MultiList:
            c.selected.assign(c.items.size(), false);
            for (std::size_t k = 0; k < c.items.size(); ++k)
                c.selected[k] = SendMessageA(w, LB_GETSEL, k, 0) > 0;
            break;
        default:
            break;
        }
    }
}

// The form's contents into the controls, where the library changed them.
void Refresh(FormWindow& s) {
    for (std::size_t i = 0; i < s.controls.size(); ++i) {
        const FormControl& c = s.form->controls[i];
        HWND w = s.controls[i];
        if (!w) continue;
        switch (c.kind) {
        case FormKind::Text:
        case FormKind::Edit:
            if (WindowText(w) != c.text) SetWindowTextA(w, c.text.c_str());
            break;
        case FormKind::Radio:
        case FormKind::Check:
            SendMessageA(w, BM_SETCHECK, c.checked ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case FormKind::List:
        case FormKind::MultiList:
        case FormKind::FileList: {
            bool same =
                static_cast<std::size_t>(SendMessageA(w, LB_GETCOUNT, 0, 0)) == c.items.size();
            for (std::size_t k = 0; same && k < c.items.size(); ++k) {
                char text[512];
                const LRESULT n = SendMessageA(w, LB_GETTEXTLEN, k, 0);
                same = n >= 0 && static_cast<std::size_t>(n) < sizeof text &&
                       SendMessageA(w, LB_GETTEXT, k, reinterpret_cast<LPARAM>(text)) >= 0 &&
                       c.items[k] == text;
            }
            if (!same) FillList(w, c);
            break;
        }
        case FormKind::Push:
            break;
        }
    }
}

int IndexOf(const FormWindow& s, HWND control) {
    for (std::size_t i = 0; i < s.controls.size(); ++i)
        if (s.controls[i] == control) return static_cast<int>(i);
    return -1;
}

void Finish(HWND w, FormWindow& s, FormResult r) {
    s.result = r;
    s.done = true;
    DestroyWindow(w);
}

LRESULT Command(HWND w, FormWindow& s, WPARAM wparam, LPARAM lparam) {
    const int id = LOWORD(wparam);
    const int code = HIWORD(wparam);
    HWND from = reinterpret_cast<HWND>(lparam);
    if (id == IDCANCEL) {
        Finish(w, s, FormResult::Cancelled);
        return 0;
    }
    const int index = from ? IndexOf(s, from) : -1;
    if (index >= 0) {
        FormControl& c = s.form->controls[static_cast<std::size_t>(index)];
        if ((c.kind == FormKind::List || c.kind == FormKind::FileList ||
             c.kind == FormKind::MultiList) &&
            (code == LBN_SELCHANGE || code == LBN_DBLCLK)) {
            ReadBack(s);
            s.events->list_changed(*s.form, index, code == LBN_DBLCLK);
            Refresh(s);
            return 0;
        }
        if (c.kind == FormKind::Radio && code == BN_CLICKED) {
            // The radios of one variable: this one checked, the others not.
            for (std::size_t k = 0; k < s.controls.size(); ++k) {
                const FormControl& r = s.form->controls[k];
                if (r.kind == FormKind::Radio && r.name == c.name)
                    SendMessageA(s.controls[k], BM_SETCHECK,
                                 static_cast<int>(k) == index ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            return 0;
        }
        if (c.kind != FormKind::Push) return 0;
    }
    if (code != BN_CLICKED) return 0;
    bool known = id == IDOK;
    for (const FormControl& c : s.form->controls)
        if (c.kind == FormKind::Push && c.id == id) known = true;
    if (!known) return 0;
    ReadBack(s);
    if (s.events->pressed(*s.form, id)) {
        Finish(w, s, FormResult::Closed);
    } else {
        Refresh(s);
    }
    return 0;
}

HWND MakeControl(HWND parent, const FormControl& c, HINSTANCE instance) {
    const char* cls = "STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    DWORD ex = 0;
    if (c.group) style |= WS_GROUP;
    switch (c.kind) {
    case FormKind::Text:
        style |= SS_LEFT | SS_NOPREFIX;
        break;
    case FormKind::Edit:
        cls = "EDIT";
        style |= ES_AUTOHSCROLL | WS_BORDER | (c.password ? ES_PASSWORD : 0);
        ex = WS_EX_CLIENTEDGE;
        break;
    case FormKind::Radio:
        cls = "BUTTON";
        style |= BS_RADIOBUTTON;
        break;
    case FormKind::Check:
        cls = "BUTTON";
        style |= BS_AUTOCHECKBOX;
        break;
    case FormKind::Push:
        cls = "BUTTON";
        style |= c.is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        break;
    case FormKind::List:
    case FormKind::MultiList:
    case FormKind::FileList:
        cls = "LISTBOX";
        style |= LBS_NOTIFY | WS_VSCROLL | WS_BORDER | LBS_NOINTEGRALHEIGHT |
                 (c.kind == FormKind::MultiList ? LBS_EXTENDEDSEL : 0);
        ex = WS_EX_CLIENTEDGE;
        break;
    }
    const char* title =
        c.kind == FormKind::List || c.kind == FormKind::MultiList || c.kind == FormKind::FileList
            ? (c.kind == FormKind::FileList ? "Files" : "")
            : c.text.c_str();
    HWND w = CreateWindowExA(ex, cls, title, style, c.x, c.y, c.w, c.h, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id & 0xFFFF)), instance,
                             nullptr);
    if (!w) return nullptr;
    SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    if (c.kind == FormKind::List || c.kind == FormKind::MultiList || c.kind == FormKind::FileList)
        FillList(w, c);
    if ((c.kind == FormKind::Radio || c.kind == FormKind::Check) && c.checked)
        SendMessageA(w, BM_SETCHECK, BST_CHECKED, 0);
    return w;
}

} // namespace

std::intptr_t JOL_STDCALL form_window_proc(Hwnd handle, unsigned message, std::uintptr_t wparam,
                                           std::intptr_t lparam) {
    HWND w = reinterpret_cast<HWND>(handle);
    FormWindow* s = StateOf(w);
    if (s && !s->done) {
        switch (message) {
        case WM_COMMAND:
            return Command(w, *s, wparam, lparam);
        case WM_CLOSE:
            Finish(w, *s, FormResult::Cancelled);
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wparam) != WA_INACTIVE && s->focus && IsWindow(s->focus)) {
                SetFocus(s->focus);
                return 0;
            }
            if (LOWORD(wparam) == WA_INACTIVE) {
                HWND f = GetFocus();
                if (f && IsChild(w, f)) s->focus = f;
            }
            break;
        case WM_DESTROY:
            s->done = true;
            break;
        default:
            break;
        }
    }
    return DefWindowProcA(w, message, wparam, lparam);
}

FormResult run_form(Hwnd owner, Form& form, FormEvents& events, bool (*poll_cancel)(void*),
                    void* poll_user) {
    FormResult answered;
    if (detail::answer_form(form, events, &answered)) return answered;

    HINSTANCE instance = ThisModule();
    DWORD style = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
    if (form.close_box) style |= WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    RECT r = {0, 0, form.w, form.h};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    int x = form.x, y = form.y;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    // A window that would lie partly off the screen is centred.
    if (form.centre || x < 0 || y < 0 || x + width > sw || y + height > sh) {
        x = (sw - width) / 2;
        y = (sh - height) / 2;
    }
    HWND w = CreateWindowExA(0, form.class_name.c_str(), form.title.c_str(), style, x, y, width,
                             height, reinterpret_cast<HWND>(owner), nullptr, instance, nullptr);
    if (!w) return FormResult::Failed;
    FormWindow s;
    s.form = &form;
    s.events = &events;
    SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&s));
    SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&form_window_proc));
    for (const FormControl& c : form.controls) {
        HWND child = MakeControl(w, c, instance);
        if (!child) {
            SetWindowLongPtrA(w, GWLP_USERDATA, 0);
            DestroyWindow(w);
            return FormResult::Failed;
        }
        s.controls.push_back(child);
    }
    ShowWindow(w, SW_SHOW);
    SetForegroundWindow(w);
    if (form.focus >= 0 && static_cast<std::size_t>(form.focus) < s.controls.size()) {
        s.focus = s.controls[static_cast<std::size_t>(form.focus)];
        SetFocus(s.focus);
        if (form.controls[static_cast<std::size_t>(form.focus)].kind == FormKind::Edit)
            SendMessageA(s.focus, EM_SETSEL, 0, -1);
    } else if (HWND ok = GetDlgItem(w, IDOK)) {
        s.focus = ok;
        SetFocus(ok);
    }

    bool quit = false;
    WPARAM quit_code = 0;
    while (!s.done) {
        MSG m;
        const BOOL got = GetMessageA(&m, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            quit_code = m.wParam;
            break;
        }
        if (got == -1) break;
        if (!IsDialogMessageA(w, &m)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        if (!s.done && poll_cancel && poll_cancel(poll_user)) break;
    }
    // However the loop ended, the window goes with it: nothing of it
    // outlives the call. A quit message meant for the host is posted again.
    if (IsWindow(w)) {
        SetWindowLongPtrA(w, GWLP_USERDATA, 0);
        DestroyWindow(w);
    }
    if (quit) {
        PostQuitMessage(static_cast<int>(quit_code));
        return FormResult::Quit;
    }
    return s.done ? s.result : FormResult::Cancelled;
}

namespace {

struct DebugWindow {
    const DebugTexts* texts;
    Rect* remembered;
    std::int32_t* remembered_set;
    ShowVariable show;
    void* user;
};

Rect WorkArea() {
    RECT a;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &a, 0))
        a = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return Rect{a.left, a.top, a.right, a.bottom};
}

void Remember(HWND w, DebugWindow& d) {
    RECT r;
    if (!GetWindowRect(w, &r)) return;
    *d.remembered = Rect{r.left, r.top, r.right, r.bottom};
    *d.remembered_set = 1;
}

} // namespace

std::intptr_t JOL_STDCALL debug_dialog_proc(Hwnd handle, unsigned message, std::uintptr_t wparam,
                                            std::intptr_t lparam) {
    HWND w = reinterpret_cast<HWND>(handle);
    if (message == WM_INITDIALOG) {
        DebugWindow* d = reinterpret_cast<DebugWindow*>(lparam);
        SetWindowLongPtrA(w, DWLP_USER, lparam);
        for (int i = 0; i < 4; ++i)
            SetDlgItemTextA(w, i + 1, d->texts->buttons[i]);
        SetDlgItemTextA(w, 10, d->texts->last);
        SetDlgItemTextA(w, 11, d->texts->trace);
        SetDlgItemTextA(w, 12, d->texts->error);
        SetDlgItemTextA(w, 201, d->texts->next_label);
        SetDlgItemTextA(w, 13, d->texts->next);
        RECT r;
        GetWindowRect(w, &r);
        Rect place{r.left, r.top, r.right, r.bottom};
        const Rect area = WorkArea();
        const std::int32_t width = r.right - r.left, height = r.bottom - r.top;
        if (*d->remembered_set)
            place = Rect{d->remembered->left, d->remembered->top, d->remembered->left + width,
                         d->remembered->top + height};
        else
            place = Rect{area.right - width, area.bottom - height, area.right, area.bottom};
        // A place remembered on a screen that has gone is brought back.
        place = clamp_to_area(place, area);
        SetWindowPos(w, nullptr, place.left, place.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (*d->texts->error) MessageBeep(MB_OK);
        return TRUE;
    }
    DebugWindow* d = reinterpret_cast<DebugWindow*>(GetWindowLongPtrA(w, DWLP_USER));
    if (!d) return FALSE;
    if (message == WM_CLOSE) {
        EndDialog(w, 2);
        return TRUE;
    }
    if (message != WM_COMMAND || HIWORD(wparam) != BN_CLICKED) return FALSE;
    switch (LOWORD(wparam)) {
    case 1:
    case 3:
        Remember(w, *d);
        EndDialog(w, LOWORD(wparam));
        return TRUE;
    case 2:
        EndDialog(w, 2);
        return TRUE;
    case 4: {
        Remember(w, *d);
        char typed[257];
        GetDlgItemTextA(w, 14, typed, sizeof typed);
        SetDlgItemTextA(w, 14, d->show(d->user, typed).c_str());
        return TRUE;
    }
    default:
        return FALSE;
    }
}

namespace {

INT_PTR CALLBACK DebugDialogProc(HWND w, UINT message, WPARAM wparam, LPARAM lparam) {
    return debug_dialog_proc(reinterpret_cast<Hwnd>(w), message, wparam, lparam);
}

} // namespace

DebugChoice debug_step_dialog(Hwnd owner, const DebugTexts& texts, Rect* remembered,
                              std::int32_t* remembered_set, ShowVariable show, void* user) {
    DebugChoice answered;
    if (detail::answer_debug_step(texts, show, user, &answered)) return answered;
    DebugWindow d{&texts, remembered, remembered_set, show, user};
    const INT_PTR r = DialogBoxParamA(ThisModule(), "DEBUG", reinterpret_cast<HWND>(owner),
                                      DebugDialogProc, reinterpret_cast<LPARAM>(&d));
    switch (r) {
    case 1:
        return DebugChoice::Next;
    case 2:
        return DebugChoice::Cancel;
    case 3:
        return DebugChoice::Run;
    default:
        return DebugChoice::Failed;
    }
}

} // namespace plat
