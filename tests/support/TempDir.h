#pragma once

#include <cstdint>
#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes away in the process that made it: a child forked by a test that ends with exit()
// leaves the folder to its parent.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return _path; }
    std::string file(const std::string& name) const { return _path + "/" + name; }

private:
    std::string _path;
    int _owner = 0;
};

// Writes and reads whole files for tests.
void writeTestFile(const std::string& path, const std::string& contents);
std::string readTestFile(const std::string& path);
// A file of that size of which nothing was ever written (it takes no room on disk): read, it is
// nothing but zeros. False when the file system cannot hold one that large.
bool makeSparseFile(const std::string& path, uint64_t size);
