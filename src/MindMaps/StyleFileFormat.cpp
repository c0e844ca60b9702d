#include "MindMaps/StyleFileFormat.h"

namespace {

StyleFileFormat*& installedFormat()
{
    static StyleFileFormat* format = nullptr;
    return format;
}

} // namespace

StyleFileFormat* StyleFileFormat::installed()
{
    return installedFormat();
}

void StyleFileFormat::install(StyleFileFormat* format)
{
    installedFormat() = format;
}
