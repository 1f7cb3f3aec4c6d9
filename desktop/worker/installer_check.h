// The worker starts no installer but the one built with it: the launcher
// wrote "placer.exe" into a folder that others may write, and left.
#pragma once

#include <windows.h>

// Opens the installer file for reading, sharing reading only, so that from
// now until the handle is closed nobody can change, rename or delete it,
// and checks that it is the installer of the same build: the file that
// the launcher's handed-over hold is on (installer_hold.h), or else a file
// whose SHA-256 digest is the one the worker carries. INVALID_HANDLE_VALUE
// when the file is missing, cannot be held, or holds anything else.
HANDLE holdCarriedInstaller(const char *fileName);
