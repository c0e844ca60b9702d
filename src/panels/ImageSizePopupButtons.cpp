#include "panels/ImageSizePopupButtons.h"

size_t ImageSizePopupButtons::indexForImageSize(Items items, int64_t size)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].size >= size) return i;
    return 0;
}

int64_t ImageSizePopupButtons::imageSizeAt(Items items, long index)
{
    if (items.empty()) return 0;
    if (index < 0 || static_cast<size_t>(index) >= items.size()) return items.front().size;
    return items[static_cast<size_t>(index)].size;
}
