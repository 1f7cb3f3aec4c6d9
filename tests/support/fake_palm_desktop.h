// A Pilot Desktop for tests: its registry roots and values, a Palm Desktop
// folder with user folders and users.dat, and the product's own key. The
// keys are removed when it is made and again when it goes, so every test
// starts and ends clean.
#pragma once

#include "temp_folder.h"
#include "users_dat_builder.h"

#include <windows.h>

#include <string>

enum class PilotRoot { USRobotics, PalmComputing };

const char *pilotRootKey(PilotRoot root);
extern const char PRODUCT_KEY_PATH[];

class FakePalmDesktop {
public:
    FakePalmDesktop();
    ~FakePalmDesktop();
    FakePalmDesktop(const FakePalmDesktop &) = delete;
    FakePalmDesktop &operator=(const FakePalmDesktop &) = delete;

    // The Palm Desktop folder on disk (made on construction, empty). It lies
    // in a temporary folder of its own, so that what a HotSync puts beside
    // it goes away with it too.
    const std::string &folder() const { return desktopFolder_; }
    const std::string &parentFolder() const { return root_.path(); }

    // The usual set-up: "Core\Path" below the root names folder(), the
    // HotSync Manager key exists, the users are written to users.dat with a
    // folder each.
    void install(PilotRoot root, const UsersDatBuilder &users);

    void createKey(PilotRoot root, const std::string &subkey);
    void setValue(PilotRoot root, const std::string &subkey, const std::string &name, DWORD type,
                  const std::string &data);
    void deleteValue(PilotRoot root, const std::string &subkey, const std::string &name);
    void setString(PilotRoot root, const std::string &subkey, const std::string &name, const std::string &text);
    void setPath(PilotRoot root, const std::string &path);
    void setLastUserName(PilotRoot root, const std::string &name);

    void writeUsersDat(const UsersDatBuilder &users);
    void writeUsersDatBytes(const std::string &bytes);
    void makeUserFolder(const std::string &directory);
    std::string installFolder(const std::string &directory) const;

    // Raw read of a value; false when the key or the value is missing.
    static bool readValue(const std::string &keyPath, const std::string &name, DWORD *type, std::string *data);
    static bool keyExists(const std::string &keyPath);
    // The DWORD of "Install<slot>" below the root's HotSync Manager key;
    // 0 when there is none.
    static DWORD installFlag(PilotRoot root, short slot);
    static void removeAllKeys();

private:
    TempFolder root_;
    std::string desktopFolder_;
};
