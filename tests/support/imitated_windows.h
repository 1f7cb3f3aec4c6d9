// Makes Wine show chosen programs a given Windows version, for as long as
// the object lives. Wine reads the version when a program starts, from
// "HKCU\Software\Wine\AppDefaults\<program>", so the test program itself
// keeps the prefix's version and only the programs under test change.
#pragma once

#include <string>
#include <vector>

// The Windows versions the product meets, as Wine names them.
std::vector<std::string> windowsVersions();

class ImitatedWindows {
public:
    // An empty version changes nothing: the prefix's own is shown.
    ImitatedWindows(const std::string &version, const std::vector<std::string> &programs);
    ~ImitatedWindows();
    ImitatedWindows(const ImitatedWindows &) = delete;
    ImitatedWindows &operator=(const ImitatedWindows &) = delete;

private:
    std::vector<std::string> keys_;
};
