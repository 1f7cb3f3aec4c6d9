#include "hotsync_queue.h"

namespace {

const char FALLBACK_DESKTOP_PATH[] = "\\pilot";
const char INSTALL_FOLDER_FORMAT[] = "%s\\%s\\install";
const int INSTALL_FOLDER_EXTRA = 9;  // the two separators and "install"

// The text after the last backslash; the whole path when it has none.
// Stepped by character: a trail byte of a double-byte character may be 0x5C.
const char *baseNameOf(const char *path)
{
    const char *base = path;
    for (const char *at = path; *at; at = CharNextA(at)) {
        if (*at == '\\')
            base = at + 1;
    }
    return base;
}

// One plain folder name, so that the install folder lies inside the Palm
// Desktop folder. A damaged or cut users.dat yields records with an empty
// name or one that climbs out ("..", "a\\b", "C:x"); those are nobody's.
// Windows drops the dots and blanks at the end of a path's part, so a name
// ending in one ("...", "Ann.", "Ann ") names another folder than it seems.
bool isPlainFolderName(const char *name)
{
    if (*name == '\0')
        return false;
    const char *last = CharPrevA(name, name + lstrlenA(name));
    if (*last == '.' || *last == ' ')
        return false;
    for (const char *at = name; *at; at = CharNextA(at)) {
        if (*at == '\\' || *at == '/' || *at == ':')
            return false;
    }
    return true;
}

} // namespace

int queueForHotSync(const char *payloadPath, const UserRecord *user)
{
    if (!isPlainFolderName(user->directory))
        return 0;

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
