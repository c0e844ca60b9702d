#include "Editor/FeedbackCenter.h"

#include "platform/NotificationCenter.h"

#include <algorithm>

FeedbackItem::FeedbackItem(std::string title, std::string message, unsigned state, std::string image, std::string guid)
    : _state(state),
      _title(std::move(title)),
      _message(std::move(message)),
      _image(std::move(image)),
      _guid(std::move(guid)),
      _timeStamp(std::chrono::system_clock::now())
{
}

namespace {

class FeedbackCenterSink : public FeedbackSink {
public:
    void addItemWithTitle(const std::string& title, const std::string& message, unsigned state,
                          const std::string& image, const std::string& guid) override
    {
        FeedbackCenter::feedbackCenter().addItemWithTitle(title, message, state, image, guid);
    }
    void showEditorNotification(const std::string& title, const std::string& message, unsigned state,
                                double duration) override
    {
        FeedbackCenter::feedbackCenter().showEditorNotification(title, message, state, duration);
    }
};

} // namespace

FeedbackCenter& FeedbackCenter::feedbackCenter()
{
    static FeedbackCenter center;
    return center;
}

void FeedbackCenter::installAsFeedbackSink()
{
    static FeedbackCenterSink sink;
    setFeedbackSink(&sink);
}

std::shared_ptr<FeedbackItem> FeedbackCenter::addItemWithTitle(const std::string& title, const std::string& message,
                                                               unsigned state, const std::string& image,
                                                               const std::string& guid)
{
    auto item = std::make_shared<FeedbackItem>(title, message, state, image, guid);
    _items.insert(_items.begin(), item);
    while (_items.size() > MaxItems) _items.pop_back();
    dispatchChangedNotification();
    return item;
}

void FeedbackCenter::deleteAtIndex(int64_t index)
{
    if (index < 0 || static_cast<size_t>(index) >= _items.size()) return;
    _items.erase(_items.begin() + index);
    dispatchChangedNotification();
}

void FeedbackCenter::clearFeedbackItems()
{
    if (_items.empty()) return;
    _items.clear();
    dispatchChangedNotification();
}

void FeedbackCenter::dispatchChangedNotification()
{
    NotificationCenter::defaultCenter().post(FeedbackCenterChangedNotification, this);
}

std::shared_ptr<ProgressItem> FeedbackCenter::startProgress(double progress, const std::string& title)
{
    auto item = std::make_shared<ProgressItem>(title, progress);
    _progressStack.push_back(item);
    if (_delegate && _progressStack.size() == 1) _delegate->startProgress(progress, title);
    return item;
}

void FeedbackCenter::changeProgressItem(const std::shared_ptr<ProgressItem>& item, const std::string& title,
                                        double progress)
{
    if (!item) return;
    item->setProgress(progress);
    item->setTitle(title);
    if (_delegate && !_progressStack.empty() && _progressStack.back() == item) _delegate->progress(progress, title);
}

void FeedbackCenter::endProgress(const std::shared_ptr<ProgressItem>& item)
{
    auto it = std::find(_progressStack.begin(), _progressStack.end(), item);
    if (it != _progressStack.end()) _progressStack.erase(it);
    if (!_delegate) return;
    if (_progressStack.empty()) {
        _delegate->endProgress();
    } else {
        const ProgressItem& newest = *_progressStack.back();
        _delegate->progress(newest.progress(), newest.title());
    }
}

void FeedbackCenter::showEditorNotification(const std::shared_ptr<FeedbackItem>& item, double duration)
{
    if (_delegate && item) _delegate->showEditorNotification(item, duration);
}

std::shared_ptr<FeedbackItem> FeedbackCenter::showEditorNotification(const std::string& title,
                                                                     const std::string& message, unsigned state,
                                                                     double duration)
{
    auto item = std::make_shared<FeedbackItem>(title, message, state);
    showEditorNotification(item, duration);
    return item;
}

std::shared_ptr<FeedbackItem> FeedbackCenter::showEditorMessage(const std::string& message, unsigned state,
                                                                double duration)
{
    return showEditorNotification(std::string(), message, state, duration);
}
