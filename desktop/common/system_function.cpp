#include "system_function.h"

FARPROC kernelFunction(const char *name)
{
    return GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), name);
}
