#pragma once

#include "platform/Font.h"
#include "platform/UserDefaults.h"

#include <optional>
#include <string>

// A font kept in the user defaults as its description text.
void setFont(UserDefaults& defaults, const Font& font, const std::string& key);

// The font stored under the key; empty when the key holds no font description.
std::optional<Font> fontForKey(const UserDefaults& defaults, const std::string& key);
