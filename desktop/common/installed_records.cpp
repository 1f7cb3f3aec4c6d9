// The records that the worker writes under the product key.
#include "lcreg.h"
#include "lcreg_internal.h"
#include "maker_lines.h"

namespace {
const char INSTALLED_DATE_VALUE[] = "Installed Date";
const char INSTALLED_EDITION_VALUE[] = "Installed Edition";
const char INSTALLED_VERSION_VALUE[] = "Installed Version";
const char PRODUCT_EDITION[] = KELVANE_EDITION;
const char PRODUCT_VERSION[] = KELVANE_VERSION;

int createProductKey(HKEY *key)
{
    return RegCreateKeyExA(HKEY_CURRENT_USER, PRODUCT_KEY, 0, NULL, REG_OPTION_NON_VOLATILE,
                           KEY_WRITE, NULL, key, NULL) == ERROR_SUCCESS;
}

LONG setStringValue(HKEY key, const char *valueName, const char *text)
{
    return RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                          static_cast<DWORD>(lstrlenA(text) + 1));
}

} // namespace

int writeInstalledUser(const char *name)
{
    HKEY key;
    if (!createProductKey(&key))
        return 0;
    LONG result = setStringValue(key, INSTALLED_USER_VALUE, name);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

int writeInstalledDate()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    HKEY key;
    if (!createProductKey(&key)) {
        traceFailure(LCREG_TRACE_SOURCE, __LINE__, GetLastError());
        return 0;
    }
    BYTE data[8];
    CopyMemory(data, &now.dwLowDateTime, 4);
    CopyMemory(data + 4, &now.dwHighDateTime, 4);
    LONG result = RegSetValueExA(key, INSTALLED_DATE_VALUE, 0, REG_BINARY, data, sizeof data);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        traceFailure(LCREG_TRACE_SOURCE, __LINE__, GetLastError());
        return 0;
    }
    return 1;
}

int writeInstalledEdition()
{
    HKEY key;
    if (!createProductKey(&key)) {
        traceFailure(LCREG_TRACE_SOURCE, __LINE__, GetLastError());
        return 0;
    }
    if (setStringValue(key, INSTALLED_EDITION_VALUE, PRODUCT_EDITION) != ERROR_SUCCESS) {
        RegCloseKey(key);
        traceFailure(LCREG_TRACE_SOURCE, __LINE__, GetLastError());
        return 0;
    }
    LONG result = setStringValue(key, INSTALLED_VERSION_VALUE, PRODUCT_VERSION);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        traceFailure(LCREG_TRACE_SOURCE, __LINE__, GetLastError());
        return 0;
    }
    return 1;
}
