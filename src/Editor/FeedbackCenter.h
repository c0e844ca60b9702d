#pragma once

#include "Utils/FeedbackSink.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One message for the user: in the log, or shown briefly as an editor notification.
class FeedbackItem {
public:
    FeedbackItem(std::string title, std::string message, unsigned state, std::string image = {}, std::string guid = {});

    unsigned state() const { return _state; }
    const std::string& title() const { return _title; }
    void setTitle(const std::string& title) { _title = title; }
    const std::string& message() const { return _message; }
    void setMessage(const std::string& message) { _message = message; }
    // The name of an image that replaces the level's image in the log; empty for none.
    const std::string& image() const { return _image; }
    void setImage(const std::string& image) { _image = image; }
    // The GUID of a local map the message is about, so that the user can go there; may be empty.
    const std::string& guid() const { return _guid; }
    void setGuid(const std::string& guid) { _guid = guid; }
    std::chrono::system_clock::time_point timeStamp() const { return _timeStamp; }

private:
    unsigned _state;
    std::string _title;
    std::string _message;
    std::string _image;
    std::string _guid;
    std::chrono::system_clock::time_point _timeStamp;
};

// One running piece of background work.
class ProgressItem {
public:
    ProgressItem(std::string title, double progress) : _title(std::move(title)), _progress(progress) {}

    const std::string& title() const { return _title; }
    void setTitle(const std::string& title) { _title = title; }
    double progress() const { return _progress; }
    void setProgress(double progress) { _progress = progress; }

private:
    std::string _title;
    double _progress;
};

// What shows progress and editor notifications: the editor window.
class FeedbackProgressDelegate {
public:
    virtual ~FeedbackProgressDelegate() = default;
    virtual void startProgress(double progress, const std::string& title) = 0;
    virtual void progress(double progress, const std::string& title) = 0;
    virtual void endProgress() = 0;
    virtual void showEditorNotification(const std::shared_ptr<FeedbackItem>& item, double duration) = 0;
};

// Where background work and the editor report to the user without alerts: a log of messages
// (newest first, at most 50), a stack of running progress items shown as one progress line, and
// short-lived editor notifications that are not logged. Does no drawing itself.
class FeedbackCenter {
public:
    static constexpr size_t MaxItems = 50;
    static constexpr double DefaultNotificationDuration = FeedbackSink::DefaultNotificationDuration;

    FeedbackCenter() = default;
    FeedbackCenter(const FeedbackCenter&) = delete;
    FeedbackCenter& operator=(const FeedbackCenter&) = delete;

    static FeedbackCenter& feedbackCenter();
    // Makes the shared centre the sink of the messages of the libraries below the shell.
    static void installAsFeedbackSink();

    // Images of the cloud services' items.
    static std::string dropboxImage() { return "dropbox_white_16"; }
    static std::string gdriveImage() { return "google_drive"; }

    // Newest first.
    const std::vector<std::shared_ptr<FeedbackItem>>& items() const { return _items; }
    size_t count() const { return _items.size(); }

    // Logs a new item at the front, dropping the oldest beyond the limit, and announces the change.
    std::shared_ptr<FeedbackItem> addItemWithTitle(const std::string& title, const std::string& message, unsigned state,
                                                   const std::string& image = {}, const std::string& guid = {});
    // An index outside the log does nothing.
    void deleteAtIndex(int64_t index);
    void clearFeedbackItems();
    // Posts FeedbackCenterChangedNotification with the centre as object.
    void dispatchChangedNotification();

    // Progress shows one line for many concurrent tasks: the first started item opens the display,
    // only the newest item updates it, and the display closes with the last item.
    std::shared_ptr<ProgressItem> startProgress(double progress, const std::string& title);
    void changeProgressItem(const std::shared_ptr<ProgressItem>& item, const std::string& title, double progress);
    void endProgress(const std::shared_ptr<ProgressItem>& item);
    const std::vector<std::shared_ptr<ProgressItem>>& progressStack() const { return _progressStack; }

    // Editor notifications go to the delegate only; without one they are not shown.
    void showEditorNotification(const std::shared_ptr<FeedbackItem>& item,
                                double duration = DefaultNotificationDuration);
    std::shared_ptr<FeedbackItem> showEditorNotification(const std::string& title, const std::string& message,
                                                         unsigned state, double duration = DefaultNotificationDuration);
    std::shared_ptr<FeedbackItem> showEditorMessage(const std::string& message, unsigned state,
                                                    double duration = DefaultNotificationDuration);

    // Not owned; the editor window sets it when it loads and clears it when it goes.
    FeedbackProgressDelegate* delegate() const { return _delegate; }
    void setDelegate(FeedbackProgressDelegate* delegate) { _delegate = delegate; }

private:
    std::vector<std::shared_ptr<FeedbackItem>> _items;
    std::vector<std::shared_ptr<ProgressItem>> _progressStack;
    FeedbackProgressDelegate* _delegate = nullptr;
};

inline constexpr const char* FeedbackCenterChangedNotification = "com.orrinworks.Tarnwick.FeedbackCenter.Changed";
