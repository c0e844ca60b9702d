#include "store/HistoryPoint.h"

#include "Utils/StringUtils.h"

HistoryPoint::HistoryPoint(std::string provider, std::string mindMap)
    : _provider(std::move(provider)), _mindMap(std::move(mindMap))
{
}

bool HistoryPoint::isEqualTo(const std::string& provider, const std::string& mindMap) const
{
    if (provider.empty() || mindMap.empty()) return false;
    return provider == _provider && caseInsensitiveEqual(mindMap, _mindMap);
}
