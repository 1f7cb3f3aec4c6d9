// Places a file in a Palm user's HotSync install queue.
#pragma once

#include "lcreg.h"
#include "resource.h"

// Copies payloadPath into the user's install folder
// ("<Palm Desktop>\<user directory>\install") under its base name, then sets
// the user's install flag. Returns 1 when both were done, 0 otherwise.
// What a stopped run left there is tidied first. The copy is made under
// another name that nothing stood under, read back and flushed to the disk,
// and only then put in the place of an earlier copy; once its name too is
// on the disk, the flag is set and flushed. A link planted under one of
// the names is never taken for an earlier copy: what it points to is
// neither moved nor removed. On any failure an earlier copy and its flag stay as
// they were, and nothing partial is ever left to be installed. A folder
// under one of the names it uses is left alone (0). A user directory that
// is not one plain folder name (empty, ending in a dot or a blank, or
// holding "\\", "/" or ":") is refused before anything is created.
int queueForHotSync(const char *payloadPath, const UserRecord *user);

// Queues `count` files (1 to MAX_DATABASES) together, as one: every name
// is tidied first, every copy staged, then each takes its name, and the
// flag is set once, after all are in place on the disk. When one cannot
// be staged or placed, every earlier copy comes back and no new name
// stays. A stop at any point leaves each name its earlier copy or its new
// one, whole; the next run tidies every name.
int queueForHotSync(const char (*payloadPaths)[MAX_PATH], int count, const UserRecord *user);
