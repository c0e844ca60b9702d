#pragma once

#include <string>

// Hands a URI (a web page, a mail address, a file) to the application the desktop chooses for
// it. Main thread only.
class UriLauncher {
public:
    virtual ~UriLauncher() = default;

    // false when the desktop has nothing that opens it, or refused.
    virtual bool openURL(const std::string& uri) = 0;

    // Installs the launcher (not owned); nullptr brings back the one that opens nothing.
    static void setShared(UriLauncher* launcher);
    static UriLauncher& shared();
};
