#pragma once

#include "platform/AlertPanel.h"
#include "platform/Error.h"

// How an error reaches the user: a modal alert that says what failed, why, and what was kept.
namespace ErrorAlert {

inline constexpr const char* UnknownErrorKey = "error_alert_unknown_error";
// What is left of the user's work when a commit fails: the edits still open in the window, or
// only the copy saved last.
inline constexpr const char* CommitKeptOpenKey = "map_commit_error_kept_open";
inline constexpr const char* CommitKeptSavedKey = "map_commit_error_kept_saved";
inline constexpr const char* OpenErrorKey = "map_open_error";
inline constexpr const char* OpenKeptKey = "map_open_error_kept";

enum class Kept { EditsStayOpen, LastSavedCopyOnly };

// The alert for an error: its description as the message, its reason as the informative text.
AlertPanel::Request request(const Error& error);

// A commit that failed, as the user reads it: "the map could not be saved", the cause (which may
// be empty: a storage that failed without saying why), and what was kept.
Error commitFailure(const Error& cause, Kept kept);

// A map that could not be opened, as the user reads it. An error of the application's own says
// so already; one of the layers below (a file that does not read, a document that does not
// parse) becomes its reason under "the map could not be opened", with what was kept: the file
// stays as it is.
Error openFailure(const Error& cause);

} // namespace ErrorAlert
