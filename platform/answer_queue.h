// Scripted answers for message boxes, shared by both backends: when the
// environment names answers (JOL_ANSWERS, separated by commas, semicolons or
// line ends) or a file of them (JOL_ANSWERS_FILE), boxes are written to
// standard error and answered from the queue instead of waiting for a
// person.
//
// An answer is a button: "ok", "cancel", "yes", "no", "abort", "retry",
// "ignore" or a button id; for a box of the caller's own buttons, a
// button's id or its label without "&" and blanks, in any case. Two more
// words: "default" takes the box's default button (the first button of a
// box of the caller's own buttons), "none" leaves the box unanswered. When
// "default" or "none" is the only answer given, it stands for every box.
//
// Dialogs take answers of a line form as well: a line of the answers that
// starts with "text:", "select:", "file:", "dialog:" or "showvar:" is one
// answer whose value is the rest of the line as it stands (commas and
// semicolons included); leading blanks before the prefix are skipped. A
// word of a plain line with such a prefix is an answer of that kind too,
// whose value ends at the next comma or semicolon. The words "timeout",
// "cancel", "next" and "run" are answers of their own kind; every other
// word is a button. A box of buttons takes an answer of the line form as
// one that fits none of its buttons.
//
// A box that nobody answers (the queue is used up, its answer is "none",
// or its answer is none of the box's buttons) is cancelled, with a note on
// standard error: a message box gives id::Cancel (also a box without a
// Cancel button, such as YesNo), a box of the caller's own buttons 0. Only
// a box with the single button OK is answered OK.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/boxes.h"

namespace plat::detail {

enum class form_kind {
    none,
    button,
    text,
    select,
    file,
    timeout,
    cancel,
    dialog,
    next,
    run,
    showvar
};
struct FormAnswer {
    form_kind kind = form_kind::none;
    std::string value;
};
// The next answer for a dialog. Kind none when the queue is inactive or
// used up; when "default" alone stands for every box, a used-up queue
// gives the button "default".
FormAnswer answer_queue_next_form();
// Reads a text of answers (JOL_ANSWERS, or the content of JOL_ANSWERS_FILE)
// and appends them to out.
void parse_answers(std::string_view text, std::vector<FormAnswer>& out);

// True when a scripted answer queue is configured.
bool answer_queue_active();
// The next scripted answer for a box of the given style: a button id of
// the box, or what an unanswered box gives (nobody_answers).
int answer_queue_next(unsigned style);
// The next scripted answer for a box of the caller's own buttons: the id
// of the button the answer names, or 0 when nobody answers.
int answer_queue_next_choice(const ChoiceButton* buttons, int count);
// The answer of a box that nobody can answer: id::Ok for a box with the
// single button OK; otherwise a note on standard error and id::Cancel.
int nobody_answers(unsigned style);
// The same for a box of the caller's own buttons: a note and 0.
int nobody_answers_choice();
// The button a box of the given style chooses by default.
int default_button(unsigned style);
// Whether the id is one of the buttons of a box of the given style.
bool has_button(unsigned style, int id);
// Reads an answer word ("ok", "cancel", "yes", "no", "abort", "retry",
// "ignore", or a number); 0 when it is none of them.
int parse_answer(const char* word);
// The id of the button whose id or label (without "&" and blanks, in any
// case) the word names; 0 when none does.
int choice_of(const ChoiceButton* buttons, int count, const char* word);
// Writes the box as "title: text" on standard error.
void write_box(const char* title, const char* text);

// Test support: appends an answer (a button id, or a word) to the queue and
// makes the queue active, so the boxes that follow are answered from it.
void answer_queue_push(int id);
void answer_queue_push(const char* word);
// Test support: replaces the queue by the answers of a text, read as
// JOL_ANSWERS is read (a single "default" or "none" stands for every box).
void answer_queue_set(const char* text);
// Test support: the number of answers not yet used, and dropping them.
std::size_t answer_queue_pending();
// Test support: reads the queue again from the environment (JOL_ANSWERS,
// then the file JOL_ANSWERS_FILE names), as the first box does.
void answer_queue_reload();
void answer_queue_clear();

} // namespace plat::detail
