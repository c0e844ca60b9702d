#pragma once

#include "Editor/FeedbackCenter.h"
#include "platform/AlertPanel.h"
#include "platform/NotificationCenter.h"
#include "platform/Responder.h"

#include <cstdint>
#include <memory>
#include <string>

// What the controller needs of the log's table; the GTK log view implements it.
class FeedbackLogTable {
public:
    virtual ~FeedbackLogTable() = default;
    virtual void reloadData() = 0;
    // -1 for none.
    virtual int64_t selectedRow() const = 0;
};

// Shows the feedback centre's log in a table, one row per item, newest first, and handles the
// log's actions: details, copy, delete, clear and going to the map an item is about.
class FeedbackController : public Responder {
public:
    static constexpr const char* CellIdentifier = "FeedbackCellView";
    static constexpr double RowHeight = 14.0;

    explicit FeedbackController(FeedbackCenter& center = FeedbackCenter::feedbackCenter());
    ~FeedbackController() override;
    FeedbackController(const FeedbackController&) = delete;
    FeedbackController& operator=(const FeedbackController&) = delete;

    // Not owned. A table set before is let go; the new one is loaded at once and reloaded on every
    // change of the log.
    void setTable(FeedbackLogTable* table);
    FeedbackLogTable* table() const { return _table; }
    void feedbackCenterChanged();

    int64_t numberOfRows() const { return static_cast<int64_t>(_center.count()); }
    // nullptr for a row outside the log.
    std::shared_ptr<FeedbackItem> itemAtRow(int64_t row) const;
    // Title and message on one line.
    static std::string rowText(const FeedbackItem& item);
    // The item's own image, else that of its level.
    static std::string rowImage(const FeedbackItem& item);
    // The time of day the item was made, as the user's locale writes it.
    static std::string rowTime(const FeedbackItem& item);
    // The alert that shows one item in full.
    static AlertPanel::Request detailsRequest(const FeedbackItem& item);

    void showDetailsForItemAtIndex(int64_t index);
    void tableDoubleClicked(int64_t clickedRow, int64_t clickedColumn);

    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override;

private:
    std::shared_ptr<FeedbackItem> selectedItem() const;

    FeedbackCenter& _center;
    FeedbackLogTable* _table = nullptr;
    ObservationToken _observation;
};
