#!/usr/bin/env python3
"""Every function that the 32-bit programs import must be on ALLOWED: a
function reviewed as present in the system DLLs of both Windows 95 and
Windows NT 4.0. A new import fails here until someone has checked it and
added it (with the reason, where it is not obvious).

check_imports.py PROGRAM.exe ...
"""
import os
import sys

from pe_image import read_image

ALLOWED = {
    "kernel32.dll": {
        "CloseHandle", "CopyFileA", "CreateDirectoryA", "CreateFileA", "CreateProcessA",
        "DeleteFileA", "ExitProcess", "FindResourceA", "FreeResource", "GetCommandLineA",
        "GetCurrentDirectoryA", "GetLastError", "GetModuleHandleA", "GetStartupInfoA",
        "GetTempFileNameA", "GetTempPathA", "LoadLibraryA", "LoadResource", "LockResource",
        "OutputDebugStringA", "ReadFile", "SetFilePointer", "SetLastError", "SizeofResource",
        "WriteFile", "lstrcatA", "lstrcmpA", "lstrcpyA", "lstrcpynA", "lstrlenA",
        # In Windows 95's kernel32 too, not only NT's: the C runtimes of that
        # time take the clock from it on both.
        "GetSystemTimeAsFileTime",
        # The DLL search at start: SetDefaultDllDirectories is looked up, never
        # imported (Windows 8, or Vista and 7 updated); where it is missing,
        # libraries are loaded by full path from the system folder, their own
        # imports looked for beside them, without the system's error box.
        "GetProcAddress", "GetSystemDirectoryA", "LoadLibraryExA", "SetErrorMode",
        # Puts a checked copy in place of an earlier one: MoveFileExA cannot
        # replace a file on Windows 95 to Me, so two renames do. (Where it
        # replaces a name in one step, MoveFileExA is looked up, never
        # imported.) The copy reaches the disk before it takes its name;
        # leftovers of a stopped run are told from folders and cleared,
        # read-only ones too.
        "MoveFileA", "FlushFileBuffers", "GetFileAttributesA", "SetFileAttributesA",
        # A name whose file lies elsewhere (a link) is told from our own by
        # comparing paths as Windows does, without regard to case.
        # (GetFinalPathNameByHandleA, Vista and later, is looked up.)
        "lstrcmpiA",
        # The launcher hands the worker an inheritable duplicate of its hold
        # on the installer, the handle's value in the environment; the
        # worker confirms that the handle holds its own placer.exe.
        "DuplicateHandle", "GetCurrentProcess", "SetEnvironmentVariableA", "GetEnvironmentVariableA",
        "GetFileType", "GetFileInformationByHandle",
    },
    "user32.dll": {
        "BringWindowToTop", "CreateWindowExA", "DefWindowProcA", "DialogBoxParamA",
        "DispatchMessageA", "EndDialog", "GetDesktopWindow", "GetDlgItem", "GetMessageA",
        "GetWindowRect", "LoadCursorA", "LoadIconA", "MessageBoxA", "PostMessageA",
        "PostQuitMessage", "SendDlgItemMessageA", "SendMessageA", "SetDlgItemTextA",
        "SetWindowPos", "SetWindowTextA", "ShowWindow", "TranslateMessage", "UpdateWindow",
        # Exported by user32, not kernel32, on every Windows; varargs, caller cleans up.
        "wsprintfA",
        # New in Windows 95 and NT 4.0 (NT 3.51 lacked them), so both have them.
        "RegisterClassExA", "LoadImageA",
        # Step through double-byte characters in the system's ANSI code page.
        "CharNextA", "CharPrevA",
    },
    "advapi32.dll": {
        "RegCloseKey", "RegCreateKeyExA", "RegOpenKeyExA", "RegQueryValueExA", "RegSetValueExA",
        # The Win16-style call; still exported by both for old programs.
        "RegOpenKeyA",
        # The install flag reaches the disk before the person is told; one
        # that cannot is put back as it was, a missing one deleted again.
        "RegFlushKey", "RegDeleteValueA",
    },
}


def check(path):
    failures = []
    for dll, functions in read_image(path).import_table():
        allowed = ALLOWED.get(dll.lower())
        if allowed is None:
            failures.append("imports from %s, which is not a reviewed system DLL" % dll)
            continue
        for function in functions:
            if function not in allowed:
                failures.append("imports %s!%s, not reviewed for Windows 95 and NT 4.0" % (dll, function))
    return failures


def main(argv):
    status = 0
    for path in argv[1:]:
        failures = check(path)
        for failure in failures:
            print("%s: %s" % (os.path.basename(path), failure))
        if failures:
            status = 1
        else:
            print("%s: every import is reviewed" % os.path.basename(path))
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
