#pragma once

// Takes the messages left for the user while it lives, in order.

#include "Utils/FeedbackSink.h"

#include <string>
#include <vector>

struct FeedbackRecord {
    std::string title;
    std::string message;
    unsigned state = 0;
    double duration = 0; // notifications only
    std::string image;   // logged items only
    std::string guid;    // logged items only
};

class RecordingFeedbackSink : public FeedbackSink {
public:
    RecordingFeedbackSink() { setFeedbackSink(this); }
    ~RecordingFeedbackSink() override { setFeedbackSink(nullptr); }
    RecordingFeedbackSink(const RecordingFeedbackSink&) = delete;
    RecordingFeedbackSink& operator=(const RecordingFeedbackSink&) = delete;

    std::vector<FeedbackRecord> logged;
    std::vector<FeedbackRecord> notifications;

    void addItemWithTitle(const std::string& title, const std::string& message, unsigned state,
                          const std::string& image, const std::string& guid) override
    {
        logged.push_back({title, message, state, 0, image, guid});
    }
    void showEditorNotification(const std::string& title, const std::string& message, unsigned state,
                                double duration) override
    {
        notifications.push_back({title, message, state, duration, {}, {}});
    }
};
