#pragma once

#include "platform/Error.h"

#include <functional>
#include <string>

// Hands a URI (a web page, a mail address, a file) to the application the desktop chooses for
// it. Main thread only.
//
// A failure reaches the user in the window, never standard error alone, and once: what fails at
// once comes back to the caller with its cause, and the caller reports it (with reportFailure, or
// in words of its own); what fails after the launcher answered (a file manager asked over the
// session bus that never shows the file) goes to the caller's outcome, or, where it gave none, the
// launcher reports it with reportFailure itself.
class UriLauncher {
public:
    virtual ~UriLauncher() = default;

    // The desktop's answer to a request it took: no error when it was carried out, else why not.
    using Outcome = std::function<void(const Error* failure)>;

    // false when the desktop has nothing that opens it, or refused; error says why.
    virtual bool openURL(const std::string& uri, Error* error = nullptr) = 0;
    // Shows the file, selected, in the desktop's file manager without opening it; false when that
    // could not even be asked for. Once it answered true, outcome hears, once, whether the file
    // manager showed the file; that may be after the call returned.
    virtual bool showInFileManager(const std::string& path, Error* error = nullptr, Outcome outcome = {});

    // The one place a failed launch is told: an alert saying what did not open (the error's
    // description) and why.
    static void reportFailure(const Error& error);
    // Why a launch failed, in the words of the error.
    static std::string failureText(const Error& error);
    // What did not open and why, on one line, for a notification.
    static std::string failureMessage(const Error& error);
    // The error a launcher gives when the desktop failed for a reason it did not name.
    static Error launchError(const std::string& reason = {});
    // The error of a URI (or path) that did not open, named as the user knows it (a local file by
    // its path), with the reason (no program opens it, when empty).
    static Error openError(const std::string& uri, const std::string& reason = {});
    // The error of a file the file manager did not show, nor could the folder it lies in be opened.
    static Error showError(const std::string& folder, const std::string& reason = {});

    // Installs the launcher (not owned); nullptr brings back the one that opens nothing.
    static void setShared(UriLauncher* launcher);
    static UriLauncher& shared();
};
