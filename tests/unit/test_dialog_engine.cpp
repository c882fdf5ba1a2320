// The script-laid-out dialogs: the definition and grid readers, and the
// store-back rules of Dialog and DialogBox driven through the answer queue
// (the same code a person's clicks reach on Win32).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dispatch/extender_abi.h"
#include "exec/debug_trace.h"
#include "lang/keyword_table.h"
#include "platform/answer_queue.h"
#include "platform/dialog_forms.h"
#include "platform/environment.h"
#include "resources/message_table.h"
#include "tests/unit/script_rig.h"
#include "ui/dialog_definition.h"

namespace {

using jol::dialog::ControlDef;
using jol::dialog::ControlType;
using jol::dialog::Grid;
using jol::dialog::ParseControl;
using jol::dialog::ParseGrid;
using plat::detail::answer_queue_push;
using plat::detail::answer_queue_set;

int Grid_(const std::string& text, Grid* g) {
    return ParseGrid(text.data(), text.size(), g);
}

TEST(DialogDefinition, FieldsQuotesDefaultsAndErrors) {
    ControlDef d;
    ASSERT_EQ(ParseControl(" default ,DEFAULT,\t60, 9 ,RadioButton,r1,\"Hello, you \",2", &d), 0);
    EXPECT_EQ(d.x, 8);
    EXPECT_EQ(d.y, 16);
    EXPECT_EQ(d.w, 60);
    EXPECT_EQ(d.h, 9);
    EXPECT_EQ(d.type, ControlType::RadioButton);
    EXPECT_EQ(d.name, "r1");
    EXPECT_EQ(d.text, "Hello, you ");
    EXPECT_EQ(d.value, 2);

    ASSERT_EQ(ParseControl("1,2,3,4,EDITBOX,name", &d), 0);
    EXPECT_EQ(d.type, ControlType::EditBox);
    EXPECT_FALSE(d.has_value);

    EXPECT_EQ(ParseControl("1,2,3,4", &d), 3223);
    EXPECT_EQ(ParseControl("1,2,3,4,BUTTON,v", &d), 3223);
    EXPECT_EQ(ParseControl("1,2,3,4,CHECKBOX,v,text", &d), 3224);
    EXPECT_EQ(ParseControl("1,2,3,4,CHECKBOX,v,text,0", &d), 3224);
    EXPECT_EQ(ParseControl("1,2,3,4,RADIOBUTTON,v,text,two", &d), 3224);
    EXPECT_EQ(ParseControl("1,2,3,4,EDITBOX,v,text,1", &d), 3225);
    EXPECT_EQ(ParseControl("1,2,3,4,PUSHBUTTON,v,text,1,9", &d), 3225);
    EXPECT_EQ(ParseControl("1,2,3,4,EDITBOX,abcdefghijabcdefghijabcdefghijX", &d), 3225);
    EXPECT_EQ(ParseControl("1,2,3,4,EDITBOX,abcdefghijabcdefghijabcdefghi", &d), 0);

    // A push button keeps its whole value: 65536 is no Cancel (0), 65537
    // no OK (1).
    ASSERT_EQ(ParseControl("1,2,3,4,PUSHBUTTON,,Go,65536", &d), 0);
    EXPECT_EQ(d.value, 65536);
    ASSERT_EQ(ParseControl("1,2,3,4,PUSHBUTTON,,Go,0", &d), 0);
    EXPECT_EQ(d.value, 0);
    EXPECT_EQ(ParseControl("1,2,3,4,PUSHBUTTON,,Go,99999999999", &d), 3224);
}

TEST(DialogDefinition, GridsOfControlsAndTheirLimits) {
    Grid g;
    ASSERT_EQ(Grid_("Name: [NAME#]  [R^1] [R^2]\r\n[CHK+y] [INFO$] [fl\\]\r\n"
                    "  just text        \\\r\n",
                    &g),
              0);
    EXPECT_EQ(g.rows, 3);
    ASSERT_EQ(g.controls.size(), 6u);
    EXPECT_EQ(g.controls[0].type, ControlType::EditBox);
    EXPECT_EQ(g.controls[0].name, "NAME");
    EXPECT_EQ(g.controls[0].column, 6);
    EXPECT_EQ(g.controls[0].width, 7);
    EXPECT_EQ(g.controls[1].type, ControlType::RadioButton);
    EXPECT_EQ(g.controls[1].value, '1');
    EXPECT_EQ(g.controls[3].type, ControlType::CheckBox);
    EXPECT_EQ(g.controls[3].value, 'y');
    EXPECT_EQ(g.controls[4].type, ControlType::VaryText);
    EXPECT_EQ(g.controls[5].type, ControlType::FileListBox);
    EXPECT_EQ(g.controls[5].height, 2);

    // A row's end closes a bracket; content without a marker is text.
    ASSERT_EQ(Grid_("[Hello there", &g), 0);
    ASSERT_EQ(g.controls.size(), 1u);
    EXPECT_EQ(g.controls[0].type, ControlType::StaticText);
    EXPECT_EQ(g.controls[0].name, "Hello there");

    // 60 columns and 20 rows fit; one more does not.
    std::string rows;
    for (int i = 0; i < 20; ++i)
        rows += std::string(60, 'x') + "\r\n";
    EXPECT_EQ(Grid_(rows, &g), 0);
    EXPECT_EQ(Grid_(rows + "x", &g), 3091);
    EXPECT_EQ(Grid_(std::string(61, 'x'), &g), 3091);

    // 101 controls fit; a 102nd is refused before anything is made.
    std::string many;
    for (int row = 0; row < 17; ++row) {
        for (int i = 0; i < 6 && row * 6 + i < 101; ++i)
            many += "[v" + std::to_string(row * 6 + i) + "#]";
        many += "\r\n";
    }
    ASSERT_EQ(Grid_(many, &g), 0);
    EXPECT_EQ(g.controls.size(), 101u);
    EXPECT_EQ(Grid_(many + "[x#]", &g), 3091);

    // A variable name of 30 characters is kept whole; 31 are refused.
    const std::string thirty = "abcdefghijabcdefghijabcdefghij";
    ASSERT_EQ(Grid_("[" + thirty + "#]", &g), 0);
    EXPECT_EQ(g.controls[0].name, thirty);
    EXPECT_EQ(Grid_("[" + thirty + "k#]", &g), 3225);
}

TEST(DialogDefinition, WorkAreaClamp) {
    const plat::Rect area{0, 0, 1024, 738};
    const plat::Rect off = plat::clamp_to_area({3000, -500, 3300, 200}, area);
    EXPECT_EQ(off.left, 724);
    EXPECT_EQ(off.top, 0);
    EXPECT_EQ(off.right, 1024);
    EXPECT_EQ(off.bottom, 700);
    const plat::Rect inside = plat::clamp_to_area({10, 20, 110, 120}, area);
    EXPECT_EQ(inside.left, 10);
    EXPECT_EQ(inside.bottom, 120);
}

class DialogScripts : public ::testing::Test {
protected:
    void TearDown() override { answer_queue_set("none"); }

    // Runs the script with the answers; its standard error.
    std::string Run(const std::string& script, std::initializer_list<const char*> answers) {
        answer_queue_set("");
        for (const char* a : answers)
            answer_queue_push(a);
        testing::internal::CaptureStderr();
        rig_.Run(script);
        return testing::internal::GetCapturedStderr();
    }

    test::ScriptRig rig_;
};

const char kHead[] = "d=\"Test\"\r\nTestFormat=\"CRVDLGED,4.0\"\r\nTestX=10\r\nTestY=10\r\n"
                     "TestWidth=200\r\nTestHeight=100\r\nTestCaption=\"Person\"\r\n";

TEST_F(DialogScripts, EveryControlStoresItsValue) {
    ASSERT_TRUE(rig_.ok());
    const std::string script = std::string(kHead) +
                               "TestNumControls=9\r\n"
                               "Test01=`8,8,40,10,STATICTEXT,,\"Name:\"`\r\n"
                               "Test02=`50,8,80,10,EDITBOX,name,\"nobody\"`\r\n"
                               "Test03=`8,20,40,10,RADIOBUTTON,r,one,1`\r\n"
                               "Test04=`50,20,40,10,RADIOBUTTON,r,two,2`\r\n"
                               "Test05=`8,32,40,10,CHECKBOX,c,bold,1`\r\n"
                               "Test06=`50,32,40,10,CHECKBOX,c,wide,4`\r\n"
                               "Test07=`8,44,80,30,ITEMBOX,items`\r\n"
                               "Test08=`8,80,40,10,PUSHBUTTON,,DEFAULT,1`\r\n"
                               "Test09=`50,80,40,10,PUSHBUTTON,,Later,7`\r\n"
                               "r=2\r\nc=5\r\nitems=\"red\\green\\blue\"\r\n"
                               "items=StrReplace(items, \"\\\", @TAB)\r\n"
                               "x=Dialog(d)\r\n";
    const std::string err = Run(script, {"dialog:button=7;name=Ann;r=1;c=4;items=red|blue"});
    EXPECT_NE(err.find("form Person: edit name radio r(1,off) radio r(2,on) check c(1,on) "
                       "check c(4,on) multilist items button(1) button(7)"),
              std::string::npos)
        << err;
    EXPECT_EQ(rig_.LastRun().error, 0);
    EXPECT_EQ(rig_.Var("x"), "7");
    EXPECT_EQ(rig_.Var("name"), "Ann");
    EXPECT_EQ(rig_.Var("r"), "1");
    EXPECT_EQ(rig_.Var("c"), "4");
    EXPECT_EQ(rig_.Var("items"), "red\tblue");
}

TEST_F(DialogScripts, CancelNamesAndPasswords) {
    ASSERT_TRUE(rig_.ok());
    // Cancel: 0 and 9999, caught by :cancel; the check box variable was
    // zeroed when its control was made.
    std::string script = std::string(kHead) + "TestNumControls=2\r\n"
                                              "Test01=`8,8,80,10,EDITBOX,PW_X,secret`\r\n"
                                              "Test02=`8,20,80,10,PUSHBUTTON,,DEFAULT,0`\r\n"
                                              "x=Dialog(d)\r\nexit\r\n:cancel\r\ncaught=x+1\r\n";
    Run(script, {"cancel"});
    EXPECT_EQ(rig_.Var("caught"), "1");
    EXPECT_EQ(rig_.LastRun().error, 0);

    // A name of 17 characters fails before any variable is read.
    Run("x=Dialog(\"abcdefghijabcdefg\")\r\n", {});
    EXPECT_EQ(rig_.LastRun().error, 3218);
    Run("x=Dialog(\"nothere\")\r\n", {});
    EXPECT_EQ(rig_.LastRun().error, 3219);
    Run("TFormat=\"CRVDLGED,6.0\"\r\nx=Dialog(\"T\")\r\n", {});
    EXPECT_EQ(rig_.LastRun().error, 3220);
    Run("TFormat=\"crvdlged,5.0\"\r\nTx=1\r\nTy=1\r\nTwidth=1\r\nx=Dialog(\"T\")\r\n", {});
    EXPECT_EQ(rig_.LastRun().error, 3221);
    // NumControls above 101 counts as 101: the 101st definition is needed.
    std::string many = std::string(kHead) + "TestNumControls=150\r\n";
    for (int i = 1; i <= 100; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "Test%02d=`1,1,1,1,STATICTEXT,,t`\r\n", i);
        many += line;
    }
    Run(many + "x=Dialog(d)\r\n", {});
    EXPECT_EQ(rig_.LastRun().error, 3222);
    Run(many + "Test101=`1,1,1,1,PUSHBUTTON,,go,3`\r\nTest102=`bad`\r\nx=Dialog(d)\r\n",
        {"dialog:button=3"});
    EXPECT_EQ(rig_.LastRun().error, 0);
    EXPECT_EQ(rig_.Var("x"), "3");

    // A push button of value 65536 returns it and is no Cancel.
    Run(std::string(kHead) + "TestNumControls=1\r\nTest01=`1,1,1,1,PUSHBUTTON,,big,65536`\r\n"
                             "x=Dialog(d)\r\n",
        {"dialog:button=65536"});
    EXPECT_EQ(rig_.LastRun().error, 0);
    EXPECT_EQ(rig_.Var("x"), "65536");
}

TEST_F(DialogScripts, AStoreThatKeepsTheDialogOpenLeavesNoStaleBits) {
    ASSERT_TRUE(rig_.ok());
    // The file list has no file chosen: NOFILESELECTED, and the dialog
    // stays open; the box unchecked before the second OK leaves no bit.
    const std::string script = std::string(kHead) + "TestNumControls=4\r\n"
                                                    "Test01=`8,8,40,10,CHECKBOX,c,one,1`\r\n"
                                                    "Test02=`8,20,40,10,CHECKBOX,c,two,2`\r\n"
                                                    "Test03=`8,32,80,40,FILELISTBOX,f`\r\n"
                                                    "Test04=`8,80,40,10,PUSHBUTTON,,DEFAULT,1`\r\n"
                                                    "f=\"*.nothing\"\r\nx=Dialog(d)\r\n";
    const std::string err = Run(script, {"dialog:button=1;c=3", "dialog:button=2"});
    EXPECT_NE(err.find("form: still open"), std::string::npos) << err;
    EXPECT_EQ(rig_.Var("f"), "NOFILESELECTED");
    EXPECT_EQ(rig_.Var("c"), "3");

    Run(script, {"dialog:button=1;c=3", "dialog:button=1;c=1"});
    EXPECT_EQ(rig_.Var("c"), "1");
    // The second press keeps it open too, and nobody answers the third.
    EXPECT_EQ(rig_.LastRun().error, 9999);
}

TEST_F(DialogScripts, DialogBoxGrids) {
    ASSERT_TRUE(rig_.ok());
    const std::string grid = rig_.File("grid.txt", "Name [NAME#]\r\n[R^a] [R^b] [CHK+y]\r\n");
    const std::string script =
        "NAME=\"old\"\r\nR=\"b\"\r\nx=DialogBox(\"Grid\", \"" + grid + "\")\r\n";
    const std::string err = Run(script, {"dialog:button=1;NAME=new;R=97;CHK=1"});
    EXPECT_NE(err.find("form Grid: edit NAME radio R(97,off) radio R(98,on) check CHK(121,off)"),
              std::string::npos)
        << err;
    EXPECT_EQ(rig_.Var("x"), "1");
    EXPECT_EQ(rig_.Var("NAME"), "new");
    EXPECT_EQ(rig_.Var("R"), "a");
    EXPECT_EQ(rig_.Var("CHK"), "y");

    Run("x=DialogBox(\"Grid\", \"" + grid + "\")\r\n", {"dialog:button=2"});
    EXPECT_EQ(rig_.LastRun().error, 9999);
    Run("x=DialogBox(\"Grid\", \"no such grid.txt\")\r\n", {});
    EXPECT_EQ(rig_.LastRun().error, 3090);
    const std::string wide = rig_.File("wide.txt", std::string(61, 'x'));
    Run("x=DialogBox(\"Grid\", \"" + wide + "\")\r\n", {});
    EXPECT_EQ(rig_.LastRun().error, 3091);
}

TEST_F(DialogScripts, NobodyToAskIsAWindowThatCannotBeMade) {
    ASSERT_TRUE(rig_.ok());
    const std::string script = std::string(kHead) +
                               "TestNumControls=1\r\nTest01=`1,1,1,1,PUSHBUTTON,,go,3`\r\n"
                               "x=Dialog(d)\r\n";
    // The queue is used up: the dialog is cancelled, never answered.
    const std::string err = Run(script, {});
    EXPECT_NE(err.find("form: no dialog answer, cancelled"), std::string::npos);
    EXPECT_EQ(rig_.LastRun().error, 9999);
}

// A host that shows the dialogs itself: the requests its functions got,
// with their first argument; each answers a text.
std::vector<std::string> g_host_asked;
std::int32_t JOL_STDCALL DialogHost(jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg request,
                                    jol::ExtArg answer_fn, jol::ExtArg record, jol::ExtArg,
                                    jol::ExtArg a8, jol::ExtArg, jol::ExtArg, jol::ExtArg,
                                    jol::ExtArg) {
    if (request < 0 || !answer_fn) return 0; // a notification
    g_host_asked.push_back(std::to_string(request) + ":" + reinterpret_cast<const char*>(a8));
    reinterpret_cast<jol::AnswerEntry>(answer_fn)(
        0, 0, record, 1, 0, reinterpret_cast<jol::ExtArg>("shown by the host"));
    return 0;
}

jol::KeywordEntry HostFunction(std::uint16_t id, const char* name) {
    jol::KeywordEntry row{};
    row.id = id;
    row.kind = jol::kind::Function;
    row.value[0] = 5;
    row.value[2] = 0x1F;
    row.length = static_cast<std::int16_t>(std::strlen(name));
    std::strncpy(row.name, name, sizeof row.name - 1);
    return row;
}

TEST_F(DialogScripts, AHostThatShowsTheDialogsGetsDialogByItsRow) {
    ASSERT_TRUE(rig_.ok());
    const std::string script = std::string(kHead) +
                               "TestNumControls=1\r\nTest01=`1,1,1,1,PUSHBUTTON,,go,3`\r\n"
                               "x=Dialog(d)\r\n";
    // The row's own id field is the host's business: the call goes to row
    // 1, as a script naming the function would reach it.
    const jol::KeywordEntry with_dialog[] = {HostFunction(40, "other"), HostFunction(41, "dialog"),
                                             jol::KeywordEntry{}};
    const jol::KeywordEntry without[] = {HostFunction(40, "other"), jol::KeywordEntry{}};
    auto run = [&](bool flag, const jol::KeywordEntry* rows) {
        g_host_asked.clear();
        rig_.Lock()->host_dialog_flag = flag;
        rig_.Unlock();
        answer_queue_set("");
        testing::internal::CaptureStderr();
        rig_.Run(script, &DialogHost, rows);
        return testing::internal::GetCapturedStderr();
    };

    std::string err = run(true, with_dialog);
    EXPECT_EQ(rig_.LastRun().error, 0) << err;
    EXPECT_EQ(rig_.Var("x"), "shown by the host");
    EXPECT_EQ(g_host_asked, std::vector<std::string>{"1:Test"});
    EXPECT_EQ(err.find("form"), std::string::npos) << err;

    // Without the flag, or without a row named "dialog", the library's own
    // dialog (cancelled here, nobody answers it).
    for (bool flag : {false, true}) {
        err = run(flag, flag ? without : with_dialog);
        EXPECT_TRUE(g_host_asked.empty());
        EXPECT_NE(err.find("form: no dialog answer, cancelled"), std::string::npos) << err;
        EXPECT_EQ(rig_.LastRun().error, 9999);
    }
}

class DebugScripts : public DialogScripts {};

TEST_F(DebugScripts, StepsTraceWordsAndButtons) {
    ASSERT_TRUE(rig_.ok());
    const std::string script = "Debug(1)\r\na=5\r\nb=\"x\"\r\nif a==5 then c=1\r\n"
                               "if a==6\r\nc=2\r\nendif\r\nd=4\r\n";
    const std::string err = Run(script, {"next", "showvar:a = whatever", "showvar:nosuch", "next",
                                         "next", "next", "next", "next", "run"});
    EXPECT_NE(err.find("DEBUG: *** Debug Initialized *** | VALUE=> 0 |  | a=5"), std::string::npos)
        << err;
    EXPECT_NE(err.find("DEBUG show: a = \"5\""), std::string::npos);
    EXPECT_NE(err.find("DEBUG show: nosuch = ??? Unknown Variable"), std::string::npos);
    EXPECT_NE(err.find("DEBUG: b=\"x\" | VALUE=> \"x\" |  | if a==5 then c=1"), std::string::npos);
    EXPECT_NE(err.find("DEBUG: if a==5 then c=1 | ==>TRUE=> 1 |  | if a==6"), std::string::npos)
        << err;
    EXPECT_NE(err.find("DEBUG: if a==6 | IF DO==>FALSE |  | c=2"), std::string::npos);
    EXPECT_EQ(rig_.Var("d"), "4");
    EXPECT_EQ(rig_.LastRun().result, 1);

    // Cancel stops the run.
    Run("Debug(1)\r\nk=1\r\nl=2\r\n", {"next", "cancel"});
    EXPECT_EQ(rig_.Var("k"), "1");
    EXPECT_EQ(rig_.Var("l"), "<none>");
    EXPECT_EQ(rig_.LastRun().result, 0);

    // The end of the job shows once; -1 stops at skipped lines too.
    const std::string end =
        Run("Debug(-1)\r\nif 0\r\nz=1\r\nendif\r\n", {"next", "next", "next", "next", "next"});
    EXPECT_NE(end.find("| STATEMENT SKIPPED |"), std::string::npos) << end;
    EXPECT_NE(end.find("| ;;;END OF JOB;;;"), std::string::npos);
}

TEST_F(DebugScripts, ErrorsShowVarAndNobodyToAsk) {
    ASSERT_TRUE(rig_.ok());
    // A suppressed error shows on the next step; the stop of the run
    // shows with the terminal word, and Show Var then leaves the run's
    // error as it was.
    const std::string err = Run("ErrorMode(@OFF)\r\nDebug(1)\r\nx=FileDelete(\"no such file\")\r\n"
                                "ErrorMode(@CANCEL)\r\ny=1/0\r\n",
                                {"next", "next", "next", "ok", "showvar:unknownname", "next"});
    EXPECT_NE(err.find("| JOL ERROR SUPPRESSED =>"), std::string::npos) << err;
    EXPECT_NE(err.find("| TERMINAL JOL ERROR=>"), std::string::npos) << err;
    EXPECT_NE(err.find("| ;;;END OF JOB;;;"), std::string::npos);
    EXPECT_NE(rig_.LastRun().error, 0);
    EXPECT_NE(rig_.LastRun().error, 3051);
    EXPECT_EQ(rig_.LastRun().result, 0);

    // Nobody steps the script: the trace goes to the debugger output and
    // the run goes on.
    Run("Debug(1)\r\nm=1\r\nn=2\r\n", {});
    EXPECT_EQ(rig_.Var("n"), "2");
    EXPECT_EQ(rig_.LastRun().result, 1);
}

TEST_F(DebugScripts, EndOfJobLineIsCutToTheLine) {
    ASSERT_TRUE(rig_.ok());
    // A translation of END OF JOB as long as a message can be.
    const std::string long_text(256, 'E');
    rig_.File("CRVDLANG", "[MAIN]\r\nX805=" + long_text + "\r\n");
    char saved[1024];
    plat::get_current_directory(saved, sizeof saved);
    plat::set_current_directory(rig_.folder().c_str());
    jol::RereadMessageLanguage();
    char line[257];
    std::memset(line, 'z', sizeof line);
    jol::FormatEndOfJob(line, sizeof line);
    plat::set_current_directory(saved);
    jol::RereadMessageLanguage();
    EXPECT_EQ(std::strlen(line), 256u);
    EXPECT_EQ(std::string(line, 6), ";;;EEE");
    jol::FormatEndOfJob(line, sizeof line);
    EXPECT_STREQ(line, ";;;END OF JOB;;;");
}

} // namespace
