// The resources of the built placer.exe, read from the file itself.
#include "dialog_template.h"
#include "module_resources.h"
#include "placer_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

std::string placerProgram()
{
    return programFolder() + "\\placer.exe";
}

const WORD NO_ID = 0xFFFF;
const std::string ICON_TYPE = resourceId(3);
const std::string DIALOG_TYPE = resourceId(5);
const std::string ICON_GROUP_TYPE = resourceId(14);
const std::string MANIFEST_TYPE = resourceId(24);

} // namespace

TEST(PlacerResources, LicenseDialogTemplateIsExactlyTheAgreementDialog)
{
    ModuleFile placer(placerProgram());
    DialogTemplate dialog = parseDialogTemplate(placer.bytes(DIALOG_TYPE, resourceId(113)));

    EXPECT_FALSE(dialog.extended);
    EXPECT_EQ(dialog.style, static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                               DS_SETFONT | DS_CENTER));
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(std::vector<short>({dialog.x, dialog.y, dialog.cx, dialog.cy}), std::vector<short>({0, 0, 250, 231}));
    EXPECT_EQ(dialog.menu, "");
    EXPECT_EQ(dialog.windowClass, "");
    EXPECT_EQ(dialog.caption, "Kelvane Setup - Amber Version");
    EXPECT_EQ(dialog.fontPointSize, 8);
    EXPECT_EQ(dialog.fontName, "MS Shell Dlg");

    const DWORD SHOWN = WS_CHILD | WS_VISIBLE;
    const std::vector<ExpectedDialogItem> expected = {
        {IDYES, "BUTTON", SHOWN | WS_TABSTOP | BS_DEFPUSHBUTTON, 64, 211, 50, 14, "Yes", -1},
        {NO_ID, "STATIC", SHOWN | SS_ICON, 6, 6, 20, 20, "", 120},
        {NO_ID, "STATIC", SHOWN | SS_BLACKFRAME | SS_SUNKEN, 6, 44, 238, 1, "", -1},
        {1102, "STATIC", SHOWN | WS_GROUP | SS_LEFT | SS_NOPREFIX, 43, 6, 187, 8, "PRODUCT NAME", -1},
        {1104, "STATIC", SHOWN | WS_GROUP | SS_LEFT | SS_NOPREFIX, 43, 18, 181, 8, nullptr, -1},
        {1106, "RICHEDIT",
         SHOWN | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, 6, 51, 238, 139,
         "", -1},
        {IDNO, "BUTTON", SHOWN | WS_TABSTOP | BS_PUSHBUTTON, 135, 211, 50, 14, "No", -1},
        {NO_ID, "STATIC", SHOWN | WS_GROUP | SS_CENTER, 41, 197, 167, 10,
         "Do you agree with the terms of this license?", -1},
        {NO_ID, "STATIC", SHOWN | WS_GROUP | SS_LEFT | SS_NOPREFIX, 43, 30, 122, 11, nullptr, -1},
    };
    expectDialogItems(dialog, expected);
    ASSERT_EQ(9u, dialog.items.size());
    EXPECT_NE(dialog.items[8].text.find("www.kelvane.example"), std::string::npos) << dialog.items[8].text;
}

TEST(PlacerResources, ProductIconHasItsFourImages)
{
    ModuleFile placer(placerProgram());
    std::vector<IconGroupEntry> images = parseIconGroup(placer.bytes(ICON_GROUP_TYPE, resourceId(120)));
    struct Expected {
        int width, height, colorCount, bitCount;
    } expected[] = {{32, 32, 16, 4}, {48, 48, 0, 8}, {32, 32, 0, 8}, {16, 16, 16, 4}};
    ASSERT_EQ(images.size(), std::size(expected));
    for (size_t i = 0; i < images.size(); ++i) {
        SCOPED_TRACE("image " + std::to_string(i + 1));
        EXPECT_EQ(images[i].width, expected[i].width);
        EXPECT_EQ(images[i].height, expected[i].height);
        EXPECT_EQ(images[i].colorCount, expected[i].colorCount);
        EXPECT_EQ(images[i].bitCount, expected[i].bitCount);
        // Each entry names an image the file really carries, of that size.
        ASSERT_TRUE(placer.has(ICON_TYPE, resourceId(images[i].imageId)));
        EXPECT_EQ(placer.bytes(ICON_TYPE, resourceId(images[i].imageId)).size(), images[i].bytes);
    }
}

TEST(PlacerResources, CarriedFilesAreTheContentByteForByte)
{
    ModuleFile placer(placerProgram());
    EXPECT_EQ(placer.bytes("PRC", resourceId(10000)), contentBytes("kelvane.prc"));
    std::string license = placer.bytes("LIC", resourceId(10001));
    EXPECT_EQ(license, contentBytes("license.txt"));

    // What the dialog can show whole: under 10000 bytes, no NUL, CR LF.
    EXPECT_LT(license.size(), 10000u);
    EXPECT_EQ(license.find('\0'), std::string::npos);
    for (size_t i = 0; i < license.size(); ++i) {
        bool lineFeedAfterReturn = license[i] != '\n' || (i > 0 && license[i - 1] == '\r');
        bool returnBeforeLineFeed = license[i] != '\r' || (i + 1 < license.size() && license[i + 1] == '\n');
        ASSERT_TRUE(lineFeedAfterReturn && returnBeforeLineFeed) << "a line end other than CR LF at " << i;
    }
}

TEST(PlacerResources, EverythingIsInLanguage1033AndNothingElseIsCarried)
{
    ModuleFile placer(placerProgram());
    std::multiset<std::string> found;
    for (const ResourceEntry &entry : placer.resources()) {
        EXPECT_EQ(entry.language, LANGUAGE_EN_US) << entry.type << " " << entry.name;
        found.insert(entry.type);
    }
    std::multiset<std::string> expected = {ICON_TYPE, ICON_TYPE, ICON_TYPE, ICON_TYPE,
                                           ICON_GROUP_TYPE, DIALOG_TYPE, "PRC", "LIC", MANIFEST_TYPE};
    EXPECT_EQ(found, expected);
}
