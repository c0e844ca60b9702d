#pragma once

#include "platform/MailComposer.h"

#include <string>
#include <vector>

// Hands the message to the desktop's mail program through xdg-email, started without a shell and
// watched until it ends: for some mail programs it waits until the user closes the message.
class GtkMailComposer : public MailComposer {
public:
    void compose(const Message& message, std::function<void(Result)> done) override;

    // The command line for a message; every value is an argument of its own.
    static std::vector<std::string> commandLine(const Message& message);
    // What xdg-email's exit status means.
    static Result resultOfExitStatus(int status);
    // A mail program is set up: $MAILER names one, or the desktop has a handler for mailto.
    static bool hasMailProgram();
};
