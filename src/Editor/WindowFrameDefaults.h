#pragma once

#include "Editor/EditorWindowController.h"
#include "platform/Geometry.h"

#include <optional>
#include <string>
#include <vector>

// Where the user left a window, kept in the user defaults under the window's autosave name. A
// saved frame is four numbers with a size that is not empty; anything else found under the key (an
// older or hand-edited setting) counts as no frame at all.
namespace WindowFrameDefaults {

std::string defaultsKey(const std::string& autosaveName);
std::optional<Rect> savedFrame(const std::string& autosaveName);
// Nothing for an empty name or an empty size.
void saveFrame(const std::string& autosaveName, const Rect& frame);

// The main window's place: the frame it has when not maximised, in logical pixels (the same at
// every display scale), and whether it is maximised. The frame stays four numbers under its own
// name, as earlier versions wrote and read it; the maximised state is a flag beside it, which a
// frame of an earlier version lacks and so reads as not maximised.
struct MainWindowPlacement {
    std::optional<WindowFrame> frame;
    bool maximized = false;
    friend bool operator==(const MainWindowPlacement&, const MainWindowPlacement&) = default;
};
std::string maximizedKey(const std::string& frameName);
MainWindowPlacement savedMainWindowPlacement(const std::string& frameName);
void saveMainWindowPlacement(const std::string& frameName, const MainWindowPlacement& placement);

// The frame a window opens with: the saved one, or where none is the default size on the first
// work area, fitted to the work area it opens on; moves says whether the window is to be put at
// the frame's place (a default frame, or a display server that places windows, leaves that to
// the desktop).
RestoredWindowFrame openingFrame(const std::optional<WindowFrame>& saved, int defaultWidth, int defaultHeight,
                                 const std::vector<WindowFrame>& workAreas, bool serverPlacesWindows);

// The un-maximised frame to keep at close. A window that still has the size it was fitted down
// to keeps the size it asked for, so that a start on a small or highly scaled monitor does not
// shrink the window of every later start.
WindowFrame frameToKeep(const WindowFrame& current, const WindowFrame& asked, const WindowFrame& opened);

} // namespace WindowFrameDefaults
