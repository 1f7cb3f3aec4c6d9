#include "imitated_windows.h"

#include <windows.h>

#include <stdexcept>

std::vector<std::string> windowsVersions()
{
    return {"win95", "win98", "nt40", "win2k", "winxp", "win7", "win10"};
}

namespace {

const char APP_DEFAULTS_KEY[] = "Software\\Wine\\AppDefaults\\";

} // namespace

ImitatedWindows::ImitatedWindows(const std::string &version, const std::vector<std::string> &programs)
{
    if (version.empty())
        return;
    for (const std::string &program : programs) {
        std::string path = APP_DEFAULTS_KEY + program;
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS)
            throw std::runtime_error("cannot create key " + path);
        keys_.push_back(path);
        LONG set = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE *>(version.c_str()),
                                  static_cast<DWORD>(version.size() + 1));
        RegCloseKey(key);
        if (set != ERROR_SUCCESS)
            throw std::runtime_error("cannot set the version in " + path);
    }
}

ImitatedWindows::~ImitatedWindows()
{
    for (const std::string &path : keys_)
        RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}
