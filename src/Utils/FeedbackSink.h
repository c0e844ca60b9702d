#pragma once

#include <string>

// Levels of a feedback message; other values are allowed and shown with a neutral image.
enum FeedbackState : unsigned {
    FeedbackStateInformation = 0,
    FeedbackStateWarning = 1,
    FeedbackStateError = 2,
};

// Where the libraries below the shell leave messages for the user without an alert: in the log,
// or shown briefly over the editor. The shell routes them into its feedback centre at start-up;
// until then (and in tests that install nothing) they are dropped. Main thread only.
class FeedbackSink {
public:
    static constexpr double DefaultNotificationDuration = 6.0;

    virtual ~FeedbackSink() = default;

    // Logs a message. image names a picture that replaces the level's one; guid names the local
    // map the message is about; either may be empty.
    virtual void addItemWithTitle(const std::string& title, const std::string& message, unsigned state,
                                  const std::string& image = {}, const std::string& guid = {}) = 0;
    // Shows a message over the editor for duration seconds, without logging it.
    virtual void showEditorNotification(const std::string& title, const std::string& message, unsigned state,
                                        double duration = DefaultNotificationDuration) = 0;
};

// Installs the sink (not owned); nullptr brings back the one that drops everything.
void setFeedbackSink(FeedbackSink* sink);
// The installed sink, else the dropping one.
FeedbackSink& feedbackSinkInstance();
