// The box contract of both backends, through the scripted answer queue (a
// real box would wait for a person): answers by word, id and label, the
// default button on request, and boxes that nobody answers, which are
// cancelled.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/answer_queue.h"
#include "platform/boxes.h"
#include "platform/environment.h"

namespace {

namespace mb = plat::mb;
namespace id = plat::id;
using plat::detail::answer_queue_pending;
using plat::detail::answer_queue_set;

constexpr char kCancelled[] = "nobody can answer this box; it is cancelled";

class PlatformBoxes : public ::testing::Test {
protected:
    // The unit tests run with JOL_ANSWERS=none: a box a test does not
    // answer is cancelled.
    void TearDown() override { answer_queue_set("none"); }

    // Shows a box and keeps what it wrote on standard error.
    int Box(unsigned style, const char* text = "text") {
        testing::internal::CaptureStderr();
        const int answer = plat::message_box(0, text, "title", style);
        err_ = testing::internal::GetCapturedStderr();
        return answer;
    }
    int Choice(const plat::ChoiceButton* buttons, int count) {
        const char* lines[] = {"first line", "second line"};
        testing::internal::CaptureStderr();
        const int answer = plat::choice_box(0, "Replace", lines, 2, buttons, count);
        err_ = testing::internal::GetCapturedStderr();
        return answer;
    }
    bool Noted() const { return err_.find(kCancelled) != std::string::npos; }

    std::string err_;
};

TEST_F(PlatformBoxes, AnswersByWordAndIdThenNobody) {
    answer_queue_set("yes, No;cancel\nRETRY,7");
    EXPECT_EQ(Box(mb::YesNoCancel | mb::IconQuestion, "Go on?"), id::Yes);
    EXPECT_EQ(err_, "title: Go on?\n");
    EXPECT_EQ(Box(mb::YesNoCancel), id::No);
    EXPECT_EQ(Box(mb::OkCancel), id::Cancel);
    EXPECT_FALSE(Noted());
    EXPECT_EQ(Box(mb::RetryCancel), id::Retry);
    EXPECT_EQ(Box(mb::YesNo), id::No);
    EXPECT_EQ(answer_queue_pending(), 0u);

    // The answers are used up: every question is cancelled, with a note,
    // also one without a Cancel button; a box with the single button OK
    // needs nobody and is answered OK without a note.
    for (unsigned style : {mb::YesNoCancel, mb::YesNo, mb::OkCancel, mb::AbortRetryIgnore,
                           mb::RetryCancel, mb::YesNo | mb::DefButton2}) {
        SCOPED_TRACE(style);
        EXPECT_EQ(Box(style), id::Cancel);
        EXPECT_TRUE(Noted()) << err_;
    }
    EXPECT_EQ(Box(mb::Ok | mb::IconStop), id::Ok);
    EXPECT_FALSE(Noted());
}

TEST_F(PlatformBoxes, AnswersThatFitNoButtonAreNotAPick) {
    // "no" fits an OK/Cancel box as little as "maybe" fits any box: the
    // box is cancelled, never given its default button.
    answer_queue_set("no,maybe,none,99,ok");
    EXPECT_EQ(Box(mb::OkCancel), id::Cancel);
    EXPECT_NE(err_.find("scripted answer 'no' does not fit this box"), std::string::npos);
    EXPECT_TRUE(Noted());
    EXPECT_EQ(Box(mb::YesNo), id::Cancel);
    EXPECT_TRUE(Noted());
    EXPECT_EQ(Box(mb::YesNoCancel), id::Cancel); // "none" answers nobody
    EXPECT_TRUE(Noted());
    EXPECT_EQ(Box(mb::YesNo), id::Cancel); // 99 is no button of it
    EXPECT_EQ(Box(mb::Ok), id::Ok);
    EXPECT_EQ(answer_queue_pending(), 0u);
}

TEST_F(PlatformBoxes, DefaultWordTakesTheDefaultButton) {
    // Among other answers, "default" answers one box.
    answer_queue_set("default,default,yes");
    EXPECT_EQ(Box(mb::YesNo | mb::DefButton2), id::No);
    EXPECT_EQ(Box(mb::AbortRetryIgnore | mb::DefButton3), id::Ignore);
    EXPECT_EQ(Box(mb::YesNo), id::Yes);
    EXPECT_EQ(Box(mb::YesNo), id::Cancel);
    EXPECT_TRUE(Noted());

    // Alone, it stands for every box, without a note.
    answer_queue_set("Default");
    EXPECT_EQ(answer_queue_pending(), 0u);
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(Box(mb::YesNoCancel), id::Yes);
        EXPECT_EQ(Box(mb::YesNoCancel | mb::DefButton3), id::Cancel);
        EXPECT_EQ(Box(mb::OkCancel | mb::DefButton2), id::Cancel);
        EXPECT_EQ(Box(mb::RetryCancel), id::Retry);
        EXPECT_FALSE(Noted());
    }
    // Answers pushed on top are used first.
    plat::detail::answer_queue_push(id::No);
    EXPECT_EQ(Box(mb::YesNo), id::No);
    EXPECT_EQ(Box(mb::YesNo), id::Yes);

    // "none" alone leaves every box unanswered.
    answer_queue_set("none");
    EXPECT_EQ(answer_queue_pending(), 0u);
    EXPECT_EQ(Box(mb::YesNo), id::Cancel);
    EXPECT_TRUE(Noted());
}

TEST_F(PlatformBoxes, ChoiceBoxesAnswerByLabelOrIdAndCancelWhenUnanswered) {
    const plat::ChoiceButton buttons[] = {
        {1, "&Overwrite"}, {101, "Overwrite &All"}, {104, "Use &Newer All"}, {2, "Cancel"}};
    answer_queue_set("UseNewerAll,101,overwrite,default,cancel,Skip,none");
    EXPECT_EQ(Choice(buttons, 4), 104);
    EXPECT_EQ(err_, "Replace: first line second line\n");
    EXPECT_EQ(Choice(buttons, 4), 101);
    EXPECT_EQ(Choice(buttons, 4), 1);
    EXPECT_EQ(Choice(buttons, 4), 1); // the first button is the default
    EXPECT_EQ(Choice(buttons, 4), 2);
    EXPECT_FALSE(Noted());
    // A label the box does not have, "none", and the end of the answers
    // leave the box unanswered: 0, never the first button.
    EXPECT_EQ(Choice(buttons, 4), 0);
    EXPECT_NE(err_.find("scripted answer 'Skip' does not fit this box"), std::string::npos);
    EXPECT_TRUE(Noted());
    EXPECT_EQ(Choice(buttons, 4), 0);
    EXPECT_TRUE(Noted());
    EXPECT_EQ(Choice(buttons, 4), 0);
    EXPECT_TRUE(Noted());
    // A box without buttons cannot be shown.
    EXPECT_EQ(Choice(buttons, 0), 0);

    answer_queue_set("default");
    EXPECT_EQ(Choice(buttons, 4), 1);
    EXPECT_EQ(Choice(buttons, 4), 1);
    EXPECT_FALSE(Noted());
}

// The line form of the answers, for dialogs: a prefixed line is one answer
// with commas and semicolons kept, while plain lines still split into
// words; boxes of buttons take the prefixed answers as answers that fit
// none of their buttons.
TEST_F(PlatformBoxes, LineFormAnswersFromTheVariableAndTheFile) {
    using plat::detail::answer_queue_next_form;
    using plat::detail::answer_queue_reload;
    using plat::detail::form_kind;
    struct Expected {
        form_kind kind;
        const char* value;
    };
    const Expected expected[] = {
        {form_kind::text, " a, b; c "},
        {form_kind::button, "yes"},
        {form_kind::timeout, "TimeOut"},
        {form_kind::select, "Red|Blue"},
        {form_kind::file, "C:\\dir\\x.txt"},
        {form_kind::cancel, "cancel"},
        {form_kind::dialog, "button=2;NAME=x,y;R1=1"},
        {form_kind::next, "next"},
        {form_kind::run, "Run"},
        {form_kind::showvar, "Var"},
        {form_kind::text, ""},
        {form_kind::text, "w,ok"},
        {form_kind::button, "Text"},
    };
    const char* text = "text: a, b; c \r\nyes,TimeOut\n  Select:Red|Blue\r\n"
                       "file:C:\\dir\\x.txt\ncancel;\rdialog:button=2;NAME=x,y;R1=1\r\n"
                       "next, Run\nshowvar:Var\ntext:\n\n , ;\ntext:w,ok\nText\n";
    auto check = [&](const char* how) {
        SCOPED_TRACE(how);
        for (const Expected& e : expected) {
            const plat::detail::FormAnswer a = answer_queue_next_form();
            EXPECT_EQ(a.kind, e.kind) << e.value;
            EXPECT_EQ(a.value, e.value);
        }
        EXPECT_EQ(answer_queue_next_form().kind, form_kind::none);
    };

    ASSERT_TRUE(plat::set_env("JOL_ANSWERS", text));
    answer_queue_reload();
    check("JOL_ANSWERS");

    const std::string name = testing::TempDir() + "line_form.answers";
    std::FILE* f = std::fopen(name.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs(text, f);
    std::fclose(f);
    ASSERT_TRUE(plat::set_env("JOL_ANSWERS", nullptr));
    ASSERT_TRUE(plat::set_env("JOL_ANSWERS_FILE", name.c_str()));
    answer_queue_reload();
    check("JOL_ANSWERS_FILE");
    ASSERT_TRUE(plat::set_env("JOL_ANSWERS_FILE", nullptr));
    ASSERT_TRUE(plat::set_env("JOL_ANSWERS", "none"));
    std::remove(name.c_str());

    // Message boxes: a line-form answer fits no button, the word "cancel"
    // is Cancel, and a single "default" answers every dialog with the
    // button "default".
    answer_queue_set("text:yes\ncancel,yes");
    EXPECT_EQ(Box(mb::YesNoCancel), id::Cancel);
    EXPECT_NE(err_.find("scripted answer 'text:yes' does not fit this box"), std::string::npos);
    EXPECT_EQ(Box(mb::YesNoCancel), id::Cancel);
    EXPECT_FALSE(Noted());
    EXPECT_EQ(Box(mb::YesNoCancel), id::Yes);
    answer_queue_set("default");
    EXPECT_EQ(answer_queue_next_form().value, "default");
    EXPECT_EQ(answer_queue_next_form().kind, form_kind::button);
    answer_queue_set("none");
    EXPECT_EQ(answer_queue_next_form().kind, form_kind::none);
}

} // namespace
