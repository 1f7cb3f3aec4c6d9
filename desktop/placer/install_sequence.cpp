#include "install_sequence.h"

#include "app_instance.h"
#include "hotsync_queue.h"
#include "lcreg.h"
#include "license_dialog.h"
#include "maker_lines.h"
#include "name_removal.h"
#include "payload_file.h"
#include "resource.h"

namespace {

const char CAPTION[] = "Kelvane Setup";
const char CAPTION_TERMINATING[] = "Kelvane - Setup";
const char NOT_INSTALLED_MESSAGE[] = "The Kelvane " KELVANE_EDITION " version has not been installed.";
const char LOOKUP_FAILED_MESSAGE[] = "Error during lookup of PalmPilot users.\nKelvane setup terminating.";
const char NO_USERS_MESSAGE[] = "There are no PalmPilot users on this system.\nKelvane Setup terminating.";
const char FAILED_FORMAT[] = "Intallation of Kelvane for user: %s - FAILED";
// The edition with each '%' doubled: this one is a format.
const char QUEUED_FORMAT[] = "During next HotSync for user %s the " KELVANE_EDITION_IN_FORMAT
                             "\nversion of Kelvane will be installed on the PalmPilot.";

const char WORKER_FILE[] = "worker.exe";

enum {
    // The longest format with the longest name (a recorded name of 259).
    MESSAGE_SIZE = 512,
};

void showMessage(const char *text, const char *caption)
{
    MessageBoxA(NULL, text, caption, MB_OK);
}

void showNamedMessage(const char *format, const char *name)
{
    char text[MESSAGE_SIZE];
    wsprintfA(text, format, name);
    showMessage(text, CAPTION);
}

int agreementGiven(HWND mainWindow)
{
    INT_PTR answer = DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_LICENSE), mainWindow, licenseDialogProc, 0);
    return answer == IDYES;
}

// The first filled record whose name is exactly `name`; NULL when none is.
const UserRecord *findUserByName(const UserTable &users, const char *name)
{
    for (int i = 0; i < users.count && i < MAX_PALM_USERS; ++i) {
        if (lstrcmpA(users.records[i].name, name) == 0)
            return &users.records[i];
    }
    return NULL;
}

// The user to queue for: the only one, or the one the worker recorded. With
// no recorded name nobody is guessed, since the payload would land on
// somebody else's handheld. NULL, after M4, when there is none.
const UserRecord *chooseUser(const UserTable &users)
{
    if (users.count == 1)
        return &users.records[0];
    char recordedName[INSTALLED_USER_SIZE];
    if (!readInstalledUser(recordedName)) {
        showNamedMessage(FAILED_FORMAT, "");
        return NULL;
    }
    const UserRecord *chosen = findUserByName(users, recordedName);
    if (!chosen)
        showNamedMessage(FAILED_FORMAT, recordedName);
    return chosen;
}

// Closes every held database; with `remove`, each closed one's name goes.
void releaseDatabases(const CarriedDatabases &databases, int count, bool remove)
{
    for (int i = 0; i < count; ++i) {
        if (databases.held[i] == INVALID_HANDLE_VALUE)
            continue;
        CloseHandle(databases.held[i]);
        if (remove)
            removeOwnName(databases.paths[i]);
    }
}

// Without every database written whole nothing is queued: the user is told
// it failed, as for any other failure to queue.
void queueDatabases(const CarriedDatabases &databases, int count, const UserRecord *user)
{
    bool whole = true;
    for (int i = 0; i < count; ++i)
        whole = whole && databases.held[i] != INVALID_HANDLE_VALUE;
    if (whole && queueForHotSync(databases.paths, count, user))
        showNamedMessage(QUEUED_FORMAT, user->name);
    else
        showNamedMessage(FAILED_FORMAT, user->name);
}

} // namespace

void runInstallSequence(HWND mainWindow)
{
    if (!agreementGiven(mainWindow)) {
        showMessage(NOT_INSTALLED_MESSAGE, CAPTION);
        return;
    }

    // Static: a table of 26 KB on the stack would need a stack probe, which
    // comes from the C runtime that the program is built without.
    static UserTable users;
    if (!readUserDatabase(users.records, MAX_PALM_USERS, &users.count)) {
        showMessage(LOOKUP_FAILED_MESSAGE, CAPTION_TERMINATING);
        removeOwnName(WORKER_FILE);
        return;
    }
    if (users.count == 0) {
        showMessage(NO_USERS_MESSAGE, CAPTION_TERMINATING);
        removeOwnName(WORKER_FILE);
        return;
    }

    // Held until they are queued: nobody can swap one in between. Static,
    // as the table is.
    static CarriedDatabases databases;
    int count = writeCarriedDatabases(&databases);

    const UserRecord *user = chooseUser(users);
    if (!user) {
        // No user to queue for: the payload and "worker.exe" stay where they are.
        releaseDatabases(databases, count, false);
        return;
    }
    queueDatabases(databases, count, user);
    releaseDatabases(databases, count, true);
    removeOwnName(WORKER_FILE);
}
