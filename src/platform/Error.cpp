#include "platform/Error.h"

Error MakeAppError(int64_t code, const std::string& description, const std::string& failureReason)
{
    Error error;
    error.domain = TarnwickErrorDomain;
    error.code = code;
    // A reason without a description is dropped: an alert shows the reason only beneath a message.
    if (!description.empty()) {
        error.localizedDescription = description;
        error.failureReason = failureReason;
    }
    return error;
}
