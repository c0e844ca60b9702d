#include "Editor/ErrorAlert.h"

#include "platform/Localizer.h"

#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace ErrorAlert {

namespace {

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

std::string plainCause(const Error& cause, const std::string& skip)
{
    if (cause.domain == PosixErrorDomain && cause.code > 0) return std::string(std::strerror(int(cause.code))) + ".";
    std::string text;
    if (cause.localizedDescription != skip) appendParagraph(text, cause.localizedDescription);
    if (cause.failureReason != skip) appendParagraph(text, cause.failureReason);
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
    if (cause.domain != PosixErrorDomain || cause.code <= 0) return cause;
    return failure(localizedFormat(ImportFileErrorKey, {fs::path(path).filename().string()}), cause);
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
