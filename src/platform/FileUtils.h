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

// The whole content of a regular file. Folders, devices, pipes and sockets are refused without
// being read.
std::optional<std::vector<uint8_t>> readFileData(const std::string& path, Error* error = nullptr);
std::optional<std::string> readFileText(const std::string& path, Error* error = nullptr);
