#include "start_program.h"

#include "program_start.h"

namespace {

const char START_FAILED_FORMAT[] = "Could not start %s";
const char START_FAILED_CAPTION[] = "Kelvane - Setup";

enum {
    START_MESSAGE_SIZE = 128,
    // What the message shows of the command line: 111 characters and the
    // NUL, so that the format's text and it fill the message at most.
    SHOWN_COMMAND_SIZE = START_MESSAGE_SIZE - (sizeof START_FAILED_FORMAT - sizeof "%s"),
    COMMAND_LINE_SIZE = MAX_PATH,
};

// CreateProcessA may write into the command line, so it gets a copy.
int startFromCopy(const char *relativeName, const char *commandLine)
{
    char line[COMMAND_LINE_SIZE];
    if (lstrlenA(commandLine) >= COMMAND_LINE_SIZE)
        return 0;
    lstrcpyA(line, commandLine);
    return startProgramFromCurrentDirectory(relativeName, line);
}

} // namespace

void reportStartFailure(const char *commandLine)
{
    char shownCommand[SHOWN_COMMAND_SIZE];
    lstrcpynA(shownCommand, commandLine, sizeof shownCommand);
    char message[START_MESSAGE_SIZE];
    wsprintfA(message, START_FAILED_FORMAT, shownCommand);
    MessageBoxA(NULL, message, START_FAILED_CAPTION, MB_OK);
}

int startProgram(const char *relativeName, const char *commandLine)
{
    if (startFromCopy(relativeName, commandLine))
        return 1;
    reportStartFailure(commandLine);
    return 0;
}
