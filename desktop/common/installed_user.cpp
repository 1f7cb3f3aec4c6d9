// The installer's reading of the user that the worker recorded.
#include "lcreg.h"
#include "lcreg_internal.h"

int readInstalledUser(char *buffer)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, PRODUCT_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    int found = queryStringValue(key, INSTALLED_USER_VALUE, buffer, INSTALLED_USER_SIZE, INSTALLED_USER_SIZE);
    RegCloseKey(key);
    return found;
}
