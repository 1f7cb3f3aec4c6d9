#include "start_log_writer.h"

HANDLE openStartLog(const char *fileName)
{
    return CreateFileA(fileName, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
}

void appendStartLogField(HANDLE log, const char *name, const char *value)
{
    char header[64];
    int length = lstrlenA(value);
    int headerLength = wsprintfA(header, "%s %d:", name, length);
    DWORD written = 0;
    WriteFile(log, header, static_cast<DWORD>(headerLength), &written, NULL);
    WriteFile(log, value, static_cast<DWORD>(length), &written, NULL);
    WriteFile(log, "\n", 1, &written, NULL);
}
