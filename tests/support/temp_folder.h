// Temporary folders, current-directory and environment changes that undo
// themselves.
#pragma once

#include <string>
#include <vector>

// A new, empty folder below the Wine prefix's temporary directory, removed
// with everything in it when the object goes.
class TempFolder {
public:
    explicit TempFolder(const std::string &hint = "kt");
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const std::string &path() const { return path_; }
    std::string operator/(const std::string &name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::string &path);
    ~ScopedCurrentDirectory();

private:
    std::string previous_;
};

// Sets an environment variable for this process (and so for the children
// it starts) and puts the old value back when it goes. A value given in
// UTF-16 may hold what the ANSI code page cannot.
class ScopedEnvironment {
public:
    ScopedEnvironment(const std::string &name, const std::string &value);
    ScopedEnvironment(const std::string &name, const std::wstring &value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    std::wstring name_;
    std::wstring previous_;
    bool hadValue_;
};

// An ANSI string (of the system's code page) in UTF-16.
std::wstring widened(const std::string &ansi);

// Small file helpers for tests: all paths are Windows paths. removeTree
// also removes what has names that the ANSI code page cannot hold.
bool fileExists(const std::string &path);
bool folderExists(const std::string &path);
std::string readFileBytes(const std::string &path);
void writeFileBytes(const std::string &path, const std::string &bytes);
void makeFolder(const std::string &path);
void removeTree(const std::string &path);
void removeTree(const std::wstring &path);
// The names of the files (not folders) in a folder, sorted.
std::vector<std::string> filesIn(const std::string &folder);
// The folder holding the running test program (and every program of the build).
std::string programFolder();
