#pragma once

#include <string>

// Hands a URI (a web page, a mail address, a file) to the application the desktop chooses for
// it. Main thread only.
class UriLauncher {
public:
    virtual ~UriLauncher() = default;

    // false when the desktop has nothing that opens it, or refused.
    virtual bool openURL(const std::string& uri) = 0;
    // Shows the file, selected, in the desktop's file manager without opening it; false when that
    // could not even be asked for.
    virtual bool showInFileManager(const std::string& /*path*/) { return false; }

    // Installs the launcher (not owned); nullptr brings back the one that opens nothing.
    static void setShared(UriLauncher* launcher);
    static UriLauncher& shared();
};
