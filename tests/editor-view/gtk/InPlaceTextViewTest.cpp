#include "editor-view/gtk/InPlaceTextView.h"
#include "editor-view/gtk/MindMapEditorCanvas.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeStyle.h"
#include "platform/Clock.h"
#include "platform/MainLoop.h"
#include "platform/Pasteboard.h"
#include "platform/gtk/MainLoopScheduler.h"

#include "support/DisplayRequirement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// Where the dark pixels of a region lie on average, weighted by their darkness.
struct InkCentre {
    double x = 0;
    double y = 0;
    double ink = 0;
};

InkCentre inkCentre(const Glib::RefPtr<Gdk::Pixbuf>& pixbuf, const Gdk::Rectangle& area)
{
    InkCentre centre;
    for (int y = area.get_y(); y < area.get_y() + area.get_height(); ++y)
        for (int x = area.get_x(); x < area.get_x() + area.get_width(); ++x) {
            const guint8* p = pixbuf->get_pixels() + y * pixbuf->get_rowstride() + x * pixbuf->get_n_channels();
            const double darkness = 255.0 - (p[0] + p[1] + p[2]) / 3.0;
            if (darkness < 60) continue;
            centre.x += x * darkness;
            centre.y += y * darkness;
            centre.ink += darkness;
        }
    if (centre.ink > 0) {
        centre.x /= centre.ink;
        centre.y /= centre.ink;
    }
    return centre;
}

// A window on the display with the canvas in an overlay, as the main window has it, showing a map
// of one central theme in black text on white.
class InPlaceTextViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        Gtk::Main::init_gtkmm_internals();
        canvas = std::make_unique<MindMapEditorCanvas>(&scheduler, MonotonicClock::shared());
        overlay = std::make_unique<Gtk::Overlay>();
        window = std::make_unique<Gtk::Window>();
        window->set_default_size(640, 360);
        overlay->add(*canvas);
        window->add(*overlay);
        map->newMindMap("", true, std::string("Theme"));
        theme = map->mainCentralTheme();
        NodeStyle* style = theme->style();
        style->setFillColor(Color::white());
        style->setTextColor(Color::black());
        style->setPropCustomized(TextStyle::FillColorMask | TextStyle::TextColorMask, true);
        map->style()->setBackgroundColor(Color::white());
        map->style()->setPropCustomized(MindMapStyle::BackgroundColorMask, true);
        canvas->editorView().setMindMap(map);
        window->show_all();
        canvas->editorView().scrollMapPointToCenter(theme->location());
        waitForDrawing();
    }

    void TearDown() override
    {
        if (canvas) canvas->editorView().setMindMap(nullptr);
        canvas.reset();
        overlay.reset();
        window.reset();
    }

    void waitForDrawing()
    {
        const int drawn = canvas->drawCount();
        canvas->queue_draw();
        ASSERT_TRUE(MainLoop::runUntil([&] { return canvas->drawCount() > drawn; }, 10));
        MainLoop::runFor(0.2);
    }

    // What the display shows of the window. TARNWICK_CANVAS_SCREENSHOT names a PNG to write.
    Glib::RefPtr<Gdk::Pixbuf> screenshot()
    {
        auto pixbuf = Gdk::Pixbuf::create(window->get_window(), 0, 0, 640, 360);
        if (const char* path = std::getenv("TARNWICK_CANVAS_SCREENSHOT"); path && pixbuf) pixbuf->save(path, "png");
        return pixbuf;
    }

    // The theme's text in view space, widened by a few pixels for the glyphs' edges.
    Gdk::Rectangle textArea()
    {
        const Rect text = canvas->editorView().mapRectToViewRect(theme->textBounds());
        int x = 0, y = 0;
        canvas->translate_coordinates(*window, int(std::floor(text.minX())), int(std::floor(text.minY())), x, y);
        return Gdk::Rectangle(x - 3, y - 1, int(std::ceil(text.width())) + 6, int(std::ceil(text.height())) + 2);
    }

    MainLoopScheduler scheduler{MonotonicClock::shared()};
    std::unique_ptr<Gtk::Window> window;
    std::unique_ptr<Gtk::Overlay> overlay;
    std::unique_ptr<MindMapEditorCanvas> canvas;
    std::shared_ptr<MindMap> map = std::make_shared<MindMap>();
    MindMapNode* theme = nullptr;
};

} // namespace

// The edited text lies on the painted text: the ink of the two agrees to a fraction of a pixel,
// for each alignment, at a zoom that puts the text between pixels.
TEST_F(InPlaceTextViewTest, TheEditedTextCoversThePaintedText)
{
    MindMapEditor& view = canvas->editorView();
    struct Case {
        const char* text;
        int32_t alignment;
        double zoom;
    };
    const Case cases[] = {
        {"Welcome", 0, 1.0},
        {"Double click edits text", 0, 1.0},
        {"Double click edits text", 1, 1.0},
        {"Double click edits text", 2, 1.0},
        {"iiii Wyg mmmm", 0, 1.37},
        {"Two lines\nof text here", 0, 1.0},
        {"Two lines\nof text here", 2, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " alignment " + std::to_string(c.alignment) + " zoom " +
                     std::to_string(c.zoom));
        theme->setText(c.text);
        theme->style()->setAlignment(c.alignment);
        theme->style()->setPropCustomized(TextStyle::AlignmentMask, true);
        view.setUserScaleFactor(c.zoom);
        map->setSelectedElement(nullptr);
        map->validateElementStates();
        view.scrollMapPointToCenter(theme->location() + Point(0.37, 0.21));
        waitForDrawing();
        const Gdk::Rectangle area = textArea();
        const InkCentre painted = inkCentre(screenshot(), area);

        map->setSelectedElement(theme);
        map->editText();
        ASSERT_NE(nullptr, view.inplaceEditor());
        auto* textView = dynamic_cast<GtkInplaceTextView*>(&view.inplaceEditor()->view());
        ASSERT_NE(nullptr, textView);
        // The caret and the spelling marks would count as ink.
        textView->textView().set_cursor_visible(false);
        textView->setSpellingFlags(false, false);
        MainLoop::runFor(0.3);
        const InkCentre edited = inkCentre(screenshot(), area);
        view.stopEditing(InplaceTextEditor::Cancel);
        ASSERT_GT(painted.ink, 0);
        EXPECT_NEAR(painted.x, edited.x, 0.1);
        EXPECT_NEAR(painted.y, edited.y, 0.1);
        EXPECT_NEAR(painted.ink, edited.ink, painted.ink * 0.02);
        MainLoop::runFor(0.05);
    }
}
