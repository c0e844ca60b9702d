#include "MindMaps/MindMapSearchData.h"

#include "Utils/StringUtils.h"

MindMapSearchData::MindMapSearchData(const std::string& searchText)
    : _searchText(lowercased(searchText)), _date(std::chrono::system_clock::now())
{
}

void MindMapSearchData::setSearchText(const std::string& text)
{
    _searchText = lowercased(text);
}

void MindMapSearchData::setDate(std::optional<Date> date)
{
    Date value = date.value_or(std::chrono::system_clock::now());
    if (value != _date) _date = value;
}

void MindMapSearchData::assign(const MindMapSearchData& other)
{
    setSearchText(other.searchText());
    setIcon(other.icon());
    setCheckedState(other.checkedState());
    setDate(other.date());
    setEarlierDate(other.earlierDate());
    setScope(other.scope());
}

void MindMapSearchData::clear()
{
    setSearchText(std::string());
    setIcon(std::string());
    setDate(std::nullopt);
    setEarlierDate(false);
    setCheckedState(0);
    setScope(0);
}

bool MindMapSearchData::isEqual(const MindMapSearchData& other) const
{
    if (_scope != other._scope) return false;
    if ((_scope & SearchScopeText) && _searchText != other._searchText) return false;
    if ((_scope & SearchScopeIcon) && _icon != other._icon) return false;
    if ((_scope & SearchScopeCheckedState) && _checkedState != other._checkedState) return false;
    if ((_scope & SearchScopeDate) && (_date != other._date || _earlierDate != other._earlierDate)) return false;
    return true;
}
