// The licence agreement dialog of the running placer.exe.
#include "maker_lines.h"
#include "placer_fixture.h"
#include "wine_app_defaults.h"

namespace {

const DWORD STAYS_OPEN_MS = 400;

} // namespace

class LicenseDialogTest : public PlacerTest {
protected:
    void expectNotInstalledAndNothingDeleted();
};

// M1 alone, then nothing queued and nothing deleted.
void LicenseDialogTest::expectNotInstalledAndNothingDeleted()
{
    std::vector<SeenBox> boxes = remainingBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].box.text, NOT_INSTALLED_MESSAGE);
    EXPECT_EQ(boxes[0].box.caption, "Kelvane Setup");
    EXPECT_TRUE(isPlainBox(boxes[0].box));
    EXPECT_TRUE(boxes[0].mainWindowHidden);
    expectExitCodeZero();

    EXPECT_TRUE(workerPresent());
    expectPersonsLicenseUntouched();
    expectTempFolderEmpty();
    EXPECT_FALSE(folderExists(palm_.installFolder("AnnDir")));
}

namespace {

HWND focusOf(HWND dialog)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &info);
    return info.hwndFocus;
}

} // namespace

TEST_F(LicenseDialogTest, ShowsTheAgreementAndNoEndsWithoutInstalling)
{
    palm_.install(PilotRoot::USRobotics, UsersDatBuilder().user("Ann", "AnnDir", 1));
    startPlacer();
    HWND dialog = licenseDialog();
    ASSERT_TRUE(dialog);

    WindowView view = viewWindow(dialog);
    EXPECT_EQ(view.controlText(1102), "Kelvane for PalmPilot - Amber Version 3.5");
    EXPECT_NE(view.controlText(1104).find("Kelvane Software"), std::string::npos) << view.controlText(1104);
    ASSERT_TRUE(view.control(1106));
    EXPECT_STRCASEEQ(view.control(1106)->className.c_str(), "RICHEDIT");
    EXPECT_EQ(view.controlText(1106), contentBytes("license.txt"));
    bool questionShown = false;
    for (const ControlView &control : view.controls)
        questionShown |= control.text == "Do you agree with the terms of this license?";
    EXPECT_TRUE(questionShown);
    EXPECT_EQ(GetDlgCtrlID(focusOf(dialog)), IDYES);

    // Owned by the hidden main window; the text's file is already gone.
    EXPECT_TRUE(mainWindowHidden());
    char ownerClass[64] = "";
    GetClassNameA(GetWindow(dialog, GW_OWNER), ownerClass, sizeof ownerClass);
    EXPECT_STREQ(ownerClass, "kelvsetup");
    expectTempFolderEmpty();
    expectPersonsLicenseUntouched();

    pressButton(dialog, IDNO);
    expectNotInstalledAndNothingDeleted();
}

// A maker's name often holds an '&': the product line, the rights notice
// and the web line show it as written, not as an underline.
TEST_F(LicenseDialogTest, AnAmpersandInTheMakersLinesReadsAsWritten)
{
    palm_.install(PilotRoot::USRobotics, UsersDatBuilder().user("Ann", "AnnDir", 1));
    startPlacer();
    HWND dialog = licenseDialog();
    ASSERT_TRUE(dialog);

    const char smithAndSons[] = "(c) 2026 Smith & Sons Software";
    int makersLines = 0;
    const std::vector<ControlView> controls = viewWindow(dialog).controls;
    for (size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].id != 1102 && controls[i].id != 1104 && controls[i].text != KELVANE_WEB_LINE)
            continue;
        ++makersLines;
        SCOPED_TRACE(controls[i].text);
        SetWindowTextA(controls[i].window, smithAndSons);
        ControlView shown = viewWindow(dialog).controls[i];
        EXPECT_EQ(shown.text, smithAndSons);
        EXPECT_EQ(static_cast<DWORD>(SS_NOPREFIX), shown.style & SS_NOPREFIX);
    }
    EXPECT_EQ(makersLines, 3);
    pressButton(dialog, IDNO);
    expectNotInstalledAndNothingDeleted();
}

TEST_F(LicenseDialogTest, EscapeAndTheCloseBoxLeaveItOpenUntilYes)
{
    palm_.install(PilotRoot::USRobotics, UsersDatBuilder().user("Ann", "AnnDir", 1));
    startPlacer();
    HWND dialog = licenseDialog();
    ASSERT_TRUE(dialog);

    pressEscape(dialog);
    EXPECT_EQ(child_->nextDialog(STAYS_OPEN_MS), (HWND)NULL) << "Escape led on";
    EXPECT_TRUE(IsWindowVisible(dialog)) << "Escape closed the dialog";
    pressCloseBox(dialog);
    EXPECT_EQ(child_->nextDialog(STAYS_OPEN_MS), (HWND)NULL) << "the close box led on";
    EXPECT_TRUE(IsWindowVisible(dialog)) << "the close box closed the dialog";
    EXPECT_TRUE(mainWindowHidden());

    pressButton(dialog, IDYES);
    std::vector<SeenBox> boxes = remainingBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].box.text, queuedMessage("Ann"));
    expectExitCodeZero();
    expectPersonsLicenseUntouched();
}

TEST_F(LicenseDialogTest, WithoutTheRichEditLibraryNothingIsInstalledOrDeleted)
{
    palm_.install(PilotRoot::USRobotics, UsersDatBuilder().user("Ann", "AnnDir", 1));
    ProgramDllOverrides noRichEdit({"placer.exe"}, {"riched32"}, NOT_LOADED);
    startPlacer();
    expectNotInstalledAndNothingDeleted();
}
