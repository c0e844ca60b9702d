#include "MindMaps/DiagramLink.h"
#include "MindMaps/NodeIcon.h"
#include "MindMaps/PalletizedColorScheme.h"
#include "platform/Image.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

double relativeLuminance(double r, double g, double b)
{
    const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
}

// How far the picture, drawn over the fill, stands out from it: the luminance contrast ratio of
// its opaque pixels to the fill, on average.
double meanContrast(const Image& picture, const Color& fill)
{
    const unsigned char* data = cairo_image_surface_get_data(picture.surface());
    const int stride = cairo_image_surface_get_stride(picture.surface());
    const double fillLuminance = relativeLuminance(fill.red(), fill.green(), fill.blue());
    int opaque = 0;
    double sum = 0;
    for (int y = 0; y < picture.pixelHeight(); ++y)
        for (int x = 0; x < picture.pixelWidth(); ++x) {
            const auto pixel = *reinterpret_cast<const uint32_t*>(data + y * stride + 4 * x);
            const double alpha = (pixel >> 24) / 255.0;
            if (alpha < 0.5) continue;
            ++opaque;
            // Premultiplied: the picture's share of each channel plus the fill's share.
            const auto over = [&](int shift, double under) {
                return ((pixel >> shift) & 0xff) / 255.0 + under * (1 - alpha);
            };
            const double luminance =
                relativeLuminance(over(16, fill.red()), over(8, fill.green()), over(0, fill.blue()));
            sum += (std::max(luminance, fillLuminance) + 0.05) / (std::min(luminance, fillLuminance) + 0.05);
        }
    return opaque ? sum / opaque : 0;
}

} // namespace

// A topic's link picture sits on the topic's own colour. On every colour of the palette new maps
// start with, and on white, the picture of a link to a cloud map stands out at least as well as
// those of links to local maps and to web pages.
TEST(LinkPictureTest, TheCloudMapsLinkPictureIsAsReadableAsTheOtherLinkPictures)
{
    const auto picture = [](const char* name) {
        std::shared_ptr<const Image> image = NodeIcon::applicationImageNamed(name);
        if (!image) ADD_FAILURE() << "no picture " << name;
        return image;
    };
    const auto cloud = picture(DiagramLink::CloudMapIconName);
    const auto local = picture(DiagramLink::LocalMapIconName);
    const auto web = picture(DiagramLink::URLIconName);
    ASSERT_TRUE(cloud && local && web);
    std::vector<Color> fills = BrightPaletteColorScheme().fillColors();
    ASSERT_FALSE(fills.empty());
    fills.push_back(Color::white());
    for (const Color& fill : fills) {
        SCOPED_TRACE(std::to_string(fill.red()) + "," + std::to_string(fill.green()) + "," +
                     std::to_string(fill.blue()));
        EXPECT_GE(meanContrast(*cloud, fill), std::min(meanContrast(*local, fill), meanContrast(*web, fill)));
    }
}
