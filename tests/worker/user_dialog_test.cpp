// The user-choice dialog, driven from outside as a person would use it.
#include "list_box_view.h"
#include "worker_run.h"

namespace {

struct OpenDialog {
    HWND dialog = NULL;
    HWND list = NULL;
};

OpenDialog openDialog(WorkerRun &run, const std::string &tail = "")
{
    OpenDialog open;
    open.dialog = run.start(tail).nextDialog();
    if (open.dialog)
        open.list = GetDlgItem(open.dialog, ID_USER_LIST);
    return open;
}

bool stillOpen(HWND dialog)
{
    return IsWindow(dialog) && IsWindowVisible(dialog);
}

} // namespace

TEST(WorkerUserDialog, ListsTheUsersInTableOrderAndPreselectsTheCurrentActiveUser)
{
    const char *const NO_LAST_USER = nullptr;
    struct Case {
        std::vector<std::string> users;
        const char *lastUser;
        std::string label;
        int preselected;
    } cases[] = {
        {{"Cy", "Ann", "Bob"}, "Bob", "Current Active User: Bob", 2},
        {{"Ann", "Bob", "Ann", "Cy"}, "Ann", "Current Active User: Ann", 2},  // the later match
        {{"Ann", "Bob"}, "bob", "Current Active User: bob", 0},               // case counts
        {{"Ann", "Bob"}, "Zed", "Current Active User: Zed", 0},               // not in the table
        {{"Ann", "Bob"}, NO_LAST_USER, "", 0},                                // no current user: empty label
        {{"Ann", "", "Bob", ""}, NO_LAST_USER, "", 3},                        // ... which equals the last empty name
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label + ", " + std::to_string(c.users.size()) + " users");
        WorkerRun run;
        run.installUsers(c.users);
        if (c.lastUser)
            run.desktop.setLastUserName(PilotRoot::USRobotics, c.lastUser);
        OpenDialog open = openDialog(run);
        ASSERT_TRUE(open.dialog) << "no dialog";

        EXPECT_EQ(c.users, listBoxItems(open.list));
        EXPECT_EQ(c.preselected, listBoxSelection(open.list));
        EXPECT_EQ(c.label, viewWindow(open.dialog).controlText(ID_ACTIVE_USER));
        pressButton(open.dialog, IDCANCEL);
        run.expectExitCodeZero();
    }
}

TEST(WorkerUserDialog, OneUserAndExactlyDashVShowTheDialogWithThatUserPreselected)
{
    WorkerRun run;
    run.installUsers({"Ann Lee"});
    OpenDialog open = openDialog(run, "-v");
    ASSERT_TRUE(open.dialog);
    EXPECT_EQ(std::vector<std::string>{"Ann Lee"}, listBoxItems(open.list));
    EXPECT_EQ(0, listBoxSelection(open.list));
    EXPECT_EQ("Current Active User: Ann Lee", viewWindow(open.dialog).controlText(ID_ACTIVE_USER));

    std::uint64_t before = fileTimeNow();
    pressButton(open.dialog, IDOK);
    run.expectExitCodeZero();
    EXPECT_TRUE(recordsOfChoice("Ann Lee", before, fileTimeNow()));
    EXPECT_TRUE(run.installerStartedOnce());
    EXPECT_TRUE(run.installerKept());
}

TEST(WorkerUserDialog, OpensCentredWithTheFocusOnOk)
{
    WorkerRun run;
    run.installUsers({"Ann", "Bob"});
    OpenDialog open = openDialog(run);
    ASSERT_TRUE(open.dialog);
    WindowView view = viewWindow(open.dialog);
    EXPECT_EQ("Kelvane Setup", view.caption);
    EXPECT_EQ("Select PalmPilot user for Kelvane installation.", view.controlText(0xFFFF));

    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    LONG width = view.rect.right - view.rect.left;
    LONG height = view.rect.bottom - view.rect.top;
    EXPECT_EQ((desktop.right - desktop.left) / 2 - width / 2 + desktop.left, view.rect.left);
    EXPECT_EQ((desktop.bottom - desktop.top) / 2 - height / 2 + desktop.top, view.rect.top);

    GUITHREADINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(open.dialog, NULL), &info));
    EXPECT_EQ(GetDlgItem(open.dialog, IDOK), info.hwndFocus);
    pressButton(open.dialog, IDCANCEL);
    run.expectExitCodeZero();
}

TEST(WorkerUserDialog, OkRecordsTheSelectedUserAndStartsTheInstaller)
{
    WorkerRun run;
    run.installUsers({"Ann", "Bob", "Cy"});
    run.desktop.setLastUserName(PilotRoot::USRobotics, "Bob");
    OpenDialog open = openDialog(run);
    ASSERT_TRUE(open.dialog);
    SendMessageA(open.list, LB_SETCURSEL, 2, 0);

    std::uint64_t before = fileTimeNow();
    pressButton(open.dialog, IDOK);
    run.expectExitCodeZero();
    EXPECT_TRUE(recordsOfChoice("Cy", before, fileTimeNow()));
    EXPECT_TRUE(run.installerStartedOnce());
    EXPECT_TRUE(run.installerKept());
}

TEST(WorkerUserDialog, DoubleClickSelectsWithoutEndingTheDialog)
{
    WorkerRun run;
    run.installUsers({"Ann", "Bob", "Cy"});
    OpenDialog open = openDialog(run);
    ASSERT_TRUE(open.dialog);
    ASSERT_EQ(0, listBoxSelection(open.list));

    ASSERT_TRUE(doubleClickListItem(open.list, 1)) << "the list went away: the double-click ended the dialog";
    EXPECT_EQ(1, listBoxSelection(open.list));
    pumpFor(100);
    EXPECT_TRUE(stillOpen(open.dialog));
    EXPECT_TRUE(run.child->running());
    EXPECT_TRUE(nothingRecorded());

    std::uint64_t before = fileTimeNow();
    pressButton(open.dialog, IDOK);
    run.expectExitCodeZero();
    EXPECT_TRUE(recordsOfChoice("Bob", before, fileTimeNow()));
}

TEST(WorkerUserDialog, CancelEscapeAndTheCloseBoxRecordNothingAndDeleteTheInstaller)
{
    struct Case {
        const char *how;
        void (*end)(HWND dialog);
        std::vector<std::string> users;
        const char *tail;
    } cases[] = {
        {"Cancel", [](HWND d) { pressButton(d, IDCANCEL); }, {"Ann", "Bob"}, ""},
        {"Escape", pressEscape, {"Ann", "Bob"}, ""},
        {"close box", pressCloseBox, {"Ann", "Bob"}, ""},
        {"Cancel, one user and -v", [](HWND d) { pressButton(d, IDCANCEL); }, {"Ann"}, "-v"},
        {"Cancel, no users", [](HWND d) { pressButton(d, IDCANCEL); }, {}, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.how);
        WorkerRun run;
        run.installUsers(c.users);
        OpenDialog open = openDialog(run, c.tail);
        ASSERT_TRUE(open.dialog);
        c.end(open.dialog);
        run.expectExitCodeZero();
        EXPECT_TRUE(nothingRecorded());
        EXPECT_FALSE(run.installerKept());
        EXPECT_TRUE(run.installerStarts().empty());
    }
}

TEST(WorkerUserDialog, AnEmptyDatabaseGivesAnEmptyListAndOkRecordsTheEmptyName)
{
    WorkerRun run;
    run.installUsers({});
    OpenDialog open = openDialog(run);
    ASSERT_TRUE(open.dialog);
    EXPECT_TRUE(listBoxItems(open.list).empty());
    EXPECT_EQ(LB_ERR, listBoxSelection(open.list));
    EXPECT_EQ("", viewWindow(open.dialog).controlText(ID_ACTIVE_USER));

    std::uint64_t before = fileTimeNow();
    pressButton(open.dialog, IDOK);
    run.expectExitCodeZero();
    EXPECT_TRUE(recordsOfChoice("", before, fileTimeNow()));
    EXPECT_TRUE(run.installerStartedOnce());
}
