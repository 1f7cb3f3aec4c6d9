// commandTail against the rules for the tail, one command line per row.
#include "command_tail.h"

#include <gtest/gtest.h>

#include <string>

TEST(CommandTail, FollowsTheTailRules)
{
    struct Case {
        const char *commandLine;
        const char *tail;
    } cases[] = {
        {"", ""},
        {"setup.exe", ""},
        {"setup.exe -v", "-v"},
        {"setup.exe\t\x01\x1F -v", "-v"},          // every byte of code 1 to 32 after the name
        {"setup.exe -v  ", "-v  "},                // blanks at the end stay
        {"setup.exe    ", ""},
        {"\"my setup.exe\" -v", "-v"},             // a quoted name may hold blanks
        {"\"setup.exe\"-v", "-v"},                 // the closing quote ends the name
        {"\"setup.exe\"\"x\" y", "\"x\" y"},
        {"\"\" -v", "-v"},                         // an empty quoted name
        {"\"setup.exe -v", ""},                    // a quote that never closes takes the line
        {"se\"tup.exe x\" y", "x\" y"},            // a quote inside an unquoted name is a byte
        {"setup\x01.exe -v", ".exe -v"},           // a control byte ends an unquoted name
        {"setup\xE9.exe -v", "-v"},                // bytes of 128 and above belong to the name
        {"setup.exe \xA0-v", "\xA0-v"},            // ... and are no blanks after it
        {" setup.exe", "setup.exe"},               // a leading blank: an empty name
        {"setup.exe \"a b\" c", "\"a b\" c"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.commandLine);
        EXPECT_EQ(std::string(c.tail), commandTail(c.commandLine));
    }
}
