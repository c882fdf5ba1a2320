// The exported window procedures of the script-laid-out dialogs and of the
// debug step dialog.
#include "platform/abi.h"
#include "platform/dialog_forms.h"

// The window procedure of the DialogBox windows (class jo9wcdlg).
JOL_LISTED_EXPORT std::intptr_t JOL_STDCALL MyDialogWndProc(plat::Hwnd w, unsigned message,
                                                            std::uintptr_t wparam,
                                                            std::intptr_t lparam) {
    return plat::form_window_proc(w, message, wparam, lparam);
}

// The window procedure of the Dialog windows (class jo0wcdl2).
JOL_LISTED_EXPORT std::intptr_t JOL_STDCALL MyDialogWndProc2(plat::Hwnd w, unsigned message,
                                                             std::uintptr_t wparam,
                                                             std::intptr_t lparam) {
    return plat::form_window_proc(w, message, wparam, lparam);
}

// The dialog procedure of the debug step dialog.
JOL_LISTED_EXPORT std::intptr_t JOL_STDCALL DebugProc(plat::Hwnd w, unsigned message,
                                                      std::uintptr_t wparam, std::intptr_t lparam) {
    return plat::debug_dialog_proc(w, message, wparam, lparam);
}
