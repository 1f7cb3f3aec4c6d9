#include "users_dat_builder.h"

namespace {

void putWord(std::string &out, int value)
{
    out.push_back(static_cast<char>(value & 0xff));
    out.push_back(static_cast<char>((value >> 8) & 0xff));
}

} // namespace

UsersDatBuilder &UsersDatBuilder::className(const std::string &name)
{
    className_ = name;
    return *this;
}

UsersDatBuilder &UsersDatBuilder::classNameLength(short length)
{
    classNameLengthSet_ = true;
    classNameLength_ = length;
    return *this;
}

UsersDatBuilder &UsersDatBuilder::count(short count)
{
    countSet_ = true;
    count_ = count;
    return *this;
}

UsersDatBuilder &UsersDatBuilder::user(const PalmUser &user)
{
    users_.push_back(user);
    return *this;
}

UsersDatBuilder &UsersDatBuilder::user(const std::string &name, const std::string &directory, short slot)
{
    PalmUser record;
    record.name = name;
    record.directory = directory;
    record.slot = slot;
    record.rest = typicalRecordRest();
    return user(record);
}

std::string UsersDatBuilder::bytes() const
{
    std::string out;
    putWord(out, countSet_ ? count_ : static_cast<short>(users_.size()));
    putWord(out, 0xffff);  // new-class tag
    putWord(out, 1);       // schema
    putWord(out, classNameLengthSet_ ? classNameLength_ : static_cast<short>(className_.size()));
    out += className_;
    for (size_t i = 0; i < users_.size(); ++i) {
        const PalmUser &user = users_[i];
        if (i > 0)
            out += std::string("\x01\x80", 2);
        putWord(out, user.slot);
        putWord(out, 0);
        out.push_back(static_cast<char>(user.name.size()));
        out += user.name;
        out.push_back(static_cast<char>(user.directory.size()));
        out += user.directory;
        out.push_back(static_cast<char>(user.flags));
        out += user.rest;
    }
    return out;
}

std::string typicalRecordRest()
{
    // Password length 0, a permanent id, last-sync times: opaque to the reader.
    return std::string("\x00\x12\x34\x56\x78\x00\x00\x00\x00\x2a\x00\x00\x00", 13);
}
