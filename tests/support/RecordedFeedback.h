#pragma once

#include "Editor/FeedbackCenter.h"

#include <memory>
#include <string>
#include <vector>

// What the window shows while this lives as the feedback centre's delegate: each notice as
// "title | message | state", and the title of each step of a progress line.
struct RecordedFeedback : FeedbackProgressDelegate {
    std::vector<std::string> shown;
    std::vector<std::string> progressTitles;

    RecordedFeedback() { FeedbackCenter::feedbackCenter().setDelegate(this); }
    ~RecordedFeedback() override { FeedbackCenter::feedbackCenter().setDelegate(nullptr); }
    RecordedFeedback(const RecordedFeedback&) = delete;
    RecordedFeedback& operator=(const RecordedFeedback&) = delete;

    void startProgress(double, const std::string& title) override { progressTitles.push_back(title); }
    void progress(double, const std::string& title) override { progressTitles.push_back(title); }
    void endProgress() override {}
    void showEditorNotification(const std::shared_ptr<FeedbackItem>& item, double) override
    {
        shown.push_back(item->title() + " | " + item->message() + " | " + std::to_string(item->state()));
    }
};
