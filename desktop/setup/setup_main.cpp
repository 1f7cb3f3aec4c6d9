// The setup launcher: writes the installer and the worker into the current
// directory and starts the worker with the launcher's own command tail,
// only when both were written whole and are still what it carries.
#include "command_tail.h"
#include "installer_hold.h"
#include "program_start.h"
#include "resource.h"
#include "resource_extract.h"

#include <windows.h>

namespace {

const char PLACER_FILE[] = "placer.exe";
// The worker is started by its name relative to the current directory, and
// written and reported by its bare name.
const char WORKER_PATH[] = ".\\worker.exe";
const char *const WORKER_FILE = WORKER_PATH + 2;
const char SETUP_CAPTION[] = "Kelvane - Setup";

enum {
    // The longest command line that CreateProcessA takes, with its NUL: a
    // tail of any length that Windows can hand us is passed on whole.
    WORKER_COMMAND_LINE_SIZE = 32768,
    MESSAGE_SIZE = 128,
    HOLD_VALUE_SIZE = 16,
};

char workerCommandLine[WORKER_COMMAND_LINE_SIZE];

// "worker.exe", then one blank and the tail exactly as received when there
// is a tail. Returns 0 when it would not fit.
int buildWorkerCommandLine(const char *tail)
{
    if (lstrlenA(WORKER_FILE) + 1 + lstrlenA(tail) >= WORKER_COMMAND_LINE_SIZE)
        return 0;
    lstrcpyA(workerCommandLine, WORKER_FILE);
    if (*tail) {
        lstrcatA(workerCommandLine, " ");
        lstrcatA(workerCommandLine, tail);
    }
    return 1;
}

void reportFailedStart(const char *programFile, DWORD error)
{
    char message[MESSAGE_SIZE];
    wsprintfA(message, "Could not start %s - error: %d", programFile, static_cast<int>(error));
    MessageBoxA(NULL, message, SETUP_CAPTION, MB_OK);
}

// Writes one of the carried programs and holds it: from the check that it
// holds exactly the carried bytes until the handle is closed, nobody can
// change, rename or delete it. A copy that is already there but cannot be
// replaced (in use, read-only, another account's, or left from an earlier
// version) is never started in place of ours, nor is a file that someone
// swapped in after the write. INVALID_HANDLE_VALUE, after the message
// naming the file and the error, otherwise.
HANDLE writeProgram(HINSTANCE instance, const char *type, int id, const char *programFile)
{
    HANDLE held = extractResourceToHeldFile(instance, type, id, programFile);
    if (held == INVALID_HANDLE_VALUE)
        reportFailedStart(programFile, GetLastError());
    return held;
}

// An inheritable duplicate of the hold on the installer, its value in our
// environment for the worker to find; INVALID_HANDLE_VALUE (and the worker
// computes the digest itself) when either cannot be made. The duplicate
// is the same open file with the same sharing: the file stays unchangeable
// for as long as the worker keeps it.
HANDLE handOverHold(HANDLE held)
{
    HANDLE self = GetCurrentProcess();
    HANDLE inheritable;
    if (!DuplicateHandle(self, held, self, &inheritable, 0, TRUE, DUPLICATE_SAME_ACCESS))
        return INVALID_HANDLE_VALUE;
    char value[HOLD_VALUE_SIZE];
    wsprintfA(value, "%lu", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(inheritable)));
    if (SetEnvironmentVariableA(INSTALLER_HOLD_VARIABLE, value))
        return inheritable;
    CloseHandle(inheritable);
    return INVALID_HANDLE_VALUE;
}

// Starts the worker, handing it the hold on the installer when it can.
// (Any handle that the launcher inherited as inheritable passes on with
// it; the worker starts the installer with inheritance off.)
int startWorker(HANDLE placer)
{
    HANDLE handedOver = handOverHold(placer);
    BOOL inherit = handedOver != INVALID_HANDLE_VALUE;
    int started = startProgramFromCurrentDirectory(WORKER_PATH, workerCommandLine, inherit);
    if (inherit) {
        DWORD error = GetLastError();
        CloseHandle(handedOver);
        SetLastError(error);
    }
    return started;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HANDLE placer = writeProgram(instance, PLACER_RESOURCE_TYPE, IDR_PLACER, PLACER_FILE);
    if (placer == INVALID_HANDLE_VALUE)
        return 0;
    HANDLE worker = writeProgram(instance, WORKER_RESOURCE_TYPE, IDR_WORKER, WORKER_FILE);
    if (worker != INVALID_HANDLE_VALUE) {
        // Both stay held until the worker's process exists; from then on
        // the worker guards the installer itself.
        if (!buildWorkerCommandLine(commandTail(GetCommandLineA())))
            reportFailedStart(WORKER_FILE, ERROR_FILENAME_EXCED_RANGE);
        else if (!startWorker(placer))
            reportFailedStart(WORKER_FILE, GetLastError());
        CloseHandle(worker);
    }
    CloseHandle(placer);
    return 0;
}
