#pragma once

#include <cstdint>
#include <vector>

class MindMapStorage;

// The thumbnail (PNG data at the painter's standard size) of the map a cloud storage holds, for
// the lists of maps that are not open. A cached copy is mostly an archive: the storage is opened,
// which lays the document out of it, and closed again, which takes that copy and its folder away.
// Empty when the map does not read.
std::vector<uint8_t> paintStorageThumbnail(MindMapStorage& storage);
