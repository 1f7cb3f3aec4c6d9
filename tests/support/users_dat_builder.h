// Builds users.dat files in the Pilot Desktop's archive layout:
//   count (int16), new-class tag FFFF, schema (int16), class-name length
//   (int16), class name, then per user: slot (int16), two bytes, name length
//   (byte), name, directory length (byte), directory, flags byte, the rest of
//   the record; every record but the first is introduced by the bytes 01 80,
//   and the last one runs to the end of the file.
#pragma once

#include <string>
#include <vector>

struct PalmUser {
    std::string name;
    std::string directory;
    short slot = 0;
    unsigned char flags = 0;
    std::string rest;  // bytes after the flags byte, before the next 01 80
};

class UsersDatBuilder {
public:
    UsersDatBuilder &className(const std::string &name);
    UsersDatBuilder &classNameLength(short length);  // overrides the length word
    UsersDatBuilder &count(short count);             // overrides the count word
    UsersDatBuilder &user(const PalmUser &user);
    UsersDatBuilder &user(const std::string &name, const std::string &directory, short slot);
    std::string bytes() const;
    const std::vector<PalmUser> &users() const { return users_; }

private:
    std::string className_ = "CUser";
    bool classNameLengthSet_ = false;
    short classNameLength_ = 0;
    bool countSet_ = false;
    short count_ = 0;
    std::vector<PalmUser> users_;
};

// A typical record tail, as the Pilot Desktop writes it after the flags.
std::string typicalRecordRest();
