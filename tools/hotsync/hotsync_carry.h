// The HotSync Manager's part, played for the demo and the tests: for every
// Palm Desktop user whose install flag is 1, the files waiting in the user's
// install folder go to that user's folder on the "handheld" (a folder
// beside the Palm Desktop directory) and the flag goes back to 0.
#pragma once

#include <ostream>
#include <string>
#include <vector>

struct CarriedFile {
    std::string user;         // the Palm user's name
    std::string file;         // the file's name
    std::string destination;  // its full path on the handheld
};

struct HotSyncRun {
    bool ok = false;
    std::string error;                 // why the run stopped, when !ok
    std::vector<CarriedFile> carried;  // in user order, then by file name
};

// The Palm Desktop directory as the product finds it: the registered path,
// else "\pilot".
std::string palmDesktopFolder();
// "<parent of the desktop directory>\handheld\<user directory>".
std::string handheldFolder(const std::string &desktop, const std::string &userDirectory);

HotSyncRun runHotSync();

// One line per carried file, "<user>: <file> -> <destination>", then
// "<N> file(s) carried to the handheld." when the run succeeded.
void printHotSyncRun(std::ostream &out, const HotSyncRun &run);
