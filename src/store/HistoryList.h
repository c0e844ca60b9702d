#pragma once

#include "platform/Error.h"
#include "platform/PropertyList.h"
#include "store/HistoryPoint.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// An ordered list of visited places that keeps itself right against the registered providers:
// it follows map id changes and forgets deleted maps and removed providers.
class HistoryList {
public:
    virtual ~HistoryList() = default;

    size_t count() const { return _items.size(); }
    const std::vector<HistoryPoint>& items() const { return _items; }

    // Drops points whose provider is missing or disabled or rejects the map id, walking from the
    // last item down. Without checkAll the walk ends at the first valid point, so only the end the
    // caller is about to use is vouched for.
    const std::vector<HistoryPoint>& validate(bool checkAll);
    void mindMapIdChanged(const std::string& providerId, const std::string& oldId, const std::string& newId);
    // True when a point was removed.
    bool removeFromHistory(const HistoryPoint& point);
    void removeProvider(const std::string& providerId);

protected:
    std::vector<HistoryPoint> _items;
};

// The places to go back to; the top is the last item.
class HistoryStack : public HistoryList {
public:
    static constexpr size_t MaximumPoints = 32;

    void push(HistoryPoint point);
    std::optional<HistoryPoint> pop();
};

// The maps opened lately, newest first; it survives restarts in the history file.
class RecentHistoryList : public HistoryList {
public:
    static constexpr size_t MaximumPoints = 20;
    // Twenty points take a few kilobytes: a far larger file is not read, as a damaged one is not.
    static constexpr uint64_t MaximumFileSize = uint64_t(1) << 20;
    static constexpr const char* HistoryFileName = "navigation-history.bin";
    static constexpr const char* ProviderKey = "provider";
    static constexpr const char* MindMapKey = "mindMap";

    // Moves an equal point to the front instead of listing it twice.
    void addPoint(HistoryPoint point);

    // In the store's application-support folder (made, with the store, when missing); empty when
    // there is no place for it.
    static std::string historyFileName();
    // Replaces the history file; a failed write leaves the old file and is not reported further.
    bool saveNavigationHistory(Error* error = nullptr) const;
    // A missing or unreadable file leaves the list as it was; the file itself is left alone.
    bool loadNavigationHistory(Error* error = nullptr);

    // The history file's content: a keyed archive whose root is the points, newest first, each
    // with the keys "provider" and "mindMap". Selections are not kept.
    static PropertyList::Data archivePoints(const std::vector<HistoryPoint>& points);
    // Nothing, with the cause, for data that is not such an archive. Points without both ids are
    // left out, and no more points are taken than the list holds.
    static std::optional<std::vector<HistoryPoint>> unarchivePoints(const PropertyList::Data& data,
                                                                    Error* error = nullptr);
};
