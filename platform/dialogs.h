// The standard dialogs as the system shows them: the line box, the password
// box, the list box (single or multiple selection), the timed message and
// the file-name box. The caller has done everything that does not depend
// on the system (the texts, the items in their order, the filter); these
// functions only show the dialog and read back what the user did.
//
// Win32 shows the library's own dialog templates (LINEASK, PSWDASK,
// BOXITEM, BOXITEMM, TDISPLAY) and the system's file dialogs. The native
// backend has no controls: it asks on the terminal when standard input is
// one (a prompt, a numbered list, a password without echo) and otherwise
// the dialog cannot be created (DialogEnd::Failed). Scripted answers are
// the caller's business: these functions always ask.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace plat {

enum class DialogEnd {
    Ok,     // the user pressed OK (or double-clicked an entry)
    Cancel, // the user pressed Cancel or closed the dialog
    Failed, // the dialog could not be created, or nobody can answer it
};

// The labels of the two buttons (id 1 and id 2) of the line and list boxes.
struct ButtonLabels {
    const char* ok = "&Ok";
    const char* cancel = "&Cancel";
};

// AskLine (LINEASK) and AskPassword (PSWDASK): the edit field starts with
// initial and takes at most 256 characters; on Ok *answer holds them.
struct LineDialog {
    Hwnd owner = 0;
    const char* title = "";
    const char* prompt = "";
    const char* initial = "";
    bool password = false;
    ButtonLabels labels;
};
DialogEnd line_dialog(const LineDialog& d, std::string* answer);

// The list dialogs (BOXITEM, BOXITEMM). The items are shown in the order
// given; sorted asks the list box to sort them as it adds them. On Ok
// *selected holds the texts of the selected entries in the order the list
// shows them (none when nothing is selected); a list box that reports a
// different number of selected entries than it returns gives Failed with
// *selection_lost set.
struct ListDialog {
    Hwnd owner = 0;
    const char* title = "";
    const std::vector<std::string>* items = nullptr;
    bool sorted = false;
    bool multiple = false;
    bool fixed_font = false;  // the system's fixed-pitch font (IntControl 28)
    bool system_menu = false; // a system menu and minimize/maximize boxes
    ButtonLabels labels;
};
DialogEnd list_dialog(const ListDialog& d, std::vector<std::string>* selected,
                      bool* selection_lost);

// Display (TDISPLAY): the text, centred, for ms milliseconds in steps of
// at most 30 seconds, held open while Alt or the left mouse button is
// down. Returns 1 when the user closed it, 0 when the time ran out or the
// dialog could not be created.
struct TimedDialog {
    Hwnd owner = 0;
    const char* title = "";
    const char* text = "";
    unsigned ms = 2000;
    bool pretty = true; // black on a transparent background
};
int timed_dialog(const TimedDialog& d);

// AskFileName: the system's open (open = true) or save dialog. filter is
// the description/pattern pairs, each ended by a zero, the whole ended by
// a second zero (filter_size bytes in all). On Ok *name holds the full
// name chosen; Failed when the system reports an error of its own.
struct FileDialog {
    Hwnd owner = 0;
    const char* title = "";
    const char* directory = "";
    const char* filter = nullptr;
    std::size_t filter_size = 0;
    const char* initial = "";
    bool open = true;
};
DialogEnd file_dialog(const FileDialog& d, std::string* name);

} // namespace plat
