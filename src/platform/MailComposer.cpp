#include "platform/MailComposer.h"

namespace {

class NoMailComposer : public MailComposer {
public:
    void compose(const Message&, std::function<void(Result)> done) override
    {
        if (done) done(Result::NoMailProgram);
    }
};

MailComposer* installedComposer = nullptr;

} // namespace

void MailComposer::setShared(MailComposer* composer)
{
    installedComposer = composer;
}

MailComposer& MailComposer::shared()
{
    static NoMailComposer none;
    return installedComposer ? *installedComposer : none;
}
