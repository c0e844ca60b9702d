#include "MindMaps/StylePresetPainter.h"

namespace {

StylePresetPainter*& installedPainter()
{
    static StylePresetPainter* painter = nullptr;
    return painter;
}

} // namespace

StylePresetPainter* StylePresetPainter::installed()
{
    return installedPainter();
}

void StylePresetPainter::install(StylePresetPainter* painter)
{
    installedPainter() = painter;
}
