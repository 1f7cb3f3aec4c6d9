#include "module_resources.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

std::string keyOf(LPCSTR value)
{
    if (IS_INTRESOURCE(value))
        return resourceId(static_cast<int>(reinterpret_cast<ULONG_PTR>(value)));
    return value;
}

// Resource functions take an integer id as MAKEINTRESOURCE, a name as text.
struct ResourceKey {
    explicit ResourceKey(const std::string &key) : text(key) {}
    LPCSTR get() const
    {
        if (!text.empty() && text[0] == '#')
            return MAKEINTRESOURCEA(std::atoi(text.c_str() + 1));
        return text.c_str();
    }
    std::string text;
};

struct Collector {
    HMODULE module;
    std::vector<ResourceEntry> *entries;
    std::string type;
    std::string name;
};

BOOL CALLBACK collectLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR param)
{
    auto *collector = reinterpret_cast<Collector *>(param);
    HRSRC found = FindResourceExA(module, type, name, language);
    collector->entries->push_back({collector->type, collector->name, language, found ? SizeofResource(module, found) : 0});
    return TRUE;
}

BOOL CALLBACK collectName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param)
{
    auto *collector = reinterpret_cast<Collector *>(param);
    collector->name = keyOf(name);
    EnumResourceLanguagesA(module, type, name, collectLanguage, param);
    return TRUE;
}

BOOL CALLBACK collectType(HMODULE module, LPSTR type, LONG_PTR param)
{
    auto *collector = reinterpret_cast<Collector *>(param);
    collector->type = keyOf(type);
    EnumResourceNamesA(module, type, collectName, param);
    return TRUE;
}

WORD wordAt(const std::string &bytes, size_t offset)
{
    WORD value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

} // namespace

std::string resourceId(int id)
{
    return "#" + std::to_string(id);
}

ModuleFile::ModuleFile(const std::string &path)
    : module_(LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE))
{
    if (!module_)
        throw std::runtime_error("cannot load " + path);
}

ModuleFile::~ModuleFile()
{
    FreeLibrary(module_);
}

std::vector<ResourceEntry> ModuleFile::resources() const
{
    std::vector<ResourceEntry> entries;
    Collector collector{module_, &entries, {}, {}};
    EnumResourceTypesA(module_, collectType, reinterpret_cast<LONG_PTR>(&collector));
    return entries;
}

std::vector<ResourceEntry> ModuleFile::resourcesOfType(const std::string &type) const
{
    std::vector<ResourceEntry> matching;
    for (const ResourceEntry &entry : resources()) {
        if (entry.type == type)
            matching.push_back(entry);
    }
    return matching;
}

bool ModuleFile::has(const std::string &type, const std::string &name, WORD language) const
{
    ResourceKey typeKey(type), nameKey(name);
    return FindResourceExA(module_, typeKey.get(), nameKey.get(), language) != NULL;
}

std::string ModuleFile::bytes(const std::string &type, const std::string &name, WORD language) const
{
    ResourceKey typeKey(type), nameKey(name);
    HRSRC found = FindResourceExA(module_, typeKey.get(), nameKey.get(), language);
    if (!found)
        throw std::runtime_error("no resource " + type + " " + name);
    HGLOBAL loaded = LoadResource(module_, found);
    const char *data = static_cast<const char *>(LockResource(loaded));
    return std::string(data, SizeofResource(module_, found));
}

std::vector<IconGroupEntry> parseIconGroup(const std::string &bytes)
{
    const size_t headerSize = 6, entrySize = 14;
    if (bytes.size() < headerSize)
        throw std::runtime_error("icon group too short");
    size_t count = wordAt(bytes, 4);
    if (bytes.size() < headerSize + count * entrySize)
        throw std::runtime_error("icon group truncated");
    std::vector<IconGroupEntry> entries;
    for (size_t i = 0; i < count; ++i) {
        size_t at = headerSize + i * entrySize;
        IconGroupEntry entry;
        entry.width = static_cast<unsigned char>(bytes[at]);
        entry.height = static_cast<unsigned char>(bytes[at + 1]);
        entry.colorCount = static_cast<unsigned char>(bytes[at + 2]);
        entry.planes = wordAt(bytes, at + 4);
        entry.bitCount = wordAt(bytes, at + 6);
        std::memcpy(&entry.bytes, bytes.data() + at + 8, sizeof entry.bytes);
        entry.imageId = wordAt(bytes, at + 12);
        entries.push_back(entry);
    }
    return entries;
}
