// The floor of the benchmark: a Windows program that does nothing at all,
// so starting it costs only what starting any program costs.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
