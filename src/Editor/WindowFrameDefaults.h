#pragma once

#include "Editor/EditorWindowController.h"
#include "platform/Geometry.h"

#include <optional>
#include <string>
#include <utility>
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

// The window's frame at one moment, as the display tells it.
struct FrameSample {
    // The frame's top-left corner and the window's own size, in logical pixels.
    WindowFrame frame;
    // What the window manager's decoration adds to the size each way.
    int decorationWidth = 0;
    int decorationHeight = 0;
    // Neither maximised, tiled, full screen nor iconified.
    bool normal = true;
    // Of the monitor the window is on; nothing when the display tells none.
    std::optional<WindowFrame> workArea;
};

// Follows the frames a window goes through and keeps the last one the user gave it, by hand or
// through the window manager. Neither a maximised nor a full-screen frame counts, nor the size a
// window was fitted down to on a small or highly scaled monitor: that way the window keeps the
// size it asked for, so that one start there does not shrink the window of every later start.
class UserFrameTracker {
public:
    UserFrameTracker() = default;
    // asked: the frame the window asked for at start; opened: what fitting it to the monitor gave.
    UserFrameTracker(const WindowFrame& asked, const WindowFrame& opened);
    // Called at every change of the window's size, place or state.
    void sample(const FrameSample& sample);
    // The frame to save when the window closes with the frame it has now.
    WindowFrame frameAtClose(const FrameSample& now);

private:
    WindowFrame _asked, _frame;
    // The decoration around the kept frame, once one was seen.
    std::optional<std::pair<int, int>> _decoration;
    // A move that may be the window manager's first step of maximising the window: it keeps the
    // size but takes the border off and puts the window where the maximised one goes, and only
    // then tells the state. Kept only when the window does not go on to be maximised.
    std::optional<WindowFrame> _possibleFirstStep;
    std::pair<int, int> _possibleFirstStepDecoration;
    // The size the window was fitted down to each way, while it keeps it.
    std::optional<int> _fittedWidth, _fittedHeight;
};

} // namespace WindowFrameDefaults
