#pragma once

#include <string>

// The icon-theme name standing for an image of the style toolbar and its menus; empty for the
// pictures we draw ourselves (StylePictures) and for names that are not ours.
std::string themedIconForStyleImage(const std::string& name);
