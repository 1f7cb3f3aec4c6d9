#include "hotsync_queue.h"

namespace {

const char FALLBACK_DESKTOP_PATH[] = "\\pilot";
const char INSTALL_FOLDER_FORMAT[] = "%s\\%s\\install";
const int INSTALL_FOLDER_EXTRA = 9;  // the two separators and "install"

// The text after the last backslash; the whole path when it has none.
const char *baseNameOf(const char *path)
{
    const char *base = path;
    for (const char *at = path; *at; ++at) {
        if (*at == '\\')
            base = at + 1;
    }
    return base;
}

} // namespace

int queueForHotSync(const char *payloadPath, const UserRecord *user)
{
    char baseName[MAX_PATH];
    const char *base = baseNameOf(payloadPath);
    if (lstrlenA(base) >= MAX_PATH)
        return 0;
    lstrcpyA(baseName, base);

    char desktopPath[PALM_PATH_SIZE];
    if (!getPalmDesktopPath(desktopPath))
        lstrcpyA(desktopPath, FALLBACK_DESKTOP_PATH);

    // A path that does not fit is refused, never cut into another path.
    char installFolder[MAX_PATH];
    if (lstrlenA(desktopPath) + lstrlenA(user->directory) + INSTALL_FOLDER_EXTRA >= MAX_PATH)
        return 0;
    wsprintfA(installFolder, INSTALL_FOLDER_FORMAT, desktopPath, user->directory);
    if (!CreateDirectoryA(installFolder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
        return 0;

    char destination[MAX_PATH];
    if (lstrlenA(installFolder) + 1 + lstrlenA(baseName) >= MAX_PATH)
        return 0;
    lstrcpyA(destination, installFolder);
    lstrcatA(destination, "\\");
    lstrcatA(destination, baseName);
    if (!CopyFileA(payloadPath, destination, FALSE))
        return 0;

    // Flagged only once the file is in place, so no user is ever flagged
    // for a file that is not there.
    return setHotSyncInstallFlag(user->slot) ? 1 : 0;
}
