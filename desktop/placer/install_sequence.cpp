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
    PAYLOAD_PATH_SIZE = MAX_PATH,
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

// 1 when there was a file to close.
int closeHeldFile(HANDLE file)
{
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    CloseHandle(file);
    return 1;
}

// Without a payload written whole nothing is queued: the user is told
// it failed, as for any other failure to queue.
void queuePayload(HANDLE payload, const char *payloadPath, const UserRecord *user)
{
    if (payload != INVALID_HANDLE_VALUE && queueForHotSync(payloadPath, user))
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

    // Held until it is queued: nobody can swap it in between.
    char payloadPath[PAYLOAD_PATH_SIZE];
    HANDLE payload = writeCarriedPayload(payloadPath);

    const UserRecord *user = chooseUser(users);
    if (!user) {
        // No user to queue for: the payload and "worker.exe" stay where they are.
        closeHeldFile(payload);
        return;
    }
    queuePayload(payload, payloadPath, user);
    if (closeHeldFile(payload))
        removeOwnName(payloadPath);
    removeOwnName(WORKER_FILE);
}
