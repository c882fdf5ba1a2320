// Message boxes and boxes with the caller's own buttons. Runs without a
// person answer them from the scripted answer queue (platform/
// answer_queue.h, shared by both backends).
#pragma once

#include "platform/handles.h"

namespace plat {

namespace mb {
constexpr unsigned Ok = 0x0;
constexpr unsigned OkCancel = 0x1;
constexpr unsigned AbortRetryIgnore = 0x2;
constexpr unsigned YesNoCancel = 0x3;
constexpr unsigned YesNo = 0x4;
constexpr unsigned RetryCancel = 0x5;
constexpr unsigned TypeMask = 0xF;
constexpr unsigned IconStop = 0x10;
constexpr unsigned IconQuestion = 0x20;
constexpr unsigned IconExclamation = 0x30;
constexpr unsigned IconInformation = 0x40;
constexpr unsigned DefButton2 = 0x100;
constexpr unsigned DefButton3 = 0x200;
constexpr unsigned DefButton4 = 0x300;
constexpr unsigned DefMask = 0xF00;
constexpr unsigned TaskModal = 0x2000;
constexpr unsigned SetForeground = 0x10000;
} // namespace mb
namespace id {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Abort = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace id
// Shows a message box and returns the button chosen (id::...). When a
// scripted answer queue is set (environment JOL_ANSWERS or the file named by
// JOL_ANSWERS_FILE), the box is written to standard error as "title: text"
// and answered from the queue on every backend, so runs need no person
// (platform/answer_queue.h has the answer words). The native backend
// writes every box there and, without a queue, asks on the terminal when
// standard input is one. A box that nobody can answer (no answer left in
// the queue, no terminal, the end of the terminal's input, a box the
// system cannot show) is cancelled, with a note on standard error: the
// answer is id::Cancel, also for a box that has no Cancel button (YesNo),
// so a caller takes any answer that is none of its box's buttons as a
// cancel. Only a box with the single button OK is answered OK.
int message_box(Hwnd owner, const char* text, const char* title, unsigned style);
// A box with the caller's own buttons (the file-replace confirmation):
// static lines of text, then the buttons in two columns, the first
// button the default; centred on the screen and owned by owner. Returns
// the id of the button chosen; 0 when the box cannot be shown or nobody
// can answer it (as message_box; the caller takes 0 as a cancel). With a
// scripted answer queue the box is written to standard error as
// "title: lines" and answered by the next answer, a button's id or its
// label without "&" and blanks, in any case ("UseNewerAll"); an answer
// that fits no button leaves the box unanswered.
struct ChoiceButton {
    int id;
    const char* label;
};
int choice_box(Hwnd owner, const char* title, const char* const* lines, int line_count,
               const ChoiceButton* buttons, int button_count);
// The file-replace confirmation: the six lines ("Replace file:", the
// target, its information, "with file:", the source, its information) and
// the eight buttons 1, 101, 104, 106, 102, 105, 103, 2 with their labels.
// Win32 shows the library's template FILEWARN, centred on the screen;
// otherwise, and with a scripted answer queue, it is a choice_box.
int replace_box(Hwnd owner, const char* title, const char* const lines[6],
                const ChoiceButton buttons[8]);

} // namespace plat
