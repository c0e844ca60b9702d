#include "panels/gtk/TextViewEx.h"

#include "platform/MainLoop.h"
#include "support/DisplayRequirement.h"
#include "support/PixelProbe.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <memory>

namespace {

// The darkest pixel of the view's drawing in the rectangle: the placeholder's grey, or the
// background's white where nothing is drawn.
int darkest(Gtk::Widget& widget, int x, int y, int width, int height)
{
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, widget.get_allocated_width(), widget.get_allocated_height());
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    gtk_widget_draw(GTK_WIDGET(widget.gobj()), cr);
    int result = 255;
    for (int row = y; row < y + height; ++row)
        for (int column = x; column < x + width; ++column) result = std::min(result, pixelAt(surface, column, row).g);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return result;
}

class TextViewExTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        Gtk::Main::init_gtkmm_internals();
        window = std::make_unique<Gtk::Window>();
        view = std::make_unique<TextViewEx>();
        other = std::make_unique<Gtk::Button>("other");
        box = std::make_unique<Gtk::Box>(Gtk::ORIENTATION_VERTICAL);
        initializeAsPlainText(*view);
        view->set_size_request(200, 80);
        box->pack_start(*view);
        box->pack_start(*other);
        window->add(*box);
        window->show_all();
        other->grab_focus();
        MainLoop::runFor(0.1);
    }

    std::unique_ptr<Gtk::Window> window;
    std::unique_ptr<TextViewEx> view;
    std::unique_ptr<Gtk::Button> other;
    std::unique_ptr<Gtk::Box> box;
};

TEST_F(TextViewExTest, ThePlaceholderShowsOnlyWhileTheViewIsEmptyAndWithoutTheFocus)
{
    EXPECT_FALSE(view->placeholder());
    view->setPlaceholder("Type <b>a</b> note & more");
    EXPECT_EQ(view->placeholder(), "Type <b>a</b> note & more") << "kept as written, never read as markup";
    struct Case {
        const char* name;
        const char* text;
        bool focused;
        bool shown;
    };
    const Case cases[] = {
        {"empty, focus elsewhere", "", false, true},
        {"empty, focused", "", true, false},
        {"with text", "x", false, false},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        setPlainTextString(*view, testCase.text);
        (testCase.focused ? static_cast<Gtk::Widget&>(*view) : *other).grab_focus();
        MainLoop::runFor(0.05);
        EXPECT_EQ(view->showsPlaceholder(), testCase.shown);
        // The placeholder's first letters lie right of x 4 and below y 2; without it, the view's
        // top left is plain background there.
        const int grey = darkest(*view, 4, 2, 30, 12);
        // Only the corner of an unfocused view: a focused one draws its caret there when the
        // blink lets it.
        if (testCase.shown) {
            EXPECT_LT(grey, 200);
            EXPECT_GT(darkest(*view, 0, 0, 4, 2), 240) << "nothing above or left of the placeholder's corner";
        } else if (!*testCase.text) {
            EXPECT_GT(grey, 240);
        }
    }
    view->setPlaceholder("");
    EXPECT_FALSE(view->placeholder()) << "an empty placeholder is none";
}

TEST_F(TextViewExTest, PlainTextReplacesTheWholeTextAndMendsBytesThatAreNoUtf8)
{
    const std::pair<std::string, std::string> cases[] = {
        {"first\nsecond", "first\nsecond"},
        {"", ""},
        {"bad \xff\xfe byte", "bad \xef\xbf\xbd\xef\xbf\xbd byte"},
        {"cut \xe2\x82", "cut \xef\xbf\xbd\xef\xbf\xbd"},
        {"<i>markup</i> &amp;", "<i>markup</i> &amp;"},
    };
    for (const auto& [given, shown] : cases) {
        SCOPED_TRACE(given);
        setPlainTextString(*view, "old text");
        setPlainTextString(*view, given);
        EXPECT_EQ(view->get_buffer()->get_text(true).raw(), shown);
        EXPECT_EQ(view->get_buffer()->get_insert()->get_iter().get_offset(), 0) << "the caret at the start";
    }
}

// A run of letters too long for word breaks is broken between letters, which Pango does in linear
// time; its search for a word break in 100,000 of them held the window for 14 s. The view goes back
// to word breaks once the run is gone, whichever road changed the text.
TEST_F(TextViewExTest, ARunTooLongForWordBreaksIsBrokenBetweenLetters)
{
    const std::string run(LongestRunBrokenAtWords, 'x');
    const std::string accented = [] {
        std::string text;
        for (size_t i = 0; i <= LongestRunBrokenAtWords; ++i) text += "\xc3\xa9";
        return text;
    }();
    const struct {
        const char* name;
        std::string text;
        bool tooLong;
    } cases[] = {
        {"empty", "", false},
        {"the longest run", run, false},
        {"one letter more", run + "x", true},
        {"two runs with a space between", run + " " + run, false},
        {"two runs with a new line between", run + "\n" + run, false},
        {"a run after words", "some words " + run + "xx", true},
        {"letters of two bytes, counted as letters", accented, true},
        {"as many bytes as the run, in half the letters", accented.substr(0, LongestRunBrokenAtWords + 2), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(hasRunTooLongForWordBreaks(c.text), c.tooLong);
        setPlainTextString(*view, c.text);
        EXPECT_EQ(view->get_wrap_mode(), c.tooLong ? Gtk::WRAP_CHAR : Gtk::WRAP_WORD_CHAR);
    }
    // Typed or pasted into the view, and deleted again.
    setPlainTextString(*view, "");
    view->get_buffer()->insert_at_cursor(run + "x");
    EXPECT_EQ(view->get_wrap_mode(), Gtk::WRAP_CHAR);
    view->get_buffer()->insert(view->get_buffer()->get_iter_at_offset(500), " ");
    EXPECT_EQ(view->get_wrap_mode(), Gtk::WRAP_WORD_CHAR);
}

} // namespace
