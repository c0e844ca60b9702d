#pragma once

#include "platform/UriLauncher.h"

// Opens URIs with the desktop's default handler for their scheme or file type.
class GtkUriLauncher : public UriLauncher {
public:
    bool openURL(const std::string& uri) override;
};
