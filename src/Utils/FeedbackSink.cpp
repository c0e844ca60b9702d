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

void SetFeedbackSink(FeedbackSink* sink)
{
    gSink = sink;
}

FeedbackSink& FeedbackSinkInstance()
{
    static DroppingFeedbackSink dropping;
    return gSink ? *gSink : dropping;
}
