#include "Utils/ImageUtils.h"

bool ImageSizeWithinMemoryLimit(int64_t width, int64_t height)
{
    if (width < 0 || height < 0) return false;
    if (width == 0 || height == 0) return true;
    // width * 4 * height <= limit, by division so that no product can overflow.
    return width <= ImageMemoryLimitBytes / 4 / height;
}

Size getRepresentationSize(Size nominal, const std::vector<Size>& representationPixelSizes)
{
    Size size = nominal;
    for (const Size& pixels : representationPixelSizes) {
        if (pixels.width > size.width) size = pixels;
    }
    return size;
}
