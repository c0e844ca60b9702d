#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

// What tells one version of a file's content from another without reading it. A rewrite of the
// same size within the same second still changes the nanoseconds of the change time, and a
// replacement by rename changes the inode.
struct FileSignature {
    uint64_t size = 0;
    int64_t modifiedNanoseconds = 0;
    int64_t changedNanoseconds = 0;
    uint64_t inode = 0;
    uint64_t device = 0;

    bool operator==(const FileSignature&) const = default;
};

// nullopt when the path is not a regular file.
std::optional<FileSignature> fileSignature(const std::string& path);

// MD5 digests of the cached copies of cloud files, read again only when a file's signature
// changed: telling which of many maps were edited here costs a stat each. Main thread only.
class FileDigestCache {
public:
    // Upper-case hex, as FileMD5HexString gives it; nullopt when the file cannot be read.
    std::optional<std::string> md5HexString(const std::string& path);
    void forget(const std::string& path) { _entries.erase(path); }
    void clear() { _entries.clear(); }
    size_t count() const { return _entries.size(); }
    // How many files were read since the cache was made.
    uint64_t filesRead() const { return _filesRead; }

private:
    struct Entry {
        FileSignature signature;
        std::string md5;
    };
    std::unordered_map<std::string, Entry> _entries;
    uint64_t _filesRead = 0;
};
