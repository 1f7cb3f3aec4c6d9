// Reads the resources of a program file without running it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A type or name is "#<number>" for an integer id, else the string itself.
struct ResourceEntry {
    std::string type;
    std::string name;
    WORD language;
    DWORD size;
};

struct IconGroupEntry {
    int width;       // 0 in the file means 256
    int height;
    int colorCount;  // 0 for 256 colours or more
    int planes;
    int bitCount;
    DWORD bytes;
    WORD imageId;
};

const WORD LANGUAGE_EN_US = 1033;

class ModuleFile {
public:
    explicit ModuleFile(const std::string &path);  // loaded as a data file
    ~ModuleFile();
    ModuleFile(const ModuleFile &) = delete;
    ModuleFile &operator=(const ModuleFile &) = delete;

    HMODULE handle() const { return module_; }
    std::vector<ResourceEntry> resources() const;
    std::vector<ResourceEntry> resourcesOfType(const std::string &type) const;
    // The bytes of one resource; throws when it is missing.
    std::string bytes(const std::string &type, const std::string &name, WORD language = LANGUAGE_EN_US) const;
    bool has(const std::string &type, const std::string &name, WORD language = LANGUAGE_EN_US) const;

private:
    HMODULE module_;
};

std::string resourceId(int id);  // "#<id>"
std::vector<IconGroupEntry> parseIconGroup(const std::string &bytes);
