// Forms: the script-laid-out dialogs (Dialog, DialogBox) and the debug
// step dialog. The library describes a form as a list of controls with
// their contents; the backend shows it and reports the user's doing back
// through FormEvents, which decides what happens (store the values, keep
// the form open, refresh a list).
//
// Who answers: with a scripted answer queue (platform/answer_queue.h) the
// form is written to standard error and answered from the queue on every
// backend ("dialog:button=2;NAME=text;R=2", "cancel"; the debug step
// "next", "run", "cancel", "showvar:NAME"). Otherwise Win32 shows real
// windows; natively the terminal answers when standard input is one. With
// nobody to ask the form cannot be created.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/abi.h"
#include "platform/handles.h"
#include "platform/window_system.h"

namespace plat {

enum class FormKind {
    Text,      // static text
    Edit,      // one-line edit field
    Radio,     // radio button
    Check,     // check box
    Push,      // push button
    List,      // list box, one selection
    MultiList, // list box, several selections
    FileList,  // sorted list box of files, directories and drives
};

struct FormControl {
    FormKind kind = FormKind::Text;
    int id = 0;                     // the control id; push buttons: 1 OK, 2 Cancel
    int x = 0, y = 0, w = 0, h = 0; // pixels, in the client area
    std::string name;               // the variable the control belongs to
    std::string text;               // caption, or the edit field's text
    std::int32_t value = 0;         // the value of a radio, check box or push button
    bool password = false;          // an edit field that hides what is typed
    bool group = false;             // starts a group (a radio group: its first radio)
    bool checked = false;           // radio and check box state
    bool is_default = false;        // the default push button
    std::vector<std::string> items;
    std::vector<bool> selected; // one flag per item
};

struct Form {
    std::string title;
    std::string class_name;         // the window class of the form window
    int x = 0, y = 0, w = 0, h = 0; // pixels: position and client size
    bool close_box = false;         // system menu and minimize/maximize boxes
    bool centre = false;            // centre on the screen (the position is ignored)
    int focus = -1;                 // index of the control that gets the focus first
    std::vector<FormControl> controls;
};

// What the user does, told to the library with the form's state up to
// date (edit texts, checks and selections read back from the controls).
class FormEvents {
public:
    // A push button (or Enter on the default button): true closes the
    // form, false keeps it open (the library may have changed the form's
    // contents, which the backend then shows again).
    virtual bool pressed(Form& form, int id) = 0;
    // The selection of a list changed (activated: a double click or
    // Enter). The library may change the form's contents.
    virtual void list_changed(Form& form, int index, bool activated) = 0;

protected:
    ~FormEvents() = default;
};

enum class FormResult {
    Closed,    // a push button closed it (pressed returned true)
    Cancelled, // the Cancel button, the close box or Escape; or nobody answered
    Failed,    // the form could not be created: nobody can be asked
    Quit,      // the thread's quit message arrived (posted again for the host)
};

// Shows the form modally, owned by owner, and runs its message loop until
// it closes. poll_cancel is called between messages; when it returns true
// the form is destroyed and Cancelled returned.
FormResult run_form(Hwnd owner, Form& form, FormEvents& events, bool (*poll_cancel)(void*),
                    void* poll_user);

// The texts of one debug step.
struct DebugTexts {
    const char* last = "";  // the statement executed last
    const char* trace = ""; // its trace word and value
    const char* error = ""; // its error word and number, or empty
    const char* next = "";  // the statement about to run
    const char* next_label = "Next Statement...";
    const char* buttons[4] = {"&Next", "&Cancel", "&Run", "&Show Var"};
};

enum class DebugChoice { Next, Cancel, Run, Failed };

// Looks up a variable for Show Var: the text to show for what was typed.
using ShowVariable = std::string (*)(void* user, const char* typed);

// Shows the debug step dialog (title "DEBUG") owned by owner, at the
// remembered rectangle when *remembered_set, else in the bottom right
// corner of the work area; a remembered place off every screen is moved
// back into the work area. Beeps when the step shows an error. Remembers
// the rectangle on Next, Run and Show Var. Failed when the dialog cannot
// be shown (nobody can be asked).
DebugChoice debug_step_dialog(Hwnd owner, const DebugTexts& texts, Rect* remembered,
                              std::int32_t* remembered_set, ShowVariable show, void* user);

// The window procedures of the form windows (Dialog, DialogBox) and the
// debug step dialog, exported by the library under their own names.
std::intptr_t JOL_STDCALL form_window_proc(Hwnd w, unsigned message, std::uintptr_t wparam,
                                           std::intptr_t lparam);
std::intptr_t JOL_STDCALL debug_dialog_proc(Hwnd w, unsigned message, std::uintptr_t wparam,
                                            std::intptr_t lparam);

// Fits a rectangle into the work area: moved (and cut when larger) so that
// all of it lies inside.
Rect clamp_to_area(Rect r, const Rect& area);

} // namespace plat
