#pragma once

#include "MindMaps/MindMapFormats.h"
#include "platform/Error.h"

#include <optional>
#include <string>

// The document a store writes when it creates a new map: the native document without topics,
// carrying the map's GUID and the new-map marker ("add-theme", and the central theme's text when
// one is given), so that the editor makes the central theme when it first opens the map.
// Pretty-printed, with byte-order mark. Built from the resource "templates/empty-mindmap.xml", or
// from the same template built into the program when that resource is missing or unreadable.
MindMapData getEmptyMindMapData(const std::string& guid, const std::optional<std::string>& defaultTheme,
                                Error* error = nullptr);
