#include "Editor/ErrorAlert.h"

#include "formats/DocumentDamage.h"
#include "platform/AttributedString.h"
#include "platform/Localizer.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace ErrorAlert {

namespace {

// The name a person knows the file by: its last component, in UTF-8 even when the file system's
// name is not.
std::string displayName(const std::string& path)
{
    return makeValidUtf8(fs::path(path).filename().string());
}

void appendParagraph(std::string& text, const std::string& paragraph)
{
    if (paragraph.empty()) return;
    if (!text.empty()) text += "\n\n";
    text += paragraph;
}

// A damaged document's technical finding, for the last line of what the user reads; empty for
// every other cause.
std::string detailLine(const Error& cause)
{
    if (cause.domain != DocumentDamage::ErrorDomain || cause.failureReason.empty()) return {};
    return localizedFormat(DetailKey, {cause.failureReason});
}

} // namespace

AlertPanel::Request request(const Error& error)
{
    AlertPanel::Request request;
    request.style = AlertPanel::Style::Critical;
    request.messageText = error.localizedDescription.empty() ? localized(UnknownErrorKey) : error.localizedDescription;
    request.informativeText = error.failureReason;
    return request;
}

std::string plainCause(const Error& cause, const std::string& skip)
{
    if (cause.domain == PosixErrorDomain && cause.code > 0) return std::string(std::strerror(int(cause.code))) + ".";
    std::string text;
    if (cause.localizedDescription != skip) appendParagraph(text, cause.localizedDescription);
    if (cause.domain == DocumentDamage::ErrorDomain) appendParagraph(text, detailLine(cause));
    else if (cause.failureReason != skip) appendParagraph(text, cause.failureReason);
    return text;
}

Error commitFailure(const Error& cause, Kept kept, const std::string& mapTitle)
{
    Error failure = cause;
    if (failure.isEmpty()) failure = MakeAppError(0);
    failure.localizedDescription =
        mapTitle.empty() ? localized(CommitErrorKey) : localizedFormat(NamedCommitErrorKey, {mapTitle});
    // The storage's own commit error already names the failure; a cause of the layers below (a
    // file that could not be written) is the reason.
    std::string reason = plainCause(cause, localized(CommitErrorKey));
    appendParagraph(reason, localized(kept == Kept::EditsStayOpen ? CommitKeptOpenKey : CommitKeptSavedKey));
    failure.failureReason = reason;
    return failure;
}

Error failure(const std::string& what, const Error& cause, const std::string& skip)
{
    Error failure = cause;
    if (failure.isEmpty()) failure = MakeAppError(0);
    failure.localizedDescription = what;
    failure.failureReason = plainCause(cause, skip.empty() ? what : skip);
    return failure;
}

Error importFailure(const Error& cause, const std::string& path)
{
    const std::string what = localizedFormat(ImportFileErrorKey, {displayName(path)});
    if (cause.localizedDescription == what) return cause;
    // The importer's own "could not be imported" is what the new description says, by name.
    return failure(what, cause, localized(ImportErrorKey));
}

Error openFailure(const Error& cause, const std::string& mapTitle)
{
    const bool ownReason = cause.domain == TarnwickErrorDomain && !cause.localizedDescription.empty();
    if (ownReason && mapTitle.empty()) return cause;
    Error failure = cause;
    if (failure.isEmpty()) failure = MakeAppError(0);
    const std::string unnamed = localized(OpenErrorKey);
    failure.localizedDescription = mapTitle.empty() ? unnamed : localizedFormat(NamedOpenErrorKey, {mapTitle});
    const bool damaged = cause.domain == DocumentDamage::ErrorDomain;
    std::string reason = damaged ? cause.localizedDescription : plainCause(cause, unnamed);
    // The system's words for these ("Is a directory") say nothing of the map's file.
    if (cause.domain == PosixErrorDomain && cause.code == EISDIR) reason = localized(OpenFolderKey);
    else if (cause.domain == PosixErrorDomain && cause.code == ELOOP) reason = localized(OpenLinkLoopKey);
    else if (reason.empty()) reason = localized(OpenDamagedKey);
    if (!ownReason) appendParagraph(reason, localized(OpenKeptKey));
    // What a parser found is for whoever mends the file: after what the user needs to know.
    appendParagraph(reason, detailLine(cause));
    failure.failureReason = reason;
    return failure;
}

} // namespace ErrorAlert
