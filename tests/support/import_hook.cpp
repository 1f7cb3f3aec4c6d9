#include "import_hook.h"

#include <stdexcept>
#include <string>

namespace {

void writeSlot(void **slot, void *value)
{
    DWORD previous = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &previous);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, previous, &previous);
}

void **findImportSlot(const char *dllName, const char *functionName)
{
    auto *base = reinterpret_cast<BYTE *>(GetModuleHandleA(NULL));
    auto *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
    auto *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto *import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + directory.VirtualAddress);
    for (; import->Name; ++import) {
        if (lstrcmpiA(reinterpret_cast<char *>(base + import->Name), dllName) != 0)
            continue;
        auto *names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + import->OriginalFirstThunk);
        auto *slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + import->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto *byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<char *>(byName->Name), functionName) == 0)
                return reinterpret_cast<void **>(&slots->u1.Function);
        }
    }
    throw std::runtime_error(std::string("no import ") + dllName + "!" + functionName);
}

} // namespace

ImportHook::ImportHook(const char *dllName, const char *functionName, void *replacement)
    : slot_(findImportSlot(dllName, functionName)), original_(*slot_)
{
    writeSlot(slot_, replacement);
}

ImportHook::~ImportHook()
{
    writeSlot(slot_, original_);
}
