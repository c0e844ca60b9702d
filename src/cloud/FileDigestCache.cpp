#include "cloud/FileDigestCache.h"

#include "Utils/CryptoDigest.h"

#include <sys/stat.h>

std::optional<FileSignature> fileSignature(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    FileSignature signature;
    signature.size = uint64_t(st.st_size);
    signature.modifiedNanoseconds = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    signature.changedNanoseconds = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    signature.inode = uint64_t(st.st_ino);
    signature.device = uint64_t(st.st_dev);
    return signature;
}

std::optional<std::string> FileDigestCache::md5HexString(const std::string& path)
{
    const std::optional<FileSignature> before = fileSignature(path);
    if (!before) {
        _entries.erase(path);
        return std::nullopt;
    }
    auto found = _entries.find(path);
    if (found != _entries.end() && found->second.signature == *before) return found->second.md5;
    ++_filesRead;
    std::optional<std::string> md5 = FileMD5HexString(path);
    // A file written while it was read gives a digest of neither version: it is not kept, so the
    // next call reads the file again.
    if (!md5 || fileSignature(path) != before) {
        _entries.erase(path);
        return md5;
    }
    _entries[path] = Entry{*before, *md5};
    return md5;
}
