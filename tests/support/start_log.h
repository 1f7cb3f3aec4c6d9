// Reads "started.log", which the recorder stand-in writes each time it is
// started in place of one of the product's programs.
#pragma once

#include <map>
#include <string>
#include <vector>

// One start: commandLine, winMainTail, tail, module, currentDirectory,
// installerHold and installerHoldOn (the launcher's hand-over, as found).
using StartRecord = std::map<std::string, std::string>;

std::vector<StartRecord> readStartLog(const std::string &path);

// The recorder program of this build, to be copied where a test wants it.
std::string recorderProgram();
