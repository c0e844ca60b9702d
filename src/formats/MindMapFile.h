#pragma once

#include "MindMaps/MindMapFormats.h"
#include "platform/Error.h"

#include <optional>
#include <string>

// The bytes of a map's file, read whole as readFileData reads, up to MaximumMindMapFileSize. A
// larger file is refused unread, with the damage that says its size is why
// (DocumentDamage::TooLarge), and stays as it is; other failures carry the system's reason.
std::optional<MindMapData> readMindMapFile(const std::string& path, Error* error = nullptr);
