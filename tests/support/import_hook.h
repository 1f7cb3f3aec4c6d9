// Replaces one imported system function of the test program for as long as
// the object lives, so a test can make a call fail that Wine never fails by
// itself (a registry write, say). Only code linked into the test program
// sees the replacement.
#pragma once

#include <windows.h>

class ImportHook {
public:
    ImportHook(const char *dllName, const char *functionName, void *replacement);
    ~ImportHook();
    ImportHook(const ImportHook &) = delete;
    ImportHook &operator=(const ImportHook &) = delete;

    void *original() const { return original_; }

private:
    void **slot_;
    void *original_;
};
