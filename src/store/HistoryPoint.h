#pragma once

#include "formats/SelectionParcel.h"

#include <optional>
#include <string>

// A place the user visited: a map of a provider and, while the process runs, the selection it had
// when the user left it. Only the two ids outlive the process.
class HistoryPoint {
public:
    HistoryPoint(std::string provider, std::string mindMap);
    static HistoryPoint historyPoint(const std::string& provider, const std::string& mindMap)
    {
        return HistoryPoint(provider, mindMap);
    }

    bool isEqualToPoint(const HistoryPoint& other) const { return isEqualTo(other._provider, other._mindMap); }
    // Provider ids are compared exactly: cloud services are told apart by case. Map ids ignore case,
    // as GUIDs are written either way.
    bool isEqualTo(const std::string& provider, const std::string& mindMap) const;

    const std::string& provider() const { return _provider; }
    void setProvider(const std::string& provider) { _provider = provider; }
    const std::string& mindMap() const { return _mindMap; }
    void setMindMap(const std::string& mindMap) { _mindMap = mindMap; }
    // Empty for points read back from the history file.
    const std::optional<SelectionParcel>& selectionParcel() const { return _selectionParcel; }
    void setSelectionParcel(std::optional<SelectionParcel> parcel) { _selectionParcel = std::move(parcel); }

private:
    std::string _provider;
    std::string _mindMap;
    std::optional<SelectionParcel> _selectionParcel;
};

// The info of an open request that comes from going back: the selection to restore, and the mark
// that the place being left must not be pushed again.
class HistoryStackParcel {
public:
    explicit HistoryStackParcel(SelectionParcel parcel) : _parcel(std::move(parcel)) {}
    const SelectionParcel& parcel() const { return _parcel; }
    void setParcel(SelectionParcel parcel) { _parcel = std::move(parcel); }

private:
    SelectionParcel _parcel;
};
