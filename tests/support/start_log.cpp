#include "start_log.h"

#include "temp_folder.h"

#include <cstdlib>
#include <stdexcept>

std::vector<StartRecord> readStartLog(const std::string &path)
{
    std::vector<StartRecord> records;
    if (!fileExists(path))
        return records;
    std::string bytes = readFileBytes(path);
    StartRecord current;
    size_t at = 0;
    while (at < bytes.size()) {
        size_t space = bytes.find(' ', at);
        size_t colon = bytes.find(':', space);
        if (space == std::string::npos || colon == std::string::npos)
            throw std::runtime_error("damaged start log");
        std::string name = bytes.substr(at, space - at);
        size_t length = std::strtoul(bytes.substr(space + 1, colon - space - 1).c_str(), nullptr, 10);
        current[name] = bytes.substr(colon + 1, length);
        at = colon + 1 + length + 1;
        if (name == "end") {
            current.erase("end");
            records.push_back(current);
            current.clear();
        }
    }
    return records;
}

std::string recorderProgram()
{
    return programFolder() + "\\recorder.exe";
}
