#pragma once

#include "platform/Scheduler.h"

#include <string>

// What the full-screen and presentation modes change in the main window. The GTK window does it
// with its panes and the window manager; tests record the calls.
class WindowModesHost {
public:
    virtual ~WindowModesHost() = default;

    // Asks the window manager to make the window full screen or to end it; its answer comes back
    // through WindowModes::windowFullScreenChanged, or never.
    virtual void requestFullScreen(bool fullScreen) = 0;
    // In-place edits and the modeless editors write back what they hold.
    virtual void commitEditor() {}
    virtual void focusEditor() {}
    // The explorer and the activity pane, left of the map.
    virtual void setLeftPaneHidden(bool /*hidden*/) {}
    // The editor, and the note and the outliner when the window has them.
    virtual void setReadOnly(bool /*readOnly*/) {}
    // The colour and font choosers that act on the selection.
    virtual void closeColorPanels() {}
    // The style toolbar's state as the window controller keeps it (0 shown, 1 hidden by the user,
    // 2 hidden for the presentation).
    virtual int styleToolsState() const = 0;
    virtual void setStyleToolsState(int state) = 0;
    virtual void setStyleToolbarVisible(bool /*visible*/, bool /*animated*/) {}
    // The window's toolbar gets out of the way while presenting.
    virtual void setToolbarAutoHidden(bool /*hidden*/) {}
    // An editor notification of the feedback centre, for the duration in seconds.
    virtual void showNotification(const std::string& /*title*/, const std::string& /*message*/, unsigned /*state*/,
                                  double /*duration*/)
    {
    }
    virtual void hideNotification() {}
};

// The window's two full-screen variants: plain full screen, and presentation mode, in which the
// map is read-only, the left pane and the style toolbar are out of the way and the toolbar hides
// itself. The window manager decides whether and when the window becomes full screen, so the
// modes change only when it has; a request it never grants leaves nothing behind. Main thread
// only.
class WindowModes {
public:
    static constexpr const char* NoticeTitleKey = "editor_menu_presentation_mode";
    static constexpr const char* NoticeMessageKey = "editor_presentation_mode_entered_message";
    // The presentation notice shows this long, whatever the feedback centre would give it.
    static constexpr double NoticeDuration = 4.0;
    // A window manager that has not answered a full-screen request by then is taken to have
    // refused it.
    static constexpr double FullScreenGrantTimeout = 3.0;

    enum StyleToolsState { StyleToolsShown = 0, StyleToolsHiddenByUser = 1, StyleToolsHiddenForPresentation = 2 };

    WindowModes(WindowModesHost& host, Scheduler& scheduler);
    WindowModes(const WindowModes&) = delete;
    WindowModes& operator=(const WindowModes&) = delete;

    bool inPresentationMode() const { return _presentationMode; }
    // The full-screen transition under way was asked for as presentation mode.
    bool enterPresentationMode() const { return _enterPresentationMode; }
    bool isFullScreen() const { return _fullScreen; }
    // A full-screen request waits for the window manager.
    bool fullScreenRequested() const { return _pendingGrant.isPending(); }

    // Actions of the View menu and the toolbar.
    void toggleFullScreenMode();
    void togglePresentationMode();
    // Escape with nothing left to cancel in the editor leaves either mode.
    void editorEscapePressed();
    // The window manager's answer: the window is now full screen, or no longer.
    void windowFullScreenChanged(bool fullScreen);

    void setPresentationMode(bool on);

private:
    void toggleFullScreen();
    void windowWillEnterFullScreen();
    void windowDidEnterFullScreen();
    void windowWillExitFullScreen();
    void windowDidExitFullScreen();

    WindowModesHost& _host;
    Scheduler& _scheduler;
    ScheduledCall _pendingGrant;
    bool _presentationMode = false;
    bool _enterPresentationMode = false;
    bool _fullScreen = false;
    // The exit steps already ran when the user asked to leave.
    bool _exitAnnounced = false;
};
