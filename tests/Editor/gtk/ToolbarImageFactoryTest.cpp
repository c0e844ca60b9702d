#include "Editor/gtk/ToolbarImageFactory.h"
#include "Editor/TwToolbar.h"
#include "Editor/gtk/SegmentedControlWidget.h"
#include "GtkTestSupport.h"
#include "support/PixelProbe.h"
#include "support/RecordingResponder.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>

TEST(ToolbarImageFactoryTest, EveryPictureTheToolbarNamesIsOnScreen)
{
    initGtkForTests();
    // The whole table, then every segment of every item the toolbar can make (the table must not
    // miss one a segment names).
    auto theme = Gtk::IconTheme::get_default();
    for (const ToolbarImageRow& row : toolbarImageRows()) {
        if (row.iconName) {
            EXPECT_TRUE(theme->has_icon(row.iconName)) << row.name << " -> " << row.iconName;
        } else {
            auto picture = ToolbarImageFactory::picture(row, 2);
            ASSERT_TRUE(picture) << row.name;
            EXPECT_EQ(32, picture->get_width()) << row.name;
        }
    }
    TwToolbar::setSearchFieldFactory(nullptr);
    TwToolbar toolbar({});
    for (const std::string& identifier : TwToolbar::allowedItemIdentifiers()) {
        std::unique_ptr<TwToolbarItem> item = toolbar.makeItem(identifier, false);
        if (!item || !item->segmentedItem()) continue;
        for (const auto& segment : item->segmentedItem()->controlItem().segments()) {
            Gtk::Image image;
            EXPECT_TRUE(ToolbarImageFactory::setImage(image, segment->image(), 1))
                << identifier << ": " << segment->image();
            EXPECT_NE(Gtk::IMAGE_EMPTY, image.get_storage_type()) << segment->image();
        }
    }
    Gtk::Image unknown;
    EXPECT_FALSE(ToolbarImageFactory::setImage(unknown, "no such picture", 1));
    EXPECT_EQ(Gtk::IMAGE_EMPTY, unknown.get_storage_type());
}

TEST(ToolbarImageFactoryTest, HoldingTheHistoryButtonOpensItsMenuAndTheReleaseDoesNotGoBack)
{
    initGtkForTests();
    std::vector<std::string> log;
    RecordingResponder documentController("documentController", log);
    documentController.handle("navigateBackward:");
    TwToolbar::Context context;
    context.documentController = &documentController;
    TwToolbar toolbar(context);
    std::unique_ptr<TwToolbarItem> item = toolbar.makeItem("Navigate MindMap", true);
    SegmentedControlWidget widget(item->segmentedItem()->controlItem());
    // A real window: the held button's menu pops up over it.
    Gtk::Window window;
    window.add(widget);
    window.show_all();
    drainGtkEvents();

    widget.button(0).clicked();
    EXPECT_EQ(std::vector<std::string>{"documentController navigateBackward:"}, log) << "a click goes back";
    widget.holdSegment(0);
    widget.button(0).clicked();
    EXPECT_EQ(1u, log.size()) << "the release after the hold is no click";
    widget.button(0).clicked();
    EXPECT_EQ(2u, log.size());
    window.remove();
}

namespace {

// The colour of the most opaque pixel of the picture an image shows, 0..255 and unpremultiplied:
// the ink of a drawn picture's strokes.
std::array<int, 3> inkOf(Gtk::Image& image)
{
    Cairo::RefPtr<Cairo::Surface> shown = image.property_surface();
    cairo_surface_t* surface = shown ? shown->cobj() : nullptr;
    if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return {-1, -1, -1};
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    uint32_t best = 0;
    for (int y = 0; y < cairo_image_surface_get_height(surface); ++y)
        for (int x = 0; x < cairo_image_surface_get_width(surface); ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, data + y * stride + 4 * x, 4);
            if ((pixel >> 24) > (best >> 24)) best = pixel;
        }
    const int alpha = int(best >> 24);
    if (alpha == 0) return {-1, -1, -1};
    return {int(best >> 16 & 0xff) * 255 / alpha, int(best >> 8 & 0xff) * 255 / alpha, int(best & 0xff) * 255 / alpha};
}

std::array<int, 3> textColourOf(Gtk::Widget& widget)
{
    const Gdk::RGBA color = widget.get_style_context()->get_color(widget.get_state_flags());
    return {int(std::lround(color.get_red() * 255)), int(std::lround(color.get_green() * 255)),
            int(std::lround(color.get_blue() * 255))};
}

bool near(const std::array<int, 3>& a, const std::array<int, 3>& b)
{
    for (size_t i = 0; i < 3; ++i)
        if (std::abs(a[i] - b[i]) > 3) return false;
    return true;
}

} // namespace

// A drawn picture sits among symbolic icons, which GTK paints in the text colour: on a dark theme
// a picture drawn in dark grey would vanish into its button.
TEST(ToolbarImageFactoryTest, ADrawnPictureTakesTheThemesTextColourAndAColouredOneKeepsItsColour)
{
    initGtkForTests();
    Glib::RefPtr<Gtk::Settings> settings = Gtk::Settings::get_default();
    const Glib::ustring theme = settings->property_gtk_theme_name();
    const bool preferDark = settings->property_gtk_application_prefer_dark_theme();
    Gtk::Window window;
    Gtk::Box box;
    Gtk::Button shape, coloured;
    Gtk::Image shapeImage, colouredImage;
    shape.add(shapeImage);
    coloured.add(colouredImage);
    box.add(shape);
    box.add(coloured);
    window.add(box);
    ASSERT_TRUE(ToolbarImageFactory::setImage(shapeImage, "add-child", 1));
    ASSERT_TRUE(ToolbarImageFactory::setImage(colouredImage, "fill_color", 1));
    window.show_all();
    struct Case {
        const char* what;
        bool dark;
    };
    for (const Case& c : {Case{"dark theme", true}, Case{"light theme", false}, Case{"dark again", true}}) {
        SCOPED_TRACE(c.what);
        settings->property_gtk_theme_name() = "Adwaita";
        settings->property_gtk_application_prefer_dark_theme() = c.dark;
        const std::array<int, 3> text = textColourOf(shapeImage);
        EXPECT_EQ(c.dark, text[0] > 128) << "the theme's text is light on a dark theme";
        // The new style reaches the widgets with GTK's next frame.
        EXPECT_TRUE(runMainLoopUntil([&] { return near(text, inkOf(shapeImage)); }, std::chrono::seconds(10)))
            << "the topic, its line and the plus are drawn in the text colour";
        // The fill colour's sample: the middle of its box.
        Cairo::RefPtr<Cairo::Surface> sample = colouredImage.property_surface();
        ASSERT_TRUE(sample);
        EXPECT_EQ((Rgb{255, 204, 102}), pixelAt(sample->cobj(), 8, 8)) << "a colour stays the colour it shows";
    }
    settings->property_gtk_theme_name() = theme;
    settings->property_gtk_application_prefer_dark_theme() = preferDark;
    window.remove();
    drainGtkEvents();
}
