#include "Editor/FeedbackController.h"

#include "Editor/CommandRouter.h"
#include "platform/Localizer.h"
#include "platform/Pasteboard.h"
#include "platform/TextExcerpt.h"
#include "store/EditorInterface.h"
#include "store/MindMapProviders.h"

#include <ctime>

namespace {

std::string formatLocalTime(std::chrono::system_clock::time_point when, const char* format)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[128];
    const size_t length = std::strftime(text, sizeof text, format, &local);
    return std::string(text, length);
}

std::string joinedLines(const std::string& text)
{
    std::string line = text;
    for (char& c : line)
        if (c == '\n') c = ' ';
    return line;
}

} // namespace

FeedbackController::FeedbackController(FeedbackCenter& center) : _center(center)
{
    addAction("showDetails:", [this](const ActionSender*) {
        if (_table) showDetailsForItemAtIndex(_table->selectedRow());
    });
    addAction("copy:", [this](const ActionSender*) {
        auto item = selectedItem();
        if (!item) return;
        Pasteboard& pasteboard = Pasteboard::generalPasteboard();
        pasteboard.declareTypes({Pasteboard::StringType});
        pasteboard.setString(formatText("%@\n\n%@", {item->title(), item->message()}), Pasteboard::StringType);
    });
    addAction("deleteSelected:", [this](const ActionSender*) {
        if (_table) _center.deleteAtIndex(_table->selectedRow());
    });
    addAction("clear:", [this](const ActionSender*) { _center.clearFeedbackItems(); });
    addAction("navigateToMindMap:", [this](const ActionSender*) {
        auto item = selectedItem();
        if (!item || item->guid().empty()) return;
        EditorInterfaceInstance()->openStorage(MindMapProviders::localProvider(), item->guid(), {});
    });
}

FeedbackController::~FeedbackController()
{
    setTable(nullptr);
}

void FeedbackController::setTable(FeedbackLogTable* table)
{
    if (table == _table) return;
    _observation = {};
    _table = table;
    if (!_table) return;
    _observation = NotificationCenter::defaultCenter().addObserver(
        FeedbackCenterChangedNotification, &_center, [this](const Notification&) { feedbackCenterChanged(); });
    _table->reloadData();
}

void FeedbackController::feedbackCenterChanged()
{
    if (_table) _table->reloadData();
}

std::shared_ptr<FeedbackItem> FeedbackController::itemAtRow(int64_t row) const
{
    if (row < 0 || row >= numberOfRows()) return nullptr;
    return _center.items()[static_cast<size_t>(row)];
}

std::shared_ptr<FeedbackItem> FeedbackController::selectedItem() const
{
    return _table ? itemAtRow(_table->selectedRow()) : nullptr;
}

std::string FeedbackController::rowText(const FeedbackItem& item)
{
    return TextExcerpt::excerpt(joinedLines(formatText("%@ %@", {item.title(), item.message()})), TextExcerpt::Name);
}

std::string FeedbackController::rowImage(const FeedbackItem& item)
{
    if (!item.image().empty()) return item.image();
    switch (item.state()) {
    case FeedbackStateInformation:
        return "status-available";
    case FeedbackStateWarning:
        return "status-partially-available";
    case FeedbackStateError:
        return "status-unavailable";
    default:
        return "globe-16";
    }
}

std::string FeedbackController::rowTime(const FeedbackItem& item)
{
    return formatLocalTime(item.timeStamp(), "%X");
}

AlertPanel::Request FeedbackController::detailsRequest(const FeedbackItem& item)
{
    AlertPanel::Request request;
    request.style = AlertPanel::Style::Informational;
    request.messageText = item.title();
    request.informativeText = formatText("%@\n\n%@", {item.message(), formatLocalTime(item.timeStamp(), "%A %x %X")});
    request.buttons.push_back({localized("ok_button_title"), "\r"});
    return request;
}

void FeedbackController::showDetailsForItemAtIndex(int64_t index)
{
    auto item = itemAtRow(index);
    if (item) AlertPanel::shared().runModal(detailsRequest(*item));
}

void FeedbackController::tableDoubleClicked(int64_t clickedRow, int64_t clickedColumn)
{
    if (clickedColumn >= 0) showDetailsForItemAtIndex(clickedRow);
}

ItemValidation FeedbackController::validateUserInterfaceItem(const ValidatedUserInterfaceItem& item)
{
    if (!CommandRouter::shared().isRunning()) return ItemValidation::enabledIf(false);
    const std::string action = item.action();
    if (action == "copy:" || action == "showDetails:" || action == "deleteSelected:")
        return ItemValidation::enabledIf(selectedItem() != nullptr);
    if (action == "clear:") return ItemValidation::enabledIf(_center.count() > 0);
    if (action == "navigateToMindMap:") {
        auto selected = selectedItem();
        return ItemValidation::enabledIf(selected && !selected->guid().empty());
    }
    return ItemValidation::enabledIf(false);
}
