// The command tail that reaches the worker's decisions. The compiler's
// start-up code derives WinMain's lpCmdLine by rules of its own; the
// product derives its tail with commandTail instead. The recorder stand-in
// logs both, for the same command line.
#include "worker_run.h"

namespace {

struct TailCase {
    std::string commandLine;
    std::string tail;       // by the product's rules
    std::string startupTail;  // what the start-up code hands WinMain
};

// The recorder is started under the name "rec.exe" in every line.
const TailCase TAIL_CASES[] = {
    // Where both agree.
    {"rec.exe", "", ""},
    {"rec.exe a b", "a b", "a b"},
    {"rec.exe\t\x01\x1F a", "a", "a"},     // every byte of code 1 to 32 after the name
    {"rec.exe -v  ", "-v  ", "-v  "},       // blanks at the end stay
    {"\"r c.exe\"  a ", "a ", "a "},        // a quoted name may hold blanks
    {"\"rec.exe", "", ""},                  // a quote that never closes
    {"rec\x01.exe a", ".exe a", ".exe a"},  // a control byte ends an unquoted name
    {"rec.exe \"x y\"", "\"x y\"", "\"x y\""},
    // Where the start-up code differs: a double quote anywhere in the name
    // switches blanks off and on, and bytes of 128 and above count as
    // blanks (they are compared as signed characters).
    {"\"rec.exe\"a", "a", ""},
    {"\"rec\"x y", "x y", "y"},
    {"re\"c.exe x\" a", "x\" a", "a"},
    {"rec\xE9.exe a", "a", ".exe a"},
    {"rec.exe \xA0 a", "\xA0 a", "a"},
    {"\xB5rec a", "a", "rec a"},
};

std::string visible(const std::string &bytes)
{
    std::string shown;
    for (unsigned char c : bytes) {
        char hex[8];
        if (c < 0x20 || c >= 0x7F) {
            wsprintfA(hex, "<%02X>", c);
            shown += hex;
        } else {
            shown += static_cast<char>(c);
        }
    }
    return shown;
}

} // namespace

TEST(CommandTail, StartupCodeDiffersFromTheRulesThatCommandTailFollows)
{
    TempFolder folder("tail");
    std::string recorder = folder / "rec.exe";
    ASSERT_TRUE(CopyFileA(recorderProgram().c_str(), recorder.c_str(), FALSE));
    for (const TailCase &c : TAIL_CASES) {
        ChildProcess child(recorder, c.commandLine, folder.path());
        DWORD code = 0;
        ASSERT_TRUE(child.waitForExit(&code));
    }
    std::vector<StartRecord> starts = readStartLog(folder / "started.log");
    ASSERT_EQ(sizeof TAIL_CASES / sizeof TAIL_CASES[0], starts.size());
    for (size_t i = 0; i < starts.size(); ++i) {
        const TailCase &c = TAIL_CASES[i];
        SCOPED_TRACE("command line " + visible(c.commandLine));
        EXPECT_EQ(c.commandLine, starts[i]["commandLine"]);
        EXPECT_EQ(visible(c.tail), visible(starts[i]["tail"]));
        EXPECT_EQ(visible(c.startupTail), visible(starts[i]["winMainTail"]));
    }
}

// One user: the dialog shows exactly when the tail by the rules is "-v".
TEST(CommandTail, TheWorkerDecidesByTheTailOfTheRules)
{
    struct Case {
        std::string commandLine;
        bool dialog;
    } cases[] = {
        {"\"worker.exe\"-v", true},       // the start-up code would give ""
        {"worker.exe\t \x01-v", true},
        {"worker.exe\xA0-v", false},      // the start-up code would give "-v"
        {"worker.exe -v\t", false},       // a blank at the end stays in the tail
        {"\"work er.exe\" -v", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("command line " + visible(c.commandLine));
        WorkerRun run;
        run.installUsers({"Ann"});
        run.startWithCommandLine(c.commandLine);
        if (c.dialog) {
            HWND dialog = run.child->nextDialog();
            ASSERT_TRUE(dialog) << "no dialog";
            pressButton(dialog, IDCANCEL);
            run.expectExitCodeZero();
            EXPECT_TRUE(nothingRecorded());
        } else {
            run.expectExitCodeZero();
            EXPECT_TRUE(run.installerStartedOnce());
        }
    }
}
