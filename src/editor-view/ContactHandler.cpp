#include "editor-view/ContactHandler.h"

#include "Utils/FeedbackSink.h"
#include "platform/Localizer.h"

void ContactHandler::showPhoneContact(const std::string& number)
{
    showUnsupported("contacts_unsupported_phone_number", number);
}

void ContactHandler::showEmailContact(const std::string& address)
{
    showUnsupported("contacts_unsupported_email_address", address);
}

void ContactHandler::showUnsupported(const std::string& messageKey, const std::string& value)
{
    feedbackSinkInstance().showEditorNotification(localized("unable_to_locate_contact"),
                                                  localizedFormat(messageKey, {value}), FeedbackStateError);
}
