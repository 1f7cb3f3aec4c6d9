// The resources of the built worker.exe, read from the file.
#include "dialog_template.h"
#include "module_resources.h"
#include "sha256.h"
#include "worker_run.h"

namespace {

const int IDD_SELECT_USER = 102;
const int IDR_INSTALLER_DIGEST = 2000;
const WORD STATIC_ID = 0xFFFF;  // -1 in a 16-bit id

} // namespace

// The dialog, the SHA-256 digest of the installer of the same build (the
// only one the worker starts) and the manifest.
TEST(WorkerResources, CarryOnlyTheUserDialogTheInstallersDigestAndTheManifestInUsEnglishAndNoIcon)
{
    ModuleFile worker(workerProgram());
    std::vector<ResourceEntry> resources = worker.resources();
    ASSERT_EQ(3u, resources.size()) << "the dialog, the digest and the manifest: no icon, nothing else";
    EXPECT_EQ(resourceId(5), resources[0].type);  // RT_DIALOG
    EXPECT_EQ(resourceId(IDD_SELECT_USER), resources[0].name);
    EXPECT_EQ(resourceId(10), resources[1].type);  // RT_RCDATA
    EXPECT_EQ(resourceId(IDR_INSTALLER_DIGEST), resources[1].name);
    // Its content is checked in the file checks (tests/pe32/check_manifest.py).
    EXPECT_EQ(resourceId(24), resources[2].type);  // RT_MANIFEST
    EXPECT_EQ(resourceId(1), resources[2].name);
    for (const ResourceEntry &resource : resources)
        EXPECT_EQ(LANGUAGE_EN_US, resource.language);

    std::string installer = readFileBytes(programFolder() + "\\placer.exe");
    Sha256 hash;
    sha256Begin(&hash);
    sha256Add(&hash, reinterpret_cast<const BYTE *>(installer.data()), static_cast<DWORD>(installer.size()));
    BYTE digest[SHA256_SIZE];
    sha256End(&hash, digest);
    EXPECT_TRUE(worker.bytes(resourceId(10), resourceId(IDR_INSTALLER_DIGEST)) ==
                std::string(reinterpret_cast<char *>(digest), SHA256_SIZE));
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
