#pragma once

#include <string>

class RelationStyle;

// The relation style dialog: an alert with OK and Cancel showing a relation style frame without
// the connection style. On OK the frame is committed into edited; true then.
namespace RelationStyleDialog {

constexpr const char* AccessoryName = "RelationStyleFrame";

bool run(const std::string& messageText, const std::string& informativeText, const RelationStyle& working,
         RelationStyle& edited);

} // namespace RelationStyleDialog
