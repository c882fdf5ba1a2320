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
// A box that nobody answers (the queue is used up, its answer is "none",
// or its answer is none of the box's buttons) is cancelled, with a note on
// standard error: a message box gives id::Cancel (also a box without a
// Cancel button, such as YesNo), a box of the caller's own buttons 0. Only
// a box with the single button OK is answered OK.
#pragma once

#include <cstddef>

#include "platform/boxes.h"

namespace plat::detail {

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
void answer_queue_clear();

} // namespace plat::detail
