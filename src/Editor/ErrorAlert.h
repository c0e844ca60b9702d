#pragma once

#include "platform/AlertPanel.h"
#include "platform/Error.h"

// How an error reaches the user: a modal alert that says what failed, why, and what was kept.
namespace ErrorAlert {

inline constexpr const char* UnknownErrorKey = "error_alert_unknown_error";
inline constexpr const char* CommitErrorKey = "map_commit_error";
inline constexpr const char* NamedCommitErrorKey = "map_commit_error_named";
// What is left of the user's work when a commit fails: the edits still open in the window, or
// only the copy saved last.
inline constexpr const char* CommitKeptOpenKey = "map_commit_error_kept_open";
inline constexpr const char* CommitKeptSavedKey = "map_commit_error_kept_saved";
inline constexpr const char* OpenErrorKey = "map_open_error";
inline constexpr const char* NamedOpenErrorKey = "map_open_error_named";
inline constexpr const char* OpenKeptKey = "map_open_error_kept";
// A map whose file gave no reason of its own: empty, cut short, or not a map at all.
inline constexpr const char* OpenDamagedKey = "map_open_error_damaged";
inline constexpr const char* OpenFolderKey = "map_open_error_folder";
inline constexpr const char* OpenLinkLoopKey = "map_open_error_link_loop";
// A map file that is a link to a file that holds no map; filled with where the link leads.
inline constexpr const char* OpenLinkKey = "map_open_error_link";
// The technical finding about a damaged document, shown after the plain words.
inline constexpr const char* DetailKey = "error_alert_detail";
inline constexpr const char* ImportErrorKey = "map_import_error";
inline constexpr const char* ImportFileErrorKey = "map_import_file_error";

enum class Kept { EditsStayOpen, LastSavedCopyOnly };

// The alert for an error: its description as the message, its reason as the informative text.
AlertPanel::Request request(const Error& error);

// A commit that failed, as the user reads it: "the map “title” could not be saved" (without a
// title, "the map"), the cause (which may be empty: a storage that failed without saying why), and
// what was kept. The file the store keeps a map in is named by an id the user never sees: a
// failure of the file system is said in the system's words for it.
Error commitFailure(const Error& cause, Kept kept, const std::string& mapTitle = {});

// What the user reads of a cause: a failure of the file system in the system's words for it ("No
// space left on device."), a damaged document as its plain words with the technical finding last,
// any other as its description and reason, in paragraphs; the texts in skip are left out.
std::string plainCause(const Error& cause, const std::string& skip = {});

// A command that could not be done, as the user reads it: what, and the cause as plainCause()
// says it (skip left out).
Error failure(const std::string& what, const Error& cause, const std::string& skip = {});

// An import that failed, named by the file the user chose ("“Plan.mm” could not be imported"),
// never by the one the store was writing; the cause as plainCause() says it. An error that says so
// already is returned as it is.
Error importFailure(const Error& cause, const std::string& path);

// A map that could not be opened, as the user reads it: named by the title the lists show it by
// (without a title, "the map"). An error of the application's own says why already; one of the
// layers below (a file that does not read, a document that does not parse, or none at all)
// becomes its reason, with what was kept: the file stays as it is.
Error openFailure(const Error& cause, const std::string& mapTitle = {});

} // namespace ErrorAlert
