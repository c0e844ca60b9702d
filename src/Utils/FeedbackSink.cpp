#include "Utils/FeedbackSink.h"

namespace {

class DroppingFeedbackSink : public FeedbackSink {
public:
    void addItemWithTitle(const std::string&, const std::string&, unsigned, const std::string&,
                          const std::string&) override
    {
    }
    void showEditorNotification(const std::string&, const std::string&, unsigned, double) override {}
};

FeedbackSink* gSink = nullptr;

} // namespace

void setFeedbackSink(FeedbackSink* sink)
{
    gSink = sink;
}

FeedbackSink& feedbackSinkInstance()
{
    static DroppingFeedbackSink dropping;
    return gSink ? *gSink : dropping;
}
