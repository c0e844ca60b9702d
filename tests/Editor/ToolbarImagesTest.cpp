#include "Editor/ToolbarImages.h"
#include "Editor/StylePictures.h"
#include "Editor/StyleToolsBuilder.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/Menu.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(ToolbarImagesTest, EveryNameIsEitherAThemedIconOrADrawnPictureAndNamedOnce)
{
    std::set<std::string> names;
    for (const ToolbarImageRow& row : toolbarImageRows()) {
        ASSERT_TRUE(row.name);
        EXPECT_TRUE(names.insert(row.name).second) << "twice: " << row.name;
        EXPECT_NE(row.iconName == nullptr, row.draw == nullptr) << row.name;
        EXPECT_EQ(&row, toolbarImage(row.name));
    }
    EXPECT_EQ(nullptr, toolbarImage(""));
    EXPECT_EQ(nullptr, toolbarImage("save "));
}

TEST(ToolbarImagesTest, DrawnPicturesStayInsideTheirBoxAndShowSomething)
{
    // Drawn twice the size and with a margin, so that anything beyond the box shows up.
    constexpr int Scale = 2, Margin = 8, Side = 16 * Scale + 2 * Margin;
    for (const ToolbarImageRow& row : toolbarImageRows()) {
        if (!row.draw) continue;
        SCOPED_TRACE(row.name);
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, Side, Side);
        cairo_t* cr = cairo_create(surface);
        {
            CairoGraphicsContext context(cr, GraphicsSurfaceKind::Bitmap);
            context.translate(Margin, Margin);
            context.scale(Scale, Scale);
            row.draw(context, {0, 0, ToolbarPictureSize, ToolbarPictureSize}, row.name, ToolbarDefaultInk);
            EXPECT_FALSE(context.hasFailed());
        }
        cairo_surface_flush(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        int inside = 0, outside = 0;
        for (int y = 0; y < Side; ++y)
            for (int x = 0; x < Side; ++x) {
                const unsigned char alpha = data[y * stride + 4 * x + 3];
                if (alpha == 0) continue;
                const bool in = x >= Margin - 1 && x <= Side - Margin && y >= Margin - 1 && y <= Side - Margin;
                ++(in ? inside : outside);
            }
        EXPECT_GT(inside, 40);
        EXPECT_EQ(0, outside);
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
}

TEST(ToolbarImagesTest, TheStyleToolbarsPicturesAreInTheSameTable)
{
    for (const std::string& name : StylePictures::names()) {
        const ToolbarImageRow* row = toolbarImage(name);
        ASSERT_TRUE(row) << name;
        EXPECT_TRUE(row->draw) << name;
    }
    size_t names = 0;
    const auto expectRow = [&](const std::string& name) {
        ++names;
        EXPECT_TRUE(toolbarImage(name)) << "no picture for " << name;
    };
    for (const auto& control : StyleToolsBuilder::buildStyleTools({})) {
        for (const auto& segment : control->segments()) expectRow(segment->image());
        for (size_t s = 0; s < control->segments().size(); ++s)
            if (Menu* menu = control->segmentedControl().menu(s))
                for (const auto& item : menu->items())
                    if (!item->imageName().empty()) expectRow(item->imageName());
    }
    EXPECT_GT(names, 60u);
}
