#include "FuzzHome.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/TopicDepthLimit.h"
#include "formats/DocumentLimits.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/ZipDetection.h"
#include "store/CustomImageStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

// Checks arbitrary bytes against the document limits as an upload is checked, then reads them as
// the open road does: the check and the reader must agree on the depth. What the check lets
// through is never refused by the reader for its depth, and what it refuses for its depth the
// reader refuses as well.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool registered = (registerNativeFormat(), registerForeignFormats(), true);
    (void)registered;
    static const auto store = std::make_shared<CustomImageStore>();
    const MindMapData bytes(data, data + size);

    Error refusal;
    const bool accepted = DocumentLimits::acceptsData(bytes, &refusal);
    if (!accepted && refusal.isEmpty()) std::abort();
    if (hasPKZIPSignature(bytes)) return 0;

    const int32_t format = MindMap::detectMindMapFormat(bytes);
    if (format != int32_t(MindMapReadFormat::Native) && format != int32_t(MindMapReadFormat::PropertyList)) return 0;
    MindMap map(store);
    Error error;
    const bool read = map.readFromData(bytes, "0123456789ABCDEF01234567", format, &error);
    const bool tooDeep = !read && error.code == TopicDepthLimit::RefusedErrorCode;
    if (accepted == tooDeep) std::abort();
    return 0;
}
