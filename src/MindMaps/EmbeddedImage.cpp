#include "MindMaps/EmbeddedImage.h"

#include <algorithm>
#include <cmath>

EmbeddedImage::EmbeddedImage(MindMapNode* node, const std::string& imageName, Size margins)
    : CustomIcon(node, margins, DeferredLoading{})
{
    loadInitialImage(imageName);
}

void EmbeddedImage::initialize()
{
    _scale = DefaultScale;
}

void EmbeddedImage::setScale(double scale)
{
    if (std::isnan(scale)) return;
    const double clamped = std::clamp(scale, MinimumScale, MaximumScale);
    if (clamped == _scale) return;
    _scale = clamped;
    updateSize();
}
