#include "Editor/EditorNotificationPresenter.h"

#include "Editor/NotificationView.h"
#include "platform/TextExcerpt.h"

EditorNotificationPresenter::EditorNotificationPresenter(FeedbackCenter& center, Scheduler& scheduler,
                                                         EditorNotificationView& view)
    : _center(center), _scheduler(scheduler), _view(view)
{
    if (!_center.items().empty()) {
        _newestLogged = _center.items().front();
        _newestLoggedTime = _center.items().front()->timeStamp();
    }
    _center.setDelegate(this);
    _observation = NotificationCenter::defaultCenter().addObserver(
        FeedbackCenterChangedNotification, &_center, [this](const Notification&) { feedbackCenterChanged(); });
}

EditorNotificationPresenter::~EditorNotificationPresenter()
{
    if (_center.delegate() == this) _center.setDelegate(nullptr);
}

std::string EditorNotificationPresenter::notificationText(const FeedbackItem& item)
{
    if (item.title().empty()) return item.message();
    if (item.message().empty()) return item.title();
    return item.title() + "\n" + item.message();
}

void EditorNotificationPresenter::showEditorNotification(const std::shared_ptr<FeedbackItem>& item, double duration)
{
    if (!item) return;
    if (_shown && NotificationView::clampedLevel(_shown->state()) > NotificationView::clampedLevel(item->state()))
        return;
    _hide.cancel();
    _shown = item;
    _view.showNotification(TextExcerpt::excerpt(item->title(), TextExcerpt::Name),
                           TextExcerpt::excerpt(item->message(), TextExcerpt::Passage), item->state());
    // A message shown while a dialog is up still goes in its time: the hide runs in every mode.
    if (!(duration > 0)) duration = FeedbackCenter::DefaultNotificationDuration;
    _hide = _scheduler.performAfterDelay(
        duration, [this] { dismiss(); }, CommonRunLoopModes);
}

void EditorNotificationPresenter::dismiss()
{
    _hide.cancel();
    if (!_shown) return;
    _shown.reset();
    _view.hideNotification();
}

void EditorNotificationPresenter::feedbackCenterChanged()
{
    // Only an item added in front is news; deleting, clearing or dropping the oldest is not: what
    // comes to the front then was logged before the newest one seen.
    const auto& items = _center.items();
    if (items.empty()) return;
    const std::shared_ptr<FeedbackItem>& newest = items.front();
    if (newest == _newestLogged.lock()) return;
    if (_newestLoggedTime && newest->timeStamp() < *_newestLoggedTime) return;
    _newestLogged = newest;
    _newestLoggedTime = newest->timeStamp();
    showEditorNotification(newest, FeedbackCenter::DefaultNotificationDuration);
}

void EditorNotificationPresenter::startProgress(double, const std::string& title)
{
    _view.showProgress(TextExcerpt::excerpt(title, TextExcerpt::Name));
}

void EditorNotificationPresenter::progress(double, const std::string& title)
{
    _view.showProgress(TextExcerpt::excerpt(title, TextExcerpt::Name));
}

void EditorNotificationPresenter::endProgress()
{
    _view.hideProgress();
}
