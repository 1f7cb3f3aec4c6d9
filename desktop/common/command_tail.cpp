#include "command_tail.h"

// The start-up code of our compiler hands WinMain a different tail in some
// cases (a quote inside an unquoted name, bytes of 128 and above), so every
// program derives its tail here from GetCommandLineA instead.
const char *commandTail(const char *commandLine)
{
    const unsigned char *at = reinterpret_cast<const unsigned char *>(commandLine);
    if (*at == '"') {
        ++at;
        while (*at && *at != '"')
            ++at;
        if (*at == '"')
            ++at;
    } else {
        while (*at > ' ')
            ++at;
    }
    while (*at && *at <= ' ')
        ++at;
    return reinterpret_cast<const char *>(at);
}
