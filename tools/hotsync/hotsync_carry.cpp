#include "hotsync_carry.h"

#include "lcreg.h"
#include "temp_folder.h"

#include <windows.h>


namespace {

const char *const PILOT_DESKTOP_ROOTS[] = {
    "Software\\U.S. Robotics\\Pilot Desktop",
    "Software\\Palm Computing\\Pilot Desktop",
};

std::string withoutTrailingSeparators(std::string path)
{
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

// The HotSync Manager key below the first root that has it, the order the
// product itself uses when it sets a flag. NULL when neither has one.
HKEY openHotSyncKey()
{
    for (const char *root : PILOT_DESKTOP_ROOTS) {
        std::string path = std::string(root) + "\\HotSync Manager";
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) == ERROR_SUCCESS)
            return key;
    }
    return NULL;
}

std::string flagName(short slot)
{
    return "Install" + std::to_string(slot);
}

// Only a REG_DWORD of exactly 1 means "files are waiting".
bool isFlagged(HKEY key, short slot)
{
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, flagName(slot).c_str(), NULL, &type, reinterpret_cast<BYTE *>(&value), &size) !=
        ERROR_SUCCESS)
        return false;
    return type == REG_DWORD && size == sizeof value && value == 1;
}

bool clearFlag(HKEY key, short slot)
{
    DWORD zero = 0;
    return RegSetValueExA(key, flagName(slot).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE *>(&zero),
                          sizeof zero) == ERROR_SUCCESS;
}

bool ensureFolder(const std::string &path)
{
    return CreateDirectoryA(path.c_str(), NULL) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string describeError(const std::string &what)
{
    return what + " (error " + std::to_string(GetLastError()) + ")";
}

// Moves the user's waiting files; the flag is cleared only when all of
// them arrived, so a failed HotSync leaves the rest queued as before.
bool carryUserFiles(HKEY key, const std::string &desktop, const UserRecord &user, HotSyncRun *run)
{
    std::string installFolder = desktop + "\\" + user.directory + "\\install";
    std::vector<std::string> files = filesIn(installFolder);
    if (!files.empty()) {
        std::string destinationFolder = handheldFolder(desktop, user.directory);
        std::string handheld = destinationFolder.substr(0, destinationFolder.rfind('\\'));
        if (!ensureFolder(handheld) || !ensureFolder(destinationFolder)) {
            run->error = describeError("cannot make " + destinationFolder);
            return false;
        }
        for (const std::string &file : files) {
            std::string source = installFolder + "\\" + file;
            std::string destination = destinationFolder + "\\" + file;
            if (!MoveFileExA(source.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
                run->error = describeError("cannot move " + source + " to " + destination);
                return false;
            }
            run->carried.push_back(CarriedFile{user.name, file, destination});
        }
    }
    if (!clearFlag(key, user.slot)) {
        run->error = describeError("cannot clear " + flagName(user.slot));
        return false;
    }
    return true;
}

} // namespace

std::string palmDesktopFolder()
{
    char path[PALM_PATH_SIZE];
    if (!getPalmDesktopPath(path))
        return "\\pilot";
    return path;
}

std::string handheldFolder(const std::string &desktop, const std::string &userDirectory)
{
    std::string trimmed = withoutTrailingSeparators(desktop);
    size_t separator = trimmed.rfind('\\');
    std::string parent = separator == std::string::npos ? "." : trimmed.substr(0, separator);
    return parent + "\\handheld\\" + userDirectory;
}

HotSyncRun runHotSync()
{
    HotSyncRun run;
    std::string desktop = withoutTrailingSeparators(palmDesktopFolder());
    // The reader would stop at a message box for a missing file; a tool
    // run by scripts must fail with a plain error instead.
    std::string usersFile = desktop + "\\users.dat";
    if (GetFileAttributesA(usersFile.c_str()) == INVALID_FILE_ATTRIBUTES) {
        run.error = "no Palm Desktop: " + usersFile + " not found";
        return run;
    }
    std::vector<UserRecord> users(MAX_PALM_USERS);
    int count = 0;
    if (!readUserDatabase(users.data(), MAX_PALM_USERS, &count)) {
        run.error = "cannot read " + usersFile;
        return run;
    }

    HKEY key = openHotSyncKey();
    if (!key) {  // no HotSync Manager key: nobody has anything waiting
        run.ok = true;
        return run;
    }
    run.ok = true;
    for (int i = 0; i < count && run.ok; ++i) {
        if (isFlagged(key, users[i].slot))
            run.ok = carryUserFiles(key, desktop, users[i], &run);
    }
    RegCloseKey(key);
    return run;
}

void printHotSyncRun(std::ostream &out, const HotSyncRun &run)
{
    for (const CarriedFile &carried : run.carried)
        out << carried.user << ": " << carried.file << " -> " << carried.destination << "\n";
    if (run.ok)
        out << run.carried.size() << " file(s) carried to the handheld.\n";
}
