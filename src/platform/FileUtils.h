#pragma once

#include "platform/Error.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Replaces the file at path with data, all or nothing: the data goes to a temporary file in the
// same folder, is flushed to disk and then renamed over the target. On failure the old file is
// untouched, no temporary file is left, and the error names the file and the system's reason.
// A symbolic link as target is followed, so that the file it points to is replaced.
bool writeFileAtomically(const std::string& path, std::string_view data, Error* error = nullptr);
bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& data, Error* error = nullptr);

// Whether a replacing rename is synced into its folder at once, or left to a later syncFolder()
// of that folder: the new content is on disk before the rename either way, so a crash before the
// folder is synced leaves the old file or the whole new one, never a part.
enum class FolderSync { Now, Later };
bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& data, FolderSync folderSync,
                         Error* error = nullptr);
// Makes the renames and new names in a folder durable. False when the folder cannot be opened;
// a file system that refuses to sync folders counts as synced.
bool syncFolder(const std::string& folder);

// The two ends of writeFileAtomically, for a caller that builds the new content piece by piece
// (a zip container, an archive) before it replaces the old file.
// createTemporaryFileBeside makes a new, uniquely named file in the folder of target, readable by
// its owner only, and answers its open descriptor (its path in temporaryPath), or -1.
int createTemporaryFileBeside(const std::string& target, std::string& temporaryPath, Error* error = nullptr);
// Renames the finished temporary file over target and makes the rename durable. On failure the
// temporary file is removed and target is untouched.
bool moveTemporaryFileOver(const std::string& temporaryPath, const std::string& target, Error* error = nullptr,
                           FolderSync folderSync = FolderSync::Now);
// The error of a file that could not be saved: it names the file, the step that failed and the
// system's reason for the code.
Error fileSaveError(int code, const std::string& target, const std::string& step);

// The whole content of a regular file of at most maximumSize bytes, each reader giving the most
// that what it reads can sensibly hold. Folders, devices, pipes and sockets are refused without
// being read. A larger file is refused by its size before anything is read or set aside for it,
// and one that grows past the limit while it is read is refused too: no more than maximumSize
// bytes and one are ever read. Refused for its size, the error is EFBIG (isTooLargeToRead).
std::optional<std::vector<uint8_t>> readFileData(const std::string& path, uint64_t maximumSize, Error* error = nullptr);
std::optional<std::string> readFileText(const std::string& path, uint64_t maximumSize, Error* error = nullptr);
// Whether a read was refused because the file is larger than its reader takes.
bool isTooLargeToRead(const Error& error);

// Moves a file that could not be understood out of the way of the next write, to "<path>.corrupt"
// (or "<path>.corrupt-2" and on when that name is taken), so that what it still holds can be
// recovered by hand. The new path, or empty when the file could not be moved.
std::string moveUnreadableFileAside(const std::string& path);
