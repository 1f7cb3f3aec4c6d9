// Where each of the three programs starts. They are linked without the C
// runtime: its start-up code needs msvcrt.dll, which the first Windows 95
// lacks, and was built for newer processors than the 80386 we support. So
// the programs import nothing but system DLLs and run no code before
// WinMain but this. Linked into the programs only; the tests keep the
// normal runtime.
#include "command_tail.h"
#include "library_search.h"

#include <windows.h>

#include <stddef.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

extern "C" {

// The compiler calls these for struct copies and zero-filled structs even
// when the code never names them. Built with loop-to-call conversion off
// (see CMakeLists.txt), or each would compile into a call to itself.
void *memset(void *destination, int value, size_t count)
{
    unsigned char *at = static_cast<unsigned char *>(destination);
    while (count--)
        *at++ = static_cast<unsigned char>(value);
    return destination;
}

void *memcpy(void *destination, const void *source, size_t count)
{
    unsigned char *to = static_cast<unsigned char *>(destination);
    const unsigned char *from = static_cast<const unsigned char *>(source);
    while (count--)
        *to++ = *from++;
    return destination;
}

// The entry named to the linker. Windows calls it with no arguments.
void programEntry()
{
    // Before anything else can load a library by its bare name.
    restrictLibrarySearch();
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int showCommand = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    int result = WinMain(GetModuleHandleA(NULL), NULL, const_cast<LPSTR>(commandTail(GetCommandLineA())),
                         showCommand);
    ExitProcess(static_cast<UINT>(result));
}

} // extern "C"
