#include "user_choice.h"

#include "user_dialog.h"

UserTable workerUsers;
int selectedUserIndex;

namespace {

const char FORCE_DIALOG_OPTION[] = "-v";

char chosenName[USER_NAME_SIZE];

bool isChoiceAutomatic(const char *commandTail)
{
    bool dialogForced = lstrcmpA(commandTail, FORCE_DIALOG_OPTION) == 0;
    return workerUsers.count == 1 && !dialogForced;
}

void recordChoice()
{
    // A failed write is not reported; the installer is started all the same.
    writeInstalledUser(chosenName);
    writeInstalledDate();
    writeInstalledEdition();
}

} // namespace

int chooseUser(const char *commandTail)
{
    selectedUserIndex = NO_USER_CHOSEN;
    if (!readUserDatabase(workerUsers.records, MAX_PALM_USERS, &workerUsers.count))
        return 0;

    if (isChoiceAutomatic(commandTail))
        selectedUserIndex = 0;
    else if (runUserDialog(GetDesktopWindow()) != 1)
        return 0;

    if (selectedUserIndex < 0 || selectedUserIndex >= MAX_PALM_USERS)
        return 0;
    lstrcpynA(chosenName, workerUsers.records[selectedUserIndex].name, sizeof chosenName);
    recordChoice();
    return 1;
}
