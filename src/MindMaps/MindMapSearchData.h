#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// The criteria in force in a search.
enum MindMapSearchScope : uint32_t {
    SearchScopeText = 1,
    SearchScopeIcon = 2,
    SearchScopeCheckedState = 4,
    SearchScopeDate = 8,
};

// The criteria of one search over a map: a text, an icon, a checkbox state and a date, with a
// scope that says which of them take part. A plain value.
class MindMapSearchData {
public:
    using Date = std::chrono::system_clock::time_point;

    explicit MindMapSearchData(const std::string& searchText = std::string());

    // Kept in lower case (Unicode-aware).
    const std::string& searchText() const { return _searchText; }
    void setSearchText(const std::string& text);

    const std::string& icon() const { return _icon; }
    void setIcon(const std::string& icon) { _icon = icon; }

    int32_t checkedState() const { return _checkedState; }
    void setCheckedState(int32_t state) { _checkedState = state; }

    // No date means now.
    Date date() const { return _date; }
    void setDate(std::optional<Date> date);

    // With the date criterion: true selects dates on or before the date, false on or after it.
    bool earlierDate() const { return _earlierDate; }
    void setEarlierDate(bool earlierDate) { _earlierDate = earlierDate; }

    uint32_t scope() const { return _scope; }
    void setScope(uint32_t scope) { _scope = scope; }

    void assign(const MindMapSearchData& other);
    void clear();
    bool isEmpty() const { return _scope == 0; }

    // Equal scopes and, for each criterion in the scope, equal values; what lies outside the scope
    // is not compared.
    bool isEqual(const MindMapSearchData& other) const;
    friend bool operator==(const MindMapSearchData& a, const MindMapSearchData& b) { return a.isEqual(b); }

private:
    bool _earlierDate = false;
    int32_t _checkedState = 0;
    std::string _searchText;
    std::string _icon;
    Date _date;
    uint32_t _scope = 0;
};
