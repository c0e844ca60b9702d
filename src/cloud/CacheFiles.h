#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

// The cloud services' cache copies on disk. Every name and path they are given may come from a
// server: nothing here throws, whatever the file system answers.

// Removes the file or folder at path with everything in it, except the files in keep (full paths
// as the caller builds them) and the folders on their way. Symbolic links are removed, never
// followed. Answers whether nothing is left at path.
bool removeTreeExcept(const std::string& path, const std::set<std::string>& keep);

// The most a file sent to a cloud service, or copied within one, is read to: a map's file or an
// export, which a map's pictures and pages seldom take past a few hundred megabytes.
inline constexpr uint64_t MaximumCloudFileSize = uint64_t(1) << 30;

// The longest file name the file systems of the cache take, in bytes. A service that counts its
// limit in characters allows longer names.
inline constexpr size_t MaximumCacheNameBytes = 255;

// A server's name as a cache file may be named: unchanged while it fits MaximumCacheNameBytes;
// otherwise cut at a character boundary and ended by "~" and 16 hexadecimal digits of the whole
// name's SHA-256, before its extension when that is short. Two long names never share a file and a
// name always gets the same one, so a copy is found again after a restart.
std::string fitCacheFileName(const std::string& name);
// Every name of a relative path ("a/b/c") fitted.
std::string fitCachePath(const std::string& relativePath);
