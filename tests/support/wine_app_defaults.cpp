#include "wine_app_defaults.h"

#include <windows.h>

#include <stdexcept>

const char NATIVE_FIRST[] = "native,builtin";
const char NOT_LOADED[] = "";

namespace {

const char OVERRIDES_SUBKEY[] = "\\DllOverrides";
const char DESKTOP_KEY[] = "Control Panel\\Desktop";
const char DPI_VALUE[] = "LogPixels";

std::string appDefaultsKey(const std::string &program)
{
    return "Software\\Wine\\AppDefaults\\" + program;
}

// Creates the key when missing and sets each string value in it.
void writeStrings(const std::string &path, const std::vector<std::string> &names, const std::string &text)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create key " + path);
    LONG result = ERROR_SUCCESS;
    for (const std::string &name : names) {
        if (result == ERROR_SUCCESS)
            result = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                                    static_cast<DWORD>(text.size() + 1));
    }
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        throw std::runtime_error("cannot set the values in " + path);
}

// The program's key goes once neither setting is left in it.
void deleteKeyIfEmpty(const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD subkeys = 1, values = 1;
    RegQueryInfoKeyA(key, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    if (subkeys == 0 && values == 0)
        RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

} // namespace

std::vector<std::string> windowsVersions()
{
    return {"win95", "win98", "nt40", "win2k", "winxp", "win7", "win10"};
}

ImitatedWindows::ImitatedWindows(const std::string &version, const std::vector<std::string> &programs)
{
    if (version.empty())
        return;
    for (const std::string &program : programs) {
        programs_.push_back(program);
        writeStrings(appDefaultsKey(program), {"Version"}, version);
    }
}

ImitatedWindows::~ImitatedWindows()
{
    for (const std::string &program : programs_) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, appDefaultsKey(program).c_str(), 0, KEY_SET_VALUE, &key) ==
            ERROR_SUCCESS) {
            RegDeleteValueA(key, "Version");
            RegCloseKey(key);
        }
        deleteKeyIfEmpty(appDefaultsKey(program));
    }
}

ProgramDllOverrides::ProgramDllOverrides(const std::vector<std::string> &programs,
                                         const std::vector<std::string> &libraries, const std::string &setting)
{
    for (const std::string &program : programs) {
        programs_.push_back(program);
        writeStrings(appDefaultsKey(program) + OVERRIDES_SUBKEY, libraries, setting);
    }
}

ProgramDllOverrides::~ProgramDllOverrides()
{
    for (const std::string &program : programs_) {
        RegDeleteKeyA(HKEY_CURRENT_USER, (appDefaultsKey(program) + OVERRIDES_SUBKEY).c_str());
        deleteKeyIfEmpty(appDefaultsKey(program));
    }
}

ScreenDpi::ScreenDpi(DWORD dpi)
{
    HKEY key;
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL);
    if (result == ERROR_SUCCESS) {
        result = RegSetValueExA(key, DPI_VALUE, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&dpi), sizeof dpi);
        RegCloseKey(key);
    }
    if (result != ERROR_SUCCESS)
        throw std::runtime_error("cannot set the screen's DPI");
}

ScreenDpi::~ScreenDpi()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, DPI_VALUE);
        RegCloseKey(key);
    }
}
