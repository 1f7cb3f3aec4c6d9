// example_desktop.exe <Palm Desktop folder> <number of users: 1 or 2>
//
// Puts the built-in example Pilot Desktop into the Wine prefix it runs in
// (users "Ann Smith" in "SmithA", slot 1, and "Bob Jones" in "JonesB",
// slot 2) and clears what an earlier demo run left, so it may run again
// and again. Prints the users; exit code 0 on success, 1 on failure.
#include "example_desktop.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char **argv)
{
    int userCount = argc == 3 ? std::atoi(argv[2]) : 0;
    if (userCount < 1 || userCount > EXAMPLE_USER_COUNT) {
        std::printf("usage: example_desktop.exe <Palm Desktop folder> <1|2>\n");
        return 2;
    }
    try {
        installExampleDesktop(argv[1], userCount);
    } catch (const std::exception &error) {
        std::printf("example_desktop: %s\n", error.what());
        return 1;
    }
    std::printf("Example Palm Desktop in %s, last user \"%s\":\n", argv[1], EXAMPLE_LAST_USER);
    for (int i = 0; i < userCount; ++i) {
        const ExampleUser &user = EXAMPLE_USERS[i];
        std::printf("  %s (folder %s, HotSync slot %d)\n", user.name, user.directory, user.slot);
    }
    return 0;
}
