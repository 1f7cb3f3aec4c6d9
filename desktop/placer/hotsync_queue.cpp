#include "hotsync_queue.h"

#include "file_compare.h"
#include "file_location.h"
#include "file_placement.h"
#include "name_removal.h"

namespace {

const char INSTALL_FOLDER_FORMAT[] = "%s\\%s\\install";
const int INSTALL_FOLDER_EXTRA = 9;  // the two separators and "install"
// Names beside the queued file while it is replaced. The HotSync Manager
// installs what ends in ".prc", ".pdb" or ".pqa"; neither these names nor
// their short 8.3 forms ("KELVPR~1.NEW") do.
const char STAGED_SUFFIX[] = ".new";
const char EARLIER_SUFFIX[] = ".old";
const int SUFFIX_LENGTH = 4;

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

void joinName(char *name, const char *path, const char *suffix)
{
    lstrcpyA(name, path);
    lstrcatA(name, suffix);
}

// Renames in the install folder return only once the new name is on the
// disk, where Windows can do so (the NT family).
int renameInFolder(const char *from, const char *to, DWORD flags)
{
    return moveName(from, to, flags | MOVEFILE_WRITE_THROUGH);
}

// A rename changes the folder, which Windows writes to the disk lazily;
// FAT has no journal at all. Flushing the file through a handle opened
// for writing commits its own entry: on NTFS the file's record, which
// holds its name, with the log; on FAT its directory entry. A read-only
// file takes no such handle: it is made writable for the flush and its
// attributes are put back.
int flushName(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly && !SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY))
        return 0;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    int flushed = file != INVALID_HANDLE_VALUE && FlushFileBuffers(file);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (readOnly)
        SetFileAttributesA(path, attributes);
    return flushed;
}

// Puts the earlier copy back under the queued name, in place of whatever
// stands there, and makes the name durable before anything goes on.
int restoreEarlier(const char *earlier, const char *destination)
{
    return renameInFolder(earlier, destination, MOVEFILE_REPLACE_EXISTING) && flushName(destination);
}

// What stands under a name the queue uses.
enum NameState { NAME_FREE, NAME_FILE, NAME_OTHER };

NameState stateOf(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? NAME_FREE : NAME_OTHER;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? NAME_OTHER : NAME_FILE;
}

// Tidies what a run that was stopped (a crash, a power cut) left in the
// install folder, before anything else happens there. Stopped between its
// two renames, it left no queued file but the earlier one under the
// earlier name, whole: that is put back first, unless the name is a link
// to a file elsewhere, which is nobody's earlier copy. Then the names only
// this code makes are cleared. A folder (or anything but a file) under one
// of the names is nobody's to move: 0, and everything stays as it is.
int repairInterruptedRun(const char *destination, const char *staged, const char *earlier)
{
    NameState destinationState = stateOf(destination);
    NameState stagedState = stateOf(staged);
    NameState earlierState = stateOf(earlier);
    if (destinationState == NAME_OTHER || stagedState == NAME_OTHER || earlierState == NAME_OTHER)
        return 0;
    if (destinationState == NAME_FREE && earlierState == NAME_FILE && !fileLiesElsewhere(earlier)) {
        if (!restoreEarlier(earlier, destination))
            return 0;
        earlierState = NAME_FREE;
    }
    return (stagedState == NAME_FREE || removeOwnName(staged)) && (earlierState == NAME_FREE || removeOwnName(earlier));
}

// 1 when the payload can be read and holds the same bytes as the copy.
int copyHoldsPayload(const char *payloadPath, HANDLE copy)
{
    HANDLE payload = CreateFileA(payloadPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, NULL);
    if (payload == INVALID_HANDLE_VALUE)
        return 0;
    int same = filesHoldSameBytes(payload, copy);
    CloseHandle(payload);
    return same;
}

// Copies the payload under the staged name into a new file: the copy
// fails on anything under the name, so nothing is written through a link.
// A name that reads as free but is taken (a link to nothing) is removed,
// and the copy tried once more. A copy that stops half-way is removed.
int copyUnderStagedName(const char *payloadPath, const char *staged)
{
    for (int tries = 0; tries < 2; ++tries) {
        if (CopyFileA(payloadPath, staged, TRUE))
            return 1;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            removeOwnName(staged);
            return 0;
        }
        if (!removeOwnName(staged))
            return 0;
    }
    return 0;
}

// Copies the payload under the staged name, reads the copy back and
// flushes it to the disk: once it takes the queued name it is whole, also
// after a power cut. A copy that fails or differs (a full disk leaves a
// part of it) is removed.
int stageCopy(const char *payloadPath, const char *staged)
{
    if (!copyUnderStagedName(payloadPath, staged))
        return 0;
    // Nobody but us can write it while it is read back and flushed.
    HANDLE copy = CreateFileA(staged, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    int whole = copy != INVALID_HANDLE_VALUE && copyHoldsPayload(payloadPath, copy) && FlushFileBuffers(copy);
    if (copy != INVALID_HANDLE_VALUE)
        CloseHandle(copy);
    if (!whole)
        removeOwnName(staged);
    return whole;
}

// What stood under the queued name before the new copy takes it.
enum Earlier { NO_EARLIER, EARLIER_SET_ASIDE, EARLIER_STUCK };

// An earlier copy steps aside under the earlier name, where it stays until
// the flag is set. A name whose file lies elsewhere is a link, no earlier
// copy: the name goes, and the file it points to stays where it is.
Earlier setAsideEarlier(const char *destination, const char *earlier)
{
    // A folder that appeared there since the names were tidied is nobody's
    // to move.
    if (stateOf(destination) == NAME_OTHER)
        return EARLIER_STUCK;
    if (fileLiesElsewhere(destination))
        return removeOwnName(destination) ? NO_EARLIER : EARLIER_STUCK;
    if (renameInFolder(destination, earlier, 0))
        return EARLIER_SET_ASIDE;
    return GetLastError() == ERROR_FILE_NOT_FOUND ? NO_EARLIER : EARLIER_STUCK;
}

// The three names of one queued file in the install folder, and whether
// an earlier copy stepped aside for it.
struct QueuedNames {
    char destination[MAX_PATH];
    char staged[MAX_PATH];
    char earlier[MAX_PATH];
    bool hadEarlier;
};

// Gives the staged copy the queued name, in place of whatever name (a
// link to nothing) may still stand there. The earlier copy comes back if
// the new copy cannot take its place. Stopped between the two renames,
// the program leaves the earlier copy under the earlier name and the new
// one under the staged name, each whole, and the HotSync Manager installs
// neither; the next run puts the earlier one back first.
int putInPlace(QueuedNames *names)
{
    Earlier before = setAsideEarlier(names->destination, names->earlier);
    names->hadEarlier = before == EARLIER_SET_ASIDE;
    if (before != EARLIER_STUCK) {
        if (renameInFolder(names->staged, names->destination, MOVEFILE_REPLACE_EXISTING))
            return 1;
        if (names->hadEarlier)
            restoreEarlier(names->earlier, names->destination);
    }
    removeOwnName(names->staged);
    return 0;
}

// "<install folder>\<base name>" and the names beside it. 0 when they do
// not fit.
int nameInFolder(const char *installFolder, const char *payloadPath, QueuedNames *names)
{
    const char *base = baseNameOf(payloadPath);
    if (lstrlenA(installFolder) + 1 + lstrlenA(base) + SUFFIX_LENGTH >= MAX_PATH)
        return 0;
    lstrcpyA(names->destination, installFolder);
    lstrcatA(names->destination, "\\");
    lstrcatA(names->destination, base);
    joinName(names->staged, names->destination, STAGED_SUFFIX);
    joinName(names->earlier, names->destination, EARLIER_SUFFIX);
    names->hadEarlier = false;
    return 1;
}

// Static: sixteen sets of names on the stack would need a stack probe.
QueuedNames queued[MAX_DATABASES];

// Every earlier copy of the first `count` comes back under its name; with
// `removeNew`, every new name that had none is removed too.
void putEarlierBack(int count, bool removeNew)
{
    for (int i = 0; i < count; ++i) {
        if (queued[i].hadEarlier)
            restoreEarlier(queued[i].earlier, queued[i].destination);
        else if (removeNew)
            removeOwnName(queued[i].destination);
    }
}

void removeStaged(int from, int count)
{
    for (int i = from; i < count; ++i)
        removeOwnName(queued[i].staged);
}

// Stages every copy, then gives each its name. On a failure what was
// staged goes and what was placed makes way for the earlier copies.
int stageAndPlace(const char (*payloadPaths)[MAX_PATH], int count)
{
    for (int i = 0; i < count; ++i) {
        if (!stageCopy(payloadPaths[i], queued[i].staged)) {
            removeStaged(0, i);
            return 0;
        }
    }
    for (int i = 0; i < count; ++i) {
        if (!putInPlace(&queued[i])) {
            putEarlierBack(i, true);
            removeStaged(i + 1, count);
            return 0;
        }
    }
    return 1;
}

} // namespace

int queueForHotSync(const char *payloadPath, const UserRecord *user)
{
    char paths[1][MAX_PATH];
    if (lstrlenA(payloadPath) >= MAX_PATH)
        return 0;
    lstrcpyA(paths[0], payloadPath);
    return queueForHotSync(paths, 1, user);
}

int queueForHotSync(const char (*payloadPaths)[MAX_PATH], int count, const UserRecord *user)
{
    if (count < 1 || count > MAX_DATABASES || !isPlainFolderName(user->directory))
        return 0;

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

    // Every name is tidied before any copy is made: an earlier copy and
    // its flag stay as they were unless every new copy is whole and in
    // place, and flagged.
    for (int i = 0; i < count; ++i) {
        if (!nameInFolder(installFolder, payloadPaths[i], &queued[i]) ||
            !repairInterruptedRun(queued[i].destination, queued[i].staged, queued[i].earlier))
            return 0;
    }
    if (!stageAndPlace(payloadPaths, count))
        return 0;

    // Flagged (and the flag flushed) only once every whole file is in place
    // under its name on the disk, so no user is ever flagged for a file
    // that is not there, also after a power cut.
    bool flushed = true;
    bool anyEarlier = false;
    for (int i = 0; i < count; ++i) {
        flushed = flushed && flushName(queued[i].destination);
        anyEarlier = anyEarlier || queued[i].hadEarlier;
    }
    if (!flushed || !setHotSyncInstallFlag(user->slot)) {
        // The earlier copies go back in place of the new ones, which were
        // never flagged, and the new names beside them go: the folder holds
        // the earlier set. With no earlier copy at all, the new set stays,
        // whole, without a flag.
        putEarlierBack(count, anyEarlier);
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        if (queued[i].hadEarlier)
            removeOwnName(queued[i].earlier);
    }
    return 1;
}
