#include "temp_folder.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

TempFolder::TempFolder(const std::string &hint)
{
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    static unsigned sequence = 0;
    for (;;) {
        char name[MAX_PATH];
        wsprintfA(name, "%s%s%lu_%u", base, hint.c_str(), GetCurrentProcessId(), ++sequence);
        if (CreateDirectoryA(name, NULL)) {
            path_ = name;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create a temporary folder");
    }
}

TempFolder::~TempFolder()
{
    removeTree(path_);
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::string &path)
{
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    previous_ = current;
    if (!SetCurrentDirectoryA(path.c_str()))
        throw std::runtime_error("cannot enter " + path);
}

ScopedCurrentDirectory::~ScopedCurrentDirectory()
{
    SetCurrentDirectoryA(previous_.c_str());
}

ScopedEnvironment::ScopedEnvironment(const std::string &name, const std::string &value)
    : ScopedEnvironment(name, widened(value))
{
}

ScopedEnvironment::ScopedEnvironment(const std::string &name, const std::wstring &value) : name_(widened(name))
{
    static wchar_t previous[32768];
    DWORD length = GetEnvironmentVariableW(name_.c_str(), previous, 32768);
    hadValue_ = length > 0 && length < 32768;
    if (hadValue_)
        previous_.assign(previous, length);
    SetEnvironmentVariableW(name_.c_str(), value.c_str());
}

ScopedEnvironment::~ScopedEnvironment()
{
    SetEnvironmentVariableW(name_.c_str(), hadValue_ ? previous_.c_str() : NULL);
}

std::wstring widened(const std::string &ansi)
{
    int length = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, NULL, 0);
    std::wstring wide(length > 0 ? length : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0], length);
    wide.resize(wide.size() - 1);
    return wide;
}

bool fileExists(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string readFileBytes(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot read " + path);
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, NULL) && read > 0)
        bytes.append(chunk, read);
    CloseHandle(file);
    return bytes;
}

void writeFileBytes(const std::string &path, const std::string &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot write " + path);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL);
    CloseHandle(file);
}

void makeFolder(const std::string &path)
{
    if (!CreateDirectoryA(path.c_str(), NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw std::runtime_error("cannot create " + path);
}

void removeTree(const std::string &path)
{
    removeTree(widened(path));
}

void removeTree(const std::wstring &path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

std::string programFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\'));
}

std::vector<std::string> filesIn(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}
