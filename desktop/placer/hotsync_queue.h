// Places a file in a Palm user's HotSync install queue.
#pragma once

#include "lcreg.h"

// Copies payloadPath into the user's install folder
// ("<Palm Desktop>\<user directory>\install") under its base name, then sets
// the user's install flag. Returns 1 when both were done, 0 otherwise.
int queueForHotSync(const char *payloadPath, const UserRecord *user);
