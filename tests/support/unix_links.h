// Links that someone with a shell on the machine plants among the
// product's files, made Linux-side: Wine follows symbolic links and keeps
// hard links, as Windows does its own.
#pragma once

#include <windows.h>

#include <string>

enum class LinkKind { HARD, SYMBOLIC };

// Makes `link` (a Windows path) another name of `target` (HARD) or a
// symbolic link to it. Throws when it could not.
void plantLink(LinkKind kind, const std::string &target, const std::string &link);
// Removes the name `path` itself, never what a link under it points to.
void removeNameOnly(const std::string &path);
// How many names the file has: 1 for a file of its own.
DWORD linkCount(const std::string &path);
