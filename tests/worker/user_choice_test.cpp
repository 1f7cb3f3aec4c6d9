// chooseUser in this process, where the registry writes can be watched and
// where the dialog template is missing, so the dialog cannot open.
#include "user_choice.h"

#include "fake_palm_desktop.h"
#include "import_hook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using SetValue = LSTATUS(WINAPI *)(HKEY, LPCSTR, DWORD, DWORD, const BYTE *, DWORD);
SetValue realSetValue;
std::vector<std::string> writtenValues;
std::string failingValue;

LSTATUS WINAPI watchedSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD size)
{
    writtenValues.push_back(name);
    if (failingValue == name)
        return ERROR_ACCESS_DENIED;
    return realSetValue(key, name, reserved, type, data, size);
}

} // namespace

TEST(ChooseUser, WritesTheRecordsInOrderAndGoesOnPastAFailedWrite)
{
    const std::vector<std::string> ALL = {"Installed User", "Installed Date", "Installed Edition", "Installed Version"};
    struct Case {
        std::string failing;
        std::vector<std::string> written;
    } cases[] = {
        {"", ALL},
        {"Installed User", ALL},
        {"Installed Date", ALL},
        {"Installed Edition", {"Installed User", "Installed Date", "Installed Edition"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("failing: " + c.failing);
        FakePalmDesktop desktop;
        desktop.install(PilotRoot::USRobotics, UsersDatBuilder().user("Ann", "Ann", 1));
        writtenValues.clear();
        failingValue = c.failing;
        ImportHook hook("advapi32.dll", "RegSetValueExA", reinterpret_cast<void *>(watchedSetValue));
        realSetValue = reinterpret_cast<SetValue>(hook.original());

        EXPECT_NE(0, chooseUser(""));
        EXPECT_EQ(c.written, writtenValues);
    }
}

TEST(ChooseUser, ADialogThatCannotOpenCountsAsCancel)
{
    FakePalmDesktop desktop;
    desktop.install(PilotRoot::USRobotics, UsersDatBuilder().user("Ann", "Ann", 1));
    EXPECT_EQ(0, chooseUser("-v"));
    EXPECT_FALSE(FakePalmDesktop::keyExists(PRODUCT_KEY_PATH));
}
