#pragma once

#include "platform/Error.h"
#include "platform/UriLauncher.h"

#include <string>

// Which links from documents may go to the desktop. A map may have been sent by anyone, so its
// links are untrusted: only web pages, mail and phone addresses and existing files are handed to
// the desktop's default handlers, and a file that would run as a program (an executable, a
// launcher, a script) is never opened, only shown in the file manager. Links to maps are followed
// by the editor itself and never reach this rule.
enum class LinkLaunchAction {
    Open,
    ShowInFileManager,
    Refuse,
};

struct LinkLaunchDecision {
    LinkLaunchAction action = LinkLaunchAction::Refuse;
    // The URI to open, or the path to show.
    std::string target;
};

// The decision for a URL (as DiagramLink::resolveURLString makes it): "http" and "https" with a
// host, "mailto" and "tel" open; a local "file" URL opens when it names an existing folder or an
// ordinary file, and is shown instead when that file is executable or of a kind that runs
// (".desktop", scripts, installers); everything else is refused.
LinkLaunchDecision decideLinkLaunch(const std::string& url);

// Applies the decision through the installed URI launcher; true when the desktop took the link.
// Otherwise error names the link and says why: a refused link, a file that is not there, or the
// desktop's own failure, for the caller to tell (UriLauncher::reportFailure). A file shown in the file manager is shown
// after the call: shown hears whether it was (UriLauncher::showInFileManager).
bool launchDocumentLink(const std::string& url, LinkLaunchAction* taken = nullptr, Error* error = nullptr,
                        UriLauncher::Outcome shown = {});
