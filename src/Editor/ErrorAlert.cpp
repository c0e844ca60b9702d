#include "Editor/ErrorAlert.h"

#include "platform/Localizer.h"

namespace ErrorAlert {

namespace {

// The storage's own commit error already names the failure; a cause of the layers below (a file
// that could not be written) is the reason.
constexpr const char* CommitErrorKey = "map_commit_error";

void appendParagraph(std::string& text, const std::string& paragraph)
{
    if (paragraph.empty()) return;
    if (!text.empty()) text += "\n\n";
    text += paragraph;
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

Error commitFailure(const Error& cause, Kept kept)
{
    const std::string description = localized(CommitErrorKey);
    Error failure = cause;
    if (failure.isEmpty()) failure = MakeAppError(0);
    failure.localizedDescription = description;
    std::string reason;
    if (cause.localizedDescription != description) appendParagraph(reason, cause.localizedDescription);
    appendParagraph(reason, cause.failureReason);
    appendParagraph(reason, localized(kept == Kept::EditsStayOpen ? CommitKeptOpenKey : CommitKeptSavedKey));
    failure.failureReason = reason;
    return failure;
}

Error openFailure(const Error& cause)
{
    if (cause.domain == TarnwickErrorDomain && !cause.localizedDescription.empty()) return cause;
    Error failure = cause;
    if (failure.isEmpty()) failure = MakeAppError(0);
    failure.localizedDescription = localized(OpenErrorKey);
    std::string reason;
    appendParagraph(reason, cause.localizedDescription);
    appendParagraph(reason, cause.failureReason);
    appendParagraph(reason, localized(OpenKeptKey));
    failure.failureReason = reason;
    return failure;
}

} // namespace ErrorAlert
