// Registry operations on the Pilot Desktop's keys and on the product key.
#include "fake_palm_desktop.h"
#include "import_hook.h"
#include "lcreg.h"
#include "message_box_capture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const std::string HOTSYNC_USR = std::string(pilotRootKey(PilotRoot::USRobotics)) + "\\HotSync Manager";
const std::string HOTSYNC_PALM = std::string(pilotRootKey(PilotRoot::PalmComputing)) + "\\HotSync Manager";

std::string dword(DWORD value)
{
    return std::string(reinterpret_cast<const char *>(&value), sizeof value);
}

std::string withNul(const std::string &text)
{
    return text + std::string(1, '\0');
}

// A buffer with guard bytes behind the part an operation may write.
struct GuardedBuffer {
    explicit GuardedBuffer(size_t size) : size(size) { std::memset(bytes, 0xdd, sizeof bytes); }
    char *data() { return bytes; }
    bool guardIntact() const
    {
        for (size_t i = size; i < sizeof bytes; ++i) {
            if (static_cast<unsigned char>(bytes[i]) != 0xdd)
                return false;
        }
        return true;
    }
    size_t size;
    char bytes[600];
};

} // namespace

class RegistryTest : public ::testing::Test {
protected:
    FakePalmDesktop desktop;
};

TEST_F(RegistryTest, FirstRootThatOpensIsTheOnlyOneUsedPerOperation)
{
    char path[PALM_PATH_SIZE];

    desktop.setPath(PilotRoot::USRobotics, "C:\\usr");
    desktop.setPath(PilotRoot::PalmComputing, "C:\\palm");
    ASSERT_EQ(1, getPalmDesktopPath(path));
    EXPECT_STREQ("C:\\usr", path);

    // The U.S. Robotics Core key opens, so its missing Path is final.
    FakePalmDesktop::removeAllKeys();
    desktop.createKey(PilotRoot::USRobotics, "Core");
    desktop.setPath(PilotRoot::PalmComputing, "C:\\palm");
    EXPECT_EQ(0, getPalmDesktopPath(path));

    // Each operation picks its own root: the path from U.S. Robotics, the
    // install flag below Palm Computing.
    FakePalmDesktop::removeAllKeys();
    desktop.setPath(PilotRoot::USRobotics, "C:\\usr");
    desktop.createKey(PilotRoot::PalmComputing, "HotSync Manager");
    ASSERT_EQ(1, getPalmDesktopPath(path));
    EXPECT_STREQ("C:\\usr", path);
    EXPECT_EQ(1, setHotSyncInstallFlag(4));
    DWORD type = 0;
    std::string data;
    EXPECT_TRUE(FakePalmDesktop::readValue(HOTSYNC_PALM, "Install4", &type, &data));
    EXPECT_FALSE(FakePalmDesktop::keyExists(HOTSYNC_USR));

    // Only Palm Computing: all three subkeys come from it.
    FakePalmDesktop::removeAllKeys();
    desktop.setPath(PilotRoot::PalmComputing, "C:\\palm");
    desktop.setLastUserName(PilotRoot::PalmComputing, "Ann");
    desktop.createKey(PilotRoot::PalmComputing, "HotSync Manager");
    char user[USER_NAME_SIZE];
    ASSERT_EQ(1, getPalmDesktopPath(path));
    EXPECT_STREQ("C:\\palm", path);
    ASSERT_EQ(1, getCurrentActiveUser(user));
    EXPECT_STREQ("Ann", user);
    EXPECT_EQ(1, setHotSyncInstallFlag(1));
}

TEST_F(RegistryTest, NeitherRootFindsNothingAndCreatesNothing)
{
    char path[PALM_PATH_SIZE];
    EXPECT_EQ(0, getPalmDesktopPath(path));
    EXPECT_EQ(0, setHotSyncInstallFlag(0));
    EXPECT_FALSE(FakePalmDesktop::keyExists(pilotRootKey(PilotRoot::USRobotics)));
    EXPECT_FALSE(FakePalmDesktop::keyExists(pilotRootKey(PilotRoot::PalmComputing)));
}

TEST_F(RegistryTest, PathIsReadOnlyWhenItFitsWithItsNul)
{
    const int EITHER = -1;
    struct Case {
        DWORD type;
        std::string data;
        int expected;
        std::string read;
    };
    const std::string long258(258, 'p'), long259(259, 'p');
    const Case cases[] = {
        {REG_SZ, withNul(long258), 1, long258},
        {REG_SZ, withNul(long259), 0, ""},
        {REG_SZ, withNul(""), 1, ""},
        // Stored without a NUL, or with another type: still a string.
        {REG_BINARY, "C:\\bin", 1, "C:\\bin"},
        // Wine asks room for a NUL here, Windows does not: either is safe.
        {REG_SZ, long259, EITHER, long259},
        {REG_BINARY, std::string(300, 'x'), 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << ", " << c.data.size() << " bytes");
        desktop.setValue(PilotRoot::USRobotics, "Core", "Path", c.type, c.data);
        GuardedBuffer buffer(PALM_PATH_SIZE);
        int result = getPalmDesktopPath(buffer.data());
        if (c.expected != EITHER) {
            EXPECT_EQ(c.expected, result);
        }
        if (result) {
            EXPECT_EQ(c.read, std::string(buffer.data()));
        }
        EXPECT_TRUE(buffer.guardIntact());
    }
}

TEST_F(RegistryTest, LastUserNameOfSixtyFourOrMoreLeavesTheChoiceToTheDatabase)
{
    desktop.install(PilotRoot::USRobotics, UsersDatBuilder().user("Only User", "OnlyU", 1));
    MessageBoxCapture boxes;
    char user[USER_NAME_SIZE];

    desktop.setLastUserName(PilotRoot::USRobotics, std::string(63, 'n'));
    ASSERT_EQ(1, getCurrentActiveUser(user));
    EXPECT_EQ(std::string(63, 'n'), user);

    desktop.setLastUserName(PilotRoot::USRobotics, std::string(64, 'n'));
    ASSERT_EQ(1, getCurrentActiveUser(user));
    EXPECT_STREQ("Only User", user);

    // A name that is nobody in the database is still the answer.
    desktop.setLastUserName(PilotRoot::USRobotics, "Stranger");
    ASSERT_EQ(1, getCurrentActiveUser(user));
    EXPECT_STREQ("Stranger", user);
    EXPECT_EQ(0u, boxes.count());
}

TEST_F(RegistryTest, WithoutLastUserNameOnlyASingleUserCounts)
{
    desktop.setPath(PilotRoot::USRobotics, desktop.folder());
    desktop.createKey(PilotRoot::USRobotics, "Preferences");
    MessageBoxCapture boxes;
    char user[USER_NAME_SIZE];

    desktop.writeUsersDat(UsersDatBuilder().user("Solo", "Solo", 1));
    ASSERT_EQ(1, getCurrentActiveUser(user));
    EXPECT_STREQ("Solo", user);

    const UsersDatBuilder none, two = UsersDatBuilder().user("A", "A", 1).user("B", "B", 2);
    for (const UsersDatBuilder *users : {&two, &none}) {
        desktop.writeUsersDat(*users);
        int callsBefore = lastTraceFailure()->calls;
        EXPECT_EQ(0, getCurrentActiveUser(user));
        EXPECT_EQ(callsBefore + 1, lastTraceFailure()->calls);
        EXPECT_EQ(0u, lastTraceFailure()->errorCode);
        EXPECT_STREQ("desktop/common/lcreg", lastTraceFailure()->sourceFile);
    }
    EXPECT_EQ(0u, boxes.count());

    DeleteFileA((desktop.folder() + "\\users.dat").c_str());
    EXPECT_EQ(0, getCurrentActiveUser(user));
    ASSERT_EQ(1u, boxes.count());
    EXPECT_TRUE(isTopmostWarning(boxes.boxes()[0]));
}

TEST_F(RegistryTest, InstallFlagIsNamedBySignedSlot)
{
    desktop.createKey(PilotRoot::USRobotics, "HotSync Manager");
    desktop.setValue(PilotRoot::USRobotics, "HotSync Manager", "Install5", REG_DWORD, dword(0));
    const struct {
        short slot;
        const char *name;
    } cases[] = {{0, "Install0"}, {3, "Install3"}, {-1, "Install-1"}, {-32768, "Install-32768"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(1, setHotSyncInstallFlag(c.slot));
        DWORD type = 0;
        std::string data;
        ASSERT_TRUE(FakePalmDesktop::readValue(HOTSYNC_USR, c.name, &type, &data));
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
        EXPECT_EQ(dword(1), data);
    }
    // Setting it again overwrites; other slots stay as they were.
    ASSERT_EQ(1, setHotSyncInstallFlag(3));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(FakePalmDesktop::readValue(HOTSYNC_USR, "Install5", &type, &data));
    EXPECT_EQ(dword(0), data);
}

LONG WINAPI failingFlushKey(HKEY)
{
    return ERROR_WRITE_FAULT;
}

// A flag that cannot be flushed goes back exactly as it was: its type and
// every byte, or no value where there was none. One too large to be kept
// whole is never changed.
TEST_F(RegistryTest, UnflushedFlagGoesBackAsItWas)
{
    const DWORD NONE = REG_NONE + 100;
    const struct {
        const char *name;
        DWORD type;
        std::string data;
    } cases[] = {
        {"no value", NONE, ""},
        {"DWORD 0", REG_DWORD, dword(0)},
        {"17 bytes of binary", REG_BINARY, std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11", 17)},
        {"a string of 40", REG_SZ, withNul(std::string(40, 's'))},
        {"larger than kept", REG_BINARY, std::string(1025, 'b')},
    };
    desktop.createKey(PilotRoot::PalmComputing, "HotSync Manager");
    ImportHook flush("advapi32.dll", "RegFlushKey", reinterpret_cast<void *>(failingFlushKey));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        desktop.deleteValue(PilotRoot::PalmComputing, "HotSync Manager", "Install7");
        if (c.type != NONE)
            desktop.setValue(PilotRoot::PalmComputing, "HotSync Manager", "Install7", c.type, c.data);
        EXPECT_EQ(0, setHotSyncInstallFlag(7));
        DWORD type = 0;
        std::string data;
        EXPECT_EQ(c.type != NONE, FakePalmDesktop::readValue(HOTSYNC_PALM, "Install7", &type, &data));
        if (c.type != NONE) {
            EXPECT_EQ(c.type, type);
            EXPECT_EQ(c.data, data);
        }
    }
}

TEST_F(RegistryTest, ProductRecordsHaveExactTypesAndBytes)
{
    char name[INSTALLED_USER_SIZE];
    EXPECT_EQ(0, readInstalledUser(name));
    EXPECT_FALSE(FakePalmDesktop::keyExists(PRODUCT_KEY_PATH));

    FILETIME before, after;
    GetSystemTimeAsFileTime(&before);
    ASSERT_EQ(1, writeInstalledDate());
    GetSystemTimeAsFileTime(&after);
    EXPECT_EQ(0, readInstalledUser(name));  // the key exists, the value does not

    ASSERT_EQ(1, writeInstalledEdition());
    ASSERT_EQ(1, writeInstalledUser(""));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(FakePalmDesktop::readValue(PRODUCT_KEY_PATH, "Installed User", &type, &data));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string(1, '\0'), data);
    ASSERT_EQ(1, readInstalledUser(name));
    EXPECT_STREQ("", name);

    ASSERT_EQ(1, writeInstalledUser("Jane Q. User"));
    ASSERT_TRUE(FakePalmDesktop::readValue(PRODUCT_KEY_PATH, "Installed User", &type, &data));
    EXPECT_EQ(withNul("Jane Q. User"), data);
    ASSERT_EQ(1, readInstalledUser(name));
    EXPECT_STREQ("Jane Q. User", name);

    ASSERT_TRUE(FakePalmDesktop::readValue(PRODUCT_KEY_PATH, "Installed Edition", &type, &data));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(withNul("Amber"), data);
    ASSERT_TRUE(FakePalmDesktop::readValue(PRODUCT_KEY_PATH, "Installed Version", &type, &data));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string("3.5.02\0", 7), data);

    ASSERT_TRUE(FakePalmDesktop::readValue(PRODUCT_KEY_PATH, "Installed Date", &type, &data));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    ASSERT_EQ(8u, data.size());
    ULARGE_INTEGER stored, low, high;
    std::memcpy(&stored.QuadPart, data.data(), 8);
    low.LowPart = before.dwLowDateTime;
    low.HighPart = before.dwHighDateTime;
    high.LowPart = after.dwLowDateTime;
    high.HighPart = after.dwHighDateTime;
    EXPECT_GE(stored.QuadPart, low.QuadPart);
    EXPECT_LE(stored.QuadPart, high.QuadPart);
}

TEST_F(RegistryTest, InstalledUserMustEndInsideItsBuffer)
{
    const std::string long259(259, 'u'), long260(260, 'u');
    const struct {
        DWORD type;
        std::string data;
        int expected;
    } cases[] = {
        {REG_SZ, withNul(long259), 1},
        {REG_SZ, withNul(long260), 0},
        {REG_BINARY, long259, 1},
        {REG_BINARY, long260, 0},  // no room left for a NUL
        {REG_DWORD, dword(0x00414141), 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.data.size() << " bytes");
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, PRODUCT_KEY_PATH, &key));
        RegSetValueExA(key, "Installed User", 0, c.type, reinterpret_cast<const BYTE *>(c.data.data()),
                       static_cast<DWORD>(c.data.size()));
        RegCloseKey(key);
        GuardedBuffer buffer(INSTALLED_USER_SIZE);
        EXPECT_EQ(c.expected, readInstalledUser(buffer.data()));
        if (c.expected) {
            EXPECT_LT(std::strlen(buffer.data()), static_cast<size_t>(INSTALLED_USER_SIZE));
        }
        EXPECT_TRUE(buffer.guardIntact());
    }
}

// Failures that Wine never produces by itself, made by replacing the
// registry calls of this test program.
namespace {

// The replaced functions reach the real ones through these, since a call
// by name would come back through the replaced import.
decltype(&RegSetValueExA) realSetValue = nullptr;
decltype(&RegOpenKeyA) realOpenKey = nullptr;
decltype(&RegOpenKeyExA) realOpenKeyEx = nullptr;
decltype(&RegCreateKeyExA) realCreateKeyEx = nullptr;
decltype(&RegCloseKey) realCloseKey = nullptr;

template <typename F> void remember(F *real, const ImportHook &hook)
{
    *real = reinterpret_cast<F>(hook.original());
}

const char *failingValue = nullptr;
LONG WINAPI failingSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD size)
{
    if (name && failingValue && lstrcmpA(name, failingValue) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return ERROR_ACCESS_DENIED;
    }
    return realSetValue(key, name, reserved, type, data, size);
}

LONG WINAPI failingCreateKey(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, const SECURITY_ATTRIBUTES *, PHKEY, LPDWORD)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return ERROR_ACCESS_DENIED;
}

int openKeys = 0;
LONG WINAPI countingOpenKey(HKEY parent, LPCSTR name, PHKEY key)
{
    LONG result = realOpenKey(parent, name, key);
    openKeys += result == ERROR_SUCCESS;
    return result;
}
LONG WINAPI countingOpenKeyEx(HKEY parent, LPCSTR name, DWORD options, REGSAM access, PHKEY key)
{
    LONG result = realOpenKeyEx(parent, name, options, access, key);
    openKeys += result == ERROR_SUCCESS;
    return result;
}
LONG WINAPI countingCreateKeyEx(HKEY parent, LPCSTR name, DWORD reserved, LPSTR cls, DWORD options, REGSAM access,
                                const SECURITY_ATTRIBUTES *security, PHKEY key, LPDWORD disposition)
{
    LONG result = realCreateKeyEx(parent, name, reserved, cls, options, access,
                                  const_cast<SECURITY_ATTRIBUTES *>(security), key, disposition);
    openKeys += result == ERROR_SUCCESS;
    return result;
}
LONG WINAPI countingCloseKey(HKEY key)
{
    --openKeys;
    return realCloseKey(key);
}

} // namespace

TEST_F(RegistryTest, FailedEditionWriteLeavesVersionUnwritten)
{
    failingValue = "Installed Edition";
    ImportHook hook("advapi32.dll", "RegSetValueExA", reinterpret_cast<void *>(failingSetValue));
    remember(&realSetValue, hook);
    int callsBefore = lastTraceFailure()->calls;
    EXPECT_EQ(0, writeInstalledEdition());
    EXPECT_EQ(callsBefore + 1, lastTraceFailure()->calls);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), lastTraceFailure()->errorCode);
    DWORD type = 0;
    std::string data;
    EXPECT_FALSE(FakePalmDesktop::readValue(PRODUCT_KEY_PATH, "Installed Version", &type, &data));

    // A failed version write keeps the edition written just before.
    failingValue = "Installed Version";
    EXPECT_EQ(0, writeInstalledEdition());
    EXPECT_TRUE(FakePalmDesktop::readValue(PRODUCT_KEY_PATH, "Installed Edition", &type, &data));
    EXPECT_FALSE(FakePalmDesktop::readValue(PRODUCT_KEY_PATH, "Installed Version", &type, &data));

    failingValue = "Installed Date";
    EXPECT_EQ(0, writeInstalledDate());
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), lastTraceFailure()->errorCode);
    failingValue = nullptr;
}

TEST_F(RegistryTest, ProductKeyThatCannotBeCreatedFailsEveryWriter)
{
    ImportHook hook("advapi32.dll", "RegCreateKeyExA", reinterpret_cast<void *>(failingCreateKey));
    int callsBefore = lastTraceFailure()->calls;
    EXPECT_EQ(0, writeInstalledUser("x"));
    EXPECT_EQ(callsBefore, lastTraceFailure()->calls);  // this writer never traces
    EXPECT_EQ(0, writeInstalledDate());
    EXPECT_EQ(0, writeInstalledEdition());
    EXPECT_EQ(callsBefore + 2, lastTraceFailure()->calls);
}

TEST_F(RegistryTest, EveryKeyOpenedIsClosed)
{
    desktop.install(PilotRoot::PalmComputing, UsersDatBuilder().user("A", "A", 1).user("B", "B", 2));
    desktop.createKey(PilotRoot::USRobotics, "Preferences");
    ImportHook open("advapi32.dll", "RegOpenKeyA", reinterpret_cast<void *>(countingOpenKey));
    ImportHook openEx("advapi32.dll", "RegOpenKeyExA", reinterpret_cast<void *>(countingOpenKeyEx));
    ImportHook create("advapi32.dll", "RegCreateKeyExA", reinterpret_cast<void *>(countingCreateKeyEx));
    ImportHook close("advapi32.dll", "RegCloseKey", reinterpret_cast<void *>(countingCloseKey));
    remember(&realOpenKey, open);
    remember(&realOpenKeyEx, openEx);
    remember(&realCreateKeyEx, create);
    remember(&realCloseKey, close);
    MessageBoxCapture boxes;
    openKeys = 0;
    char buffer[INSTALLED_USER_SIZE];
    getPalmDesktopPath(buffer);
    getCurrentActiveUser(buffer);
    setHotSyncInstallFlag(2);
    setHotSyncInstallFlag(-2);
    readInstalledUser(buffer);
    writeInstalledUser("A");
    readInstalledUser(buffer);
    writeInstalledDate();
    writeInstalledEdition();
    EXPECT_EQ(0, openKeys);
}
