#pragma once

#include "platform/Error.h"

#include <cstdint>
#include <string>
#include <vector>

// The saved order of the user's own icons: a property-list array of image hashes. The file lies
// on disk where anything may have written it, so it is read as data: whatever is not an array of
// strings counts as no order at all.

// The hashes of the order file's data; empty for data that is not an array of strings.
std::vector<std::string> parseIconOrder(const std::vector<uint8_t>& data);
// The hashes of the order file; empty when it is missing or unreadable.
std::vector<std::string> readIconOrderFile(const std::string& path);
// Replaces the order file, all or nothing.
bool writeIconOrderFile(const std::string& path, const std::vector<std::string>& hashes, Error* error = nullptr);

// The display order: the saved order less the hashes the store no longer has (and less repeats),
// followed by the store's new hashes in the store's order.
std::vector<std::string> mergeIconOrder(std::vector<std::string> order, const std::vector<std::string>& present);
