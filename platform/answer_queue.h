// Scripted answers for message boxes, shared by both backends: when the
// environment names answers (JOL_ANSWERS, separated by commas, semicolons or
// line ends) or a file of them (JOL_ANSWERS_FILE), boxes are written to
// standard error and answered from the queue instead of waiting for a
// person.
#pragma once

#include <cstddef>

#include "platform/platform.h"

namespace plat::detail {

// True when a scripted answer queue is configured.
bool answer_queue_active();
// The next scripted answer for a box of the given style: a button id, or
// the box's default button when the queue is used up or the answer is not
// one of the box's buttons.
int answer_queue_next(unsigned style);
// The button a box of the given style chooses by default.
int default_button(unsigned style);
// Whether the id is one of the buttons of a box of the given style.
bool has_button(unsigned style, int id);
// Reads an answer word ("ok", "cancel", "yes", "no", "abort", "retry",
// "ignore", or a number); 0 when it is none of them.
int parse_answer(const char* word);
// The next scripted answer for a box of the caller's own buttons: the id of
// the button whose id or label (without "&" and blanks, in any case) the
// answer names; the first button when none fits or the queue is used up.
int answer_queue_next_choice(const ChoiceButton* buttons, int count);
// Writes the box as "title: text" on standard error.
void write_box(const char* title, const char* text);

// Test support: appends an answer (a button id) to the queue and makes the
// queue active, so the boxes that follow are answered from it.
void answer_queue_push(int id);
// Test support: the number of answers not yet used, and dropping them.
std::size_t answer_queue_pending();
void answer_queue_clear();

} // namespace plat::detail
