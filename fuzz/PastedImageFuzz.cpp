#include "FuzzHome.h"

// Arbitrary bytes pasted or dropped as a picture: the first byte chooses the longest side that is
// kept. The picture must come back no larger than that, and the size it declared no smaller than
// what was kept.
#include "platform/Image.h"
#include "platform/ImagePasteboard.h"
#include "platform/Pasteboard.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const int maxSide = data[0] * 4;
    const std::vector<uint8_t> bytes(data + 1, data + size);
    MemoryPasteboard pasteboard;
    pasteboard.declareTypes({"image/png"});
    pasteboard.setData(bytes, "image/png");
    const Image image = ImagePasteboard::imageFromPasteboard(pasteboard, maxSide);
    if (image.isNull()) return 0;
    if (maxSide > 0 && std::max(image.pixelWidth(), image.pixelHeight()) > maxSide) std::abort();
    const Size source = image.sourcePixelSize();
    if (source.width < image.pixelWidth() || source.height < image.pixelHeight()) std::abort();
    if (source.width * source.height > double(Image::MaxPixelCount)) std::abort();
    return 0;
}
