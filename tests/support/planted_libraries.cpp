#include "planted_libraries.h"

#include "temp_folder.h"

#include <windows.h>

#include <stdexcept>

namespace {
const char MARKER_SUFFIX[] = ".ran";
}

const std::vector<std::string> &plantableLibraries()
{
    static const std::vector<std::string> names = {"riched32", "riched20", "uxtheme", "usp10"};
    return names;
}

void plantLibraries(const std::string &folder, const std::vector<std::string> &names)
{
    std::string planted = programFolder() + "\\planted_library.dll";
    for (const std::string &name : names) {
        if (!CopyFileA(planted.c_str(), (folder + "\\" + name + ".dll").c_str(), FALSE))
            throw std::runtime_error("cannot plant " + name);
    }
}

std::vector<std::string> plantedLibrariesThatRan(const std::string &folder)
{
    const std::string suffix = MARKER_SUFFIX;
    std::vector<std::string> ran;
    for (const std::string &file : filesIn(folder)) {
        if (file.size() > suffix.size() && file.compare(file.size() - suffix.size(), suffix.size(), suffix) == 0)
            ran.push_back(file.substr(0, file.size() - suffix.size()));
    }
    return ran;
}
