#include "example_desktop.h"

#include "fake_palm_desktop.h"
#include "hotsync_carry.h"
#include "temp_folder.h"
#include "users_dat_builder.h"

#include <windows.h>

#include <stdexcept>

const ExampleUser EXAMPLE_USERS[EXAMPLE_USER_COUNT] = {
    {"Ann Smith", "SmithA", 1},
    {"Bob Jones", "JonesB", 2},
};
const char EXAMPLE_LAST_USER[] = "Ann Smith";

namespace {

const char PILOT_ROOT[] = "Software\\Palm Computing\\Pilot Desktop";

void setValue(const std::string &subkey, const std::string &name, DWORD type, const void *data, DWORD size)
{
    std::string path = std::string(PILOT_ROOT) + "\\" + subkey;
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        throw std::runtime_error("cannot create HKCU\\" + path);
    LONG result = RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE *>(data), size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        throw std::runtime_error("cannot set " + name + " in HKCU\\" + path);
}

void setString(const std::string &subkey, const std::string &name, const std::string &text)
{
    setValue(subkey, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void setDword(const std::string &subkey, const std::string &name, DWORD value)
{
    setValue(subkey, name, REG_DWORD, &value, sizeof value);
}

} // namespace

void installExampleDesktop(const std::string &folder, int userCount)
{
    if (userCount < 1 || userCount > EXAMPLE_USER_COUNT)
        throw std::runtime_error("the example desktop has 1 or 2 users");
    FakePalmDesktop::removeAllKeys();
    makeFolder(folder);

    UsersDatBuilder users;
    for (int i = 0; i < userCount; ++i) {
        const ExampleUser &user = EXAMPLE_USERS[i];
        users.user(user.name, user.directory, user.slot);
        std::string userFolder = folder + "\\" + user.directory;
        makeFolder(userFolder);
        removeTree(userFolder + "\\install");
        removeTree(handheldFolder(folder, user.directory));
        setDword("HotSync Manager", "Install" + std::to_string(user.slot), 0);
    }
    writeFileBytes(folder + "\\users.dat", users.bytes());
    setString("Core", "Path", folder);
    setString("Preferences", "LastUserName", EXAMPLE_LAST_USER);
}
