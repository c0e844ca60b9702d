#pragma once

#include <functional>
#include <string>
#include <vector>

// A new message in the user's mail program, filled and shown for the user to send. Main thread
// only; the answer comes later, from the main loop, once the desktop has taken the message or
// refused it.
class MailComposer {
public:
    struct Message {
        std::string recipient; // may be empty
        std::string subject;
        std::string body;
        std::vector<std::string> attachments; // absolute paths of files that exist
    };

    enum class Result {
        Composed,
        NoMailProgram,     // the desktop has no program for mail
        MissingAttachment, // an attachment could not be read
        Failed,            // the mail program could not be started
    };

    virtual ~MailComposer() = default;

    // done is called exactly once, possibly before compose returns.
    virtual void compose(const Message& message, std::function<void(Result)> done) = 0;

    // Installs the composer (not owned); nullptr brings back the one that has no mail program.
    static void setShared(MailComposer* composer);
    static MailComposer& shared();
};
