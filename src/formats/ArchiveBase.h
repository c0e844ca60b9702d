#pragma once

#include "Utils/GregorianCalendar.h"

#include <string>

// What the zip writer and reader share: the optional password and the calendar that turns entry
// dates into absolute times and back.
class ArchiveBase {
public:
    ArchiveBase() = default;
    virtual ~ArchiveBase() = default;
    ArchiveBase(const ArchiveBase&) = delete;
    ArchiveBase& operator=(const ArchiveBase&) = delete;

    // An empty password means none.
    void setPassword(const std::string& password) { _password = password; }

protected:
    std::string _password;
    GregorianCalendar _calendar;
};
