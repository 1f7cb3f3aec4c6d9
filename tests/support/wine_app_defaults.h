// What Wine shows to and loads for chosen programs, for as long as an
// object lives. Wine reads both when a program starts, from
// "HKCU\Software\Wine\AppDefaults\<program>", so the test program itself
// keeps the prefix's settings and only the programs under test change.
// (Wine's loader also reads WINEDLLOVERRIDES from the Unix environment,
// which a Windows program cannot hand to its children.)
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The Windows versions the product meets, as Wine names them.
std::vector<std::string> windowsVersions();

class ImitatedWindows {
public:
    // An empty version changes nothing: the prefix's own is shown.
    ImitatedWindows(const std::string &version, const std::vector<std::string> &programs);
    ~ImitatedWindows();
    ImitatedWindows(const ImitatedWindows &) = delete;
    ImitatedWindows &operator=(const ImitatedWindows &) = delete;

private:
    std::vector<std::string> programs_;
};

// How a library is loaded: NATIVE_FIRST takes a DLL file found along the
// search path first, as Windows does (by default Wine prefers its own copy
// and would hide a planted one); NOT_LOADED refuses to load it at all.
extern const char NATIVE_FIRST[];
extern const char NOT_LOADED[];

class ProgramDllOverrides {
public:
    // Libraries by base name without ".dll", such as "riched32".
    ProgramDllOverrides(const std::vector<std::string> &programs, const std::vector<std::string> &libraries,
                        const std::string &setting);
    ~ProgramDllOverrides();
    ProgramDllOverrides(const ProgramDllOverrides &) = delete;
    ProgramDllOverrides &operator=(const ProgramDllOverrides &) = delete;

private:
    std::vector<std::string> programs_;
};

// The screen's DPI that Wine shows to every program started while the
// object lives ("HKCU\Control Panel\Desktop" LogPixels, read when a
// program starts: a running one, the test itself, keeps the DPI it began
// with). The test prefixes have no such value; it goes again afterwards.
class ScreenDpi {
public:
    explicit ScreenDpi(DWORD dpi);
    ~ScreenDpi();
    ScreenDpi(const ScreenDpi &) = delete;
    ScreenDpi &operator=(const ScreenDpi &) = delete;
};
