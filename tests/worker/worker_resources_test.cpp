// The resources of the built worker.exe, read from the file.
#include "dialog_template.h"
#include "module_resources.h"
#include "worker_run.h"

namespace {

const int IDD_SELECT_USER = 102;
const WORD STATIC_ID = 0xFFFF;  // -1 in a 16-bit id

} // namespace

TEST(WorkerResources, CarryOnlyTheUserDialogInUsEnglishAndNoIcon)
{
    ModuleFile worker(workerProgram());
    std::vector<ResourceEntry> resources = worker.resources();
    ASSERT_EQ(2u, resources.size()) << "the dialog and the manifest: no icon, nothing else";
    EXPECT_EQ(resourceId(5), resources[0].type);  // RT_DIALOG
    EXPECT_EQ(resourceId(IDD_SELECT_USER), resources[0].name);
    EXPECT_EQ(LANGUAGE_EN_US, resources[0].language);
    // Its content is checked in the file checks (tests/pe32/check_manifest.py).
    EXPECT_EQ(resourceId(24), resources[1].type);  // RT_MANIFEST
    EXPECT_EQ(resourceId(1), resources[1].name);
    EXPECT_EQ(LANGUAGE_EN_US, resources[1].language);
}

TEST(WorkerResources, TheUserDialogTemplateFieldByField)
{
    ModuleFile worker(workerProgram());
    DialogTemplate dialog = parseDialogTemplate(worker.bytes(resourceId(5), resourceId(IDD_SELECT_USER)));
    EXPECT_FALSE(dialog.extended);
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT), dialog.style);
    EXPECT_EQ(0u, dialog.exStyle);
    EXPECT_EQ(0, dialog.x);
    EXPECT_EQ(0, dialog.y);
    EXPECT_EQ(234, dialog.cx);
    EXPECT_EQ(158, dialog.cy);
    EXPECT_EQ("", dialog.menu);
    EXPECT_EQ("", dialog.windowClass);
    EXPECT_EQ("Kelvane Setup", dialog.caption);
    EXPECT_EQ(8, dialog.fontPointSize);
    EXPECT_EQ("MS Sans Serif", dialog.fontName);

    const DWORD child = WS_CHILD | WS_VISIBLE;
    const std::vector<ExpectedDialogItem> expected = {
        {IDOK, "BUTTON", child | WS_TABSTOP | BS_DEFPUSHBUTTON, 177, 7, 50, 14, "OK"},
        {ID_USER_LIST, "LISTBOX", child | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
         7, 61, 152, 90, ""},
        {STATIC_ID, "STATIC", child | WS_GROUP | SS_LEFT, 7, 7, 153, 38,
         "Select PalmPilot user for Kelvane installation."},
        {ID_ACTIVE_USER, "STATIC", child | WS_GROUP | SS_LEFT, 7, 46, 153, 9, "LASTUSER HOTSYNCED"},
        {IDCANCEL, "BUTTON", child | WS_TABSTOP | BS_PUSHBUTTON, 177, 26, 50, 14, "Cancel"},
    };
    expectDialogItems(dialog, expected);
}
