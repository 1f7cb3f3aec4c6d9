// Planted libraries (planted_library.dll under the names of system DLLs)
// and the markers they leave when anything loads them.
#pragma once

#include <string>
#include <vector>

// The system DLLs that a program of the product, or a system library it
// uses, loads by bare name on some Windows versions: Rich Edit 1.0 and 2.0,
// the theme library and the script processor. (MSIMG32.DLL is one too, but
// it comes through a delayed import, and Wine 8's resolver of those ignores
// a restricted search, so Wine cannot show whether it is safe.)
const std::vector<std::string> &plantableLibraries();

// Puts a copy of the planted library into the folder under each name.
void plantLibraries(const std::string &folder, const std::vector<std::string> &names = plantableLibraries());
// The files in the folder whose planted library ran ("riched32.dll", ...).
std::vector<std::string> plantedLibrariesThatRan(const std::string &folder);
