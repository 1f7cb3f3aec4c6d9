// The launcher's hold on "placer.exe", handed to the worker it starts.
//
// The launcher checks the installer it wrote byte for byte against the
// bytes it carries, through a handle that shares reading only, and keeps
// that handle open until the worker's process exists: from the check on,
// nobody can change, rename or delete the file. The worker inherits a
// duplicate of that handle and finds its value in this environment
// variable, in decimal. A worker that gets it confirms that the handle
// is a hold on its own "placer.exe" and then need not compute the file's
// SHA-256 digest again (installer_check.cpp says why that is as safe).
#pragma once

const char INSTALLER_HOLD_VARIABLE[] = "KELVANE_INSTALLER_HOLD";
