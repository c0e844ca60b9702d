#pragma once

#include <memory>
#include <string>

// A whole-map snapshot: the map written as a native document in memory. Pending delayed steps are
// told apart by the identity of the snapshot, never by its content.
using UndoState = std::shared_ptr<const std::string>;
