#include "command_tail.h"

// Every program derives its tail here from GetCommandLineA; its entry point
// hands the same tail to WinMain. (The compiler's start-up code, no longer
// used, made a different one of a quote inside an unquoted name or of bytes
// of 128 and above.) A trail byte of a double-byte character is never a
// quote or a blank, so stepping by byte is safe here.
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
