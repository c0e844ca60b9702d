#include "Editor/WindowModes.h"

#include "platform/Localizer.h"

WindowModes::WindowModes(WindowModesHost& host, Scheduler& scheduler) : _host(host), _scheduler(scheduler)
{
}

void WindowModes::toggleFullScreenMode()
{
    _enterPresentationMode = false;
    toggleFullScreen();
}

void WindowModes::togglePresentationMode()
{
    _host.commitEditor();
    _enterPresentationMode = true;
    // A full-screen window presents where it is: the window manager has nothing to grant, so the
    // steps of entering run now. Presenting already, the toggle leaves as from a window.
    if (_fullScreen && !_presentationMode && !_exitAnnounced) {
        windowWillEnterFullScreen();
        windowDidEnterFullScreen();
        return;
    }
    toggleFullScreen();
}

void WindowModes::editorEscapePressed()
{
    if (_fullScreen) toggleFullScreen();
}

void WindowModes::toggleFullScreen()
{
    if (_fullScreen) {
        // Leaving is what the user wants whatever the window manager makes of it: the map is
        // writable again at once.
        windowWillExitFullScreen();
        _exitAnnounced = true;
        _host.requestFullScreen(false);
        return;
    }
    // The window manager may never answer (none running, or one that refuses): the request, and
    // with it the presentation it was for, lapses instead of waiting for a later full screen.
    _pendingGrant = _scheduler.performAfterDelay(
        FullScreenGrantTimeout, [this] { _enterPresentationMode = false; }, CommonRunLoopModes);
    _host.requestFullScreen(true);
}

void WindowModes::windowFullScreenChanged(bool fullScreen)
{
    if (fullScreen == _fullScreen) return;
    _fullScreen = fullScreen;
    if (fullScreen) {
        _pendingGrant.cancel();
        windowWillEnterFullScreen();
        windowDidEnterFullScreen();
        return;
    }
    if (!_exitAnnounced) windowWillExitFullScreen();
    _exitAnnounced = false;
    windowDidExitFullScreen();
}

void WindowModes::windowWillEnterFullScreen()
{
    _host.setToolbarAutoHidden(_enterPresentationMode);
    setPresentationMode(_enterPresentationMode);
}

void WindowModes::windowDidEnterFullScreen()
{
    if (_enterPresentationMode) {
        _host.showNotification(localized(NoticeTitleKey), localized(NoticeMessageKey), 0, NoticeDuration);
        setPresentationMode(true);
    } else {
        setPresentationMode(false);
    }
    _enterPresentationMode = false;
}

void WindowModes::windowWillExitFullScreen()
{
    _host.hideNotification();
    setPresentationMode(false);
}

void WindowModes::windowDidExitFullScreen()
{
    _enterPresentationMode = false;
    _host.setToolbarAutoHidden(false);
}

void WindowModes::setPresentationMode(bool on)
{
    if (on == _presentationMode) return;
    _presentationMode = on;
    _host.focusEditor();
    _host.setLeftPaneHidden(on);
    _host.setReadOnly(on);
    _host.closeColorPanels();
    const int state = _host.styleToolsState();
    if (state == StyleToolsShown && on) {
        _host.setStyleToolbarVisible(false, false);
        _host.setStyleToolsState(StyleToolsHiddenForPresentation);
    } else if (state == StyleToolsHiddenForPresentation && !on) {
        _host.setStyleToolbarVisible(true, false);
        _host.setStyleToolsState(StyleToolsShown);
    }
}
