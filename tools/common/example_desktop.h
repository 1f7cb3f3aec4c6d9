// The built-in example Pilot Desktop of the demo and the benchmark, put
// into the registry and the files of the Wine prefix the tool runs in.
#pragma once

#include <string>

struct ExampleUser {
    const char *name;
    const char *directory;
    short slot;
};

const int EXAMPLE_USER_COUNT = 2;
extern const ExampleUser EXAMPLE_USERS[EXAMPLE_USER_COUNT];
extern const char EXAMPLE_LAST_USER[];

// Writes the Palm Desktop into `folder` (users.dat and a folder for each of
// the first `userCount` example users) and registers it under
// "Software\Palm Computing\Pilot Desktop": Core\Path,
// Preferences\LastUserName and the HotSync Manager key with each user's
// flag at 0.
// Whatever an earlier run left is removed first: the Pilot Desktop keys,
// "Software\Kelvane", the users' install and handheld folders. So it can
// run any number of times, and every run starts fresh. Throws
// std::runtime_error on failure.
void installExampleDesktop(const std::string &folder, int userCount);
