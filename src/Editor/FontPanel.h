#pragma once

#include <functional>

// The program's one font panel as the main window sees it. The panel lives with the panels above
// the window; once made, it says here how it closes, so that the window can close it (presenting
// closes it with the colour panel). Main thread only.
class FontPanel {
public:
    FontPanel() = delete;

    // Installed by the panel when it is made; an empty function once it is gone.
    static void setCloser(std::function<void()> close);
    static bool sharedFontPanelExists();
    // Closes the panel when it exists.
    static void closeShared();
};
