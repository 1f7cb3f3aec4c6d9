#include "fake_palm_desktop.h"

#include <stdexcept>

const char PRODUCT_KEY_PATH[] = "Software\\Kelvane";

namespace {

const char *const TOP_KEYS[] = {"Software\\U.S. Robotics", "Software\\Palm Computing", PRODUCT_KEY_PATH};

void deleteTree(HKEY parent, const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    char name[256];
    for (;;) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, 0, name, &size, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        deleteTree(key, name);
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, path.c_str());
}

HKEY createKeyPath(const std::string &path)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create key " + path);
    return key;
}

std::string subkeyPath(PilotRoot root, const std::string &subkey)
{
    return std::string(pilotRootKey(root)) + "\\" + subkey;
}

} // namespace

const char *pilotRootKey(PilotRoot root)
{
    return root == PilotRoot::USRobotics ? "Software\\U.S. Robotics\\Pilot Desktop"
                                         : "Software\\Palm Computing\\Pilot Desktop";
}

void FakePalmDesktop::removeAllKeys()
{
    for (const char *key : TOP_KEYS)
        deleteTree(HKEY_CURRENT_USER, key);
}

FakePalmDesktop::FakePalmDesktop() : root_("palm"), desktopFolder_(root_ / "Palm")
{
    makeFolder(desktopFolder_);
    removeAllKeys();
}

FakePalmDesktop::~FakePalmDesktop()
{
    removeAllKeys();
}

void FakePalmDesktop::install(PilotRoot root, const UsersDatBuilder &users)
{
    setPath(root, folder());
    createKey(root, "HotSync Manager");
    writeUsersDat(users);
    for (const PalmUser &user : users.users()) {
        if (!user.directory.empty())
            makeUserFolder(user.directory);
    }
}

void FakePalmDesktop::createKey(PilotRoot root, const std::string &subkey)
{
    RegCloseKey(createKeyPath(subkeyPath(root, subkey)));
}

void FakePalmDesktop::setValue(PilotRoot root, const std::string &subkey, const std::string &name, DWORD type,
                               const std::string &data)
{
    HKEY key = createKeyPath(subkeyPath(root, subkey));
    LONG result = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE *>(data.data()),
                                 static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        throw std::runtime_error("cannot set " + name);
}

void FakePalmDesktop::deleteValue(PilotRoot root, const std::string &subkey, const std::string &name)
{
    HKEY key = createKeyPath(subkeyPath(root, subkey));
    RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
}

void FakePalmDesktop::setString(PilotRoot root, const std::string &subkey, const std::string &name,
                                const std::string &text)
{
    setValue(root, subkey, name, REG_SZ, text + std::string(1, '\0'));
}

void FakePalmDesktop::setPath(PilotRoot root, const std::string &path)
{
    setString(root, "Core", "Path", path);
}

void FakePalmDesktop::setLastUserName(PilotRoot root, const std::string &name)
{
    setString(root, "Preferences", "LastUserName", name);
}

void FakePalmDesktop::writeUsersDat(const UsersDatBuilder &users)
{
    writeUsersDatBytes(users.bytes());
}

void FakePalmDesktop::writeUsersDatBytes(const std::string &bytes)
{
    writeFileBytes(folder() + "\\users.dat", bytes);
}

void FakePalmDesktop::makeUserFolder(const std::string &directory)
{
    makeFolder(folder() + "\\" + directory);
}

std::string FakePalmDesktop::installFolder(const std::string &directory) const
{
    return folder() + "\\" + directory + "\\install";
}

DWORD FakePalmDesktop::installFlag(PilotRoot root, short slot)
{
    DWORD type = 0;
    std::string data;
    if (!readValue(subkeyPath(root, "HotSync Manager"), "Install" + std::to_string(slot), &type, &data) ||
        data.size() != sizeof(DWORD))
        return 0;
    return *reinterpret_cast<const DWORD *>(data.data());
}

bool FakePalmDesktop::readValue(const std::string &keyPath, const std::string &name, DWORD *type, std::string *data)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, name.c_str(), NULL, type, NULL, &size);
    if (result == ERROR_SUCCESS) {
        data->assign(size, '\0');
        result = RegQueryValueExA(key, name.c_str(), NULL, type, reinterpret_cast<BYTE *>(&(*data)[0]), &size);
        data->resize(size);
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool FakePalmDesktop::keyExists(const std::string &keyPath)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
