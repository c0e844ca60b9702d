#pragma once

#include "Editor/FeedbackCenter.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

// Where the presenter shows what it decided: the box at the canvas's bottom-left in the window.
class EditorNotificationView {
public:
    virtual ~EditorNotificationView() = default;
    // Replaces whatever the view showed; the texts are plain text, whatever they contain.
    virtual void showNotification(const std::string& title, const std::string& message, unsigned state) = 0;
    virtual void hideNotification() = 0;
    // One line for all running background work, titled by its newest piece.
    virtual void showProgress(const std::string& title) = 0;
    virtual void hideProgress() = 0;
};

// Brings the feedback centre's messages before the user: an editor notification shows for its
// duration, then hides; a message newly logged by background work shows the same way, for the
// default duration; a newer message replaces the one shown unless its level is lower (an error
// stays until its time is up or the user closes it). Progress shows as one line while any work
// runs. The presenter is the centre's delegate while it lives.
class EditorNotificationPresenter : public FeedbackProgressDelegate {
public:
    EditorNotificationPresenter(FeedbackCenter& center, Scheduler& scheduler, EditorNotificationView& view);
    ~EditorNotificationPresenter() override;
    EditorNotificationPresenter(const EditorNotificationPresenter&) = delete;
    EditorNotificationPresenter& operator=(const EditorNotificationPresenter&) = delete;

    // What the bar says for an item: the title, then the message, each only when it is not empty.
    static std::string notificationText(const FeedbackItem& item);

    // The item shown now; nullptr while the bar is hidden.
    const std::shared_ptr<FeedbackItem>& shownItem() const { return _shown; }
    // The user closed the box.
    void dismiss();
    void hideEditorNotification() { dismiss(); }

    // FeedbackProgressDelegate
    void startProgress(double progress, const std::string& title) override;
    void progress(double progress, const std::string& title) override;
    void endProgress() override;
    void showEditorNotification(const std::shared_ptr<FeedbackItem>& item, double duration) override;

private:
    void feedbackCenterChanged();

    FeedbackCenter& _center;
    Scheduler& _scheduler;
    EditorNotificationView& _view;
    std::shared_ptr<FeedbackItem> _shown;
    // The newest logged item already seen, so that deleting or clearing log items shows nothing.
    std::weak_ptr<FeedbackItem> _newestLogged;
    std::optional<std::chrono::system_clock::time_point> _newestLoggedTime;
    ScheduledCall _hide;
    ObservationToken _observation;
};
