#pragma once

#include "platform/Error.h"

#include <string>

// A new, uniquely named file in the folder of a target file, for building a replacement of the
// target piece by piece (a zip container, a store archive) when the bytes are not at hand at once.
// commit() moves it over the target in one step; until then the target is untouched, and a file
// that is never committed is removed when the object goes away.
class SiblingTempFile {
public:
    explicit SiblingTempFile(const std::string& target);
    ~SiblingTempFile();
    SiblingTempFile(const SiblingTempFile&) = delete;
    SiblingTempFile& operator=(const SiblingTempFile&) = delete;

    // False when no temporary file could be made; error() tells why.
    bool isValid() const { return !_path.empty(); }
    const std::string& path() const { return _path; }
    const std::string& target() const { return _target; }
    const Error& error() const { return _error; }

    // Flushes the temporary file to disk and renames it over the target. False, with the target
    // untouched and the temporary file removed, on any failure.
    bool commit(Error* error = nullptr);

private:
    std::string _target;
    std::string _path;
    Error _error;
};
