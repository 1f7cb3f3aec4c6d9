#include "license_dialog.h"

#include "app_instance.h"
#include "maker_lines.h"
#include "name_removal.h"
#include "resource.h"
#include "resource_extract.h"
#include "temporary_folder.h"

namespace {

const char PRODUCT_LINE_PREFIX[] = "Kelvane for PalmPilot - " KELVANE_EDITION " Version ";
const char PRODUCT_VERSION[] = KELVANE_VERSION_SHOWN;
const char RIGHTS_NOTICE[] = KELVANE_RIGHTS_NOTICE;
const char TEMP_FILE_PREFIX[] = "lic";
const char CURRENT_FOLDER[] = ".";

enum {
    PRODUCT_LINE_SIZE = 512,
    LICENSE_TEXT_LIMIT = 10000,
    // A file name in the folder adds a backslash and up to 13 characters.
    TEMP_FOLDER_LIMIT = MAX_PATH - 14,
};

char licenseText[LICENSE_TEXT_LIMIT + 1];

// Writes the agreement text into a new file of a name nobody had in the
// folder (not even a link) and keeps it open with no sharing, so that
// nobody can change it before it is read back. INVALID_HANDLE_VALUE when
// none could be made and filled; nothing of it is left then.
HANDLE writeTextToNewFileIn(const char *folder, char *fileName)
{
    return extractResourceToNewFile(appInstance, LICENSE_RESOURCE_TYPE, IDR_LICENSE, folder, TEMP_FILE_PREFIX,
                                    fileName);
}

// The agreement text in a file of its own: in the temporary folder, or in
// the current folder when there is no usable temporary folder or no file
// can be made in it (a full disk, a read-only folder, or a folder that TEMP
// names but that is gone).
HANDLE writeTextToOwnFile(char *fileName)
{
    char folder[MAX_PATH];
    DWORD length = usableTempPath(folder, MAX_PATH);
    if (length != 0 && length <= TEMP_FOLDER_LIMIT) {
        HANDLE file = writeTextToNewFileIn(folder, fileName);
        if (file != INVALID_HANDLE_VALUE)
            return file;
    }
    return writeTextToNewFileIn(CURRENT_FOLDER, fileName);
}

// Reads the file once, at most LICENSE_TEXT_LIMIT bytes, into the control.
void showFileText(HANDLE file, HWND control)
{
    DWORD read = 0;
    if (ReadFile(file, licenseText, LICENSE_TEXT_LIMIT, &read, NULL)) {
        licenseText[read] = '\0';
        SetWindowTextA(control, licenseText);
    }
}

} // namespace

void loadLicenseText(HWND control)
{
    char fileName[MAX_PATH];
    HANDLE file = writeTextToOwnFile(fileName);
    if (file == INVALID_HANDLE_VALUE)
        return;
    showFileText(file, control);
    CloseHandle(file);
    removeOwnName(fileName);
}

void initLicenseDialog(HWND dialog)
{
    char productLine[PRODUCT_LINE_SIZE];
    lstrcpyA(productLine, PRODUCT_LINE_PREFIX);
    lstrcatA(productLine, PRODUCT_VERSION);
    SetDlgItemTextA(dialog, IDC_PRODUCT_NAME, productLine);
    SetDlgItemTextA(dialog, IDC_RIGHTS_NOTICE, RIGHTS_NOTICE);
    loadLicenseText(GetDlgItem(dialog, IDC_LICENSE_TEXT));
}

INT_PTR CALLBACK licenseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        initLicenseDialog(dialog);
        return TRUE;  // the focus goes to the first tab stop, Yes
    }
    if (message != WM_COMMAND)
        return FALSE;
    // IDCANCEL (Escape, the close box) is ignored: only an answer ends it.
    WORD command = LOWORD(wParam);
    if (command != IDYES && command != IDNO)
        return FALSE;
    EndDialog(dialog, command);
    return TRUE;
}
