// Starts the next program of the setup chain.
#pragma once

// Starts the program `relativeName` (".\name.exe") of the current
// directory with commandLine as the new process's command line, and does
// not wait.
// On failure shows "Could not start %s" with the command line. Non-zero
// when the process was created.
int startProgram(const char *relativeName, const char *commandLine);

// Shows "Could not start %s" with the command line (at most its first 111
// characters), as for a program that failed to start.
void reportStartFailure(const char *commandLine);
