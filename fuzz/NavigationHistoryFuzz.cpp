#include "FuzzHome.h"

#include "store/HistoryList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

// The navigation history file as the recent list reads it at start: whatever it holds, reading
// gives a list that obeys the list's own rules, and writing that list back reads as the same list.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::optional<std::vector<HistoryPoint>> points =
        RecentHistoryList::unarchivePoints(PropertyList::Data(data, data + size));
    if (!points) return 0;
    if (points->size() > RecentHistoryList::MaximumPoints) std::abort();
    for (size_t i = 0; i < points->size(); ++i) {
        if ((*points)[i].provider().empty() || (*points)[i].mindMap().empty()) std::abort();
        for (size_t j = 0; j < i; ++j)
            if ((*points)[i].isEqualToPoint((*points)[j])) std::abort();
    }
    std::optional<std::vector<HistoryPoint>> again =
        RecentHistoryList::unarchivePoints(RecentHistoryList::archivePoints(*points));
    if (!again || again->size() != points->size()) std::abort();
    for (size_t i = 0; i < points->size(); ++i)
        if ((*again)[i].provider() != (*points)[i].provider() || (*again)[i].mindMap() != (*points)[i].mindMap())
            std::abort();
    return 0;
}
