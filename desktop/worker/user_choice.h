// The choice of the Palm Desktop user for whom the application is queued,
// and the records that hand the choice over to the installer.
#pragma once

#include "lcreg.h"

// The users read from users.dat; zero-filled until then, so record 0's
// name is empty when the database lists nobody.
extern UserTable workerUsers;
// Index into workerUsers of the chosen user; NO_USER_CHOSEN while no
// choice is made (chooseUser sets it so first).
const int NO_USER_CHOSEN = -1;
extern int selectedUserIndex;

// Chooses a user (by itself for a single user unless the tail is exactly
// "-v", otherwise in the dialog) and records the choice. Non-zero when a
// user was chosen and the records were written.
int chooseUser(const char *commandTail);
