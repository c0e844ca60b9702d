#include "editor-view/gtk/InPlaceTextView.h"
#include "editor-view/gtk/GspellLibrary.h"
#include "editor-view/gtk/GspellSpellingService.h"
#include "editor-view/gtk/MindMapEditorCanvas.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeStyle.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/Clock.h"
#include "platform/MainLoop.h"
#include "platform/Pasteboard.h"
#include "platform/gtk/MainLoopScheduler.h"

#include "support/ActiveWindow.h"
#include "support/DisplayRequirement.h"
#include "support/TypedText.h"

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

namespace {

// A key press as the display delivers it to the window.
void pressKey(Gtk::Window& window, guint keyval, GdkModifierType state = GdkModifierType(0))
{
    GdkEvent* key = gdk_event_new(GDK_KEY_PRESS);
    key->key.window = GDK_WINDOW(g_object_ref(window.get_window()->gobj()));
    key->key.keyval = keyval;
    key->key.state = state;
    gdk_event_set_device(key, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
    gtk_main_do_event(key);
    gdk_event_free(key);
}

// The X window of a GDK window; gdkx.h itself would bring X's own Font along.
extern "C" unsigned long gdk_x11_window_get_xid(GdkWindow* window);

bool xdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

} // namespace

// Another application in front leaves the edit open; another widget of the window ends it.
TEST_F(InPlaceTextViewTest, SwitchingApplicationsKeepsTheEditMovingTheFocusInsideTheWindowEndsIt)
{
    MindMapEditor& view = canvas->editorView();
    sendWindowFocusChange(*window, true);
    map->setSelectedElement(theme);
    map->editText();
    ASSERT_NE(nullptr, view.inplaceEditor());
    auto& textView = static_cast<GtkInplaceTextView&>(view.inplaceEditor()->view()).textView();
    MainLoop::runFor(0.1);
    ASSERT_TRUE(textView.has_focus());
    // The text view goes with the edit's view, which may be freed once the edit ends: what is left
    // of it is asked through a pointer that its end clears.
    GtkWidget* textWidget = GTK_WIDGET(textView.gobj());
    g_object_add_weak_pointer(G_OBJECT(textWidget), reinterpret_cast<gpointer*>(&textWidget));

    sendWindowFocusChange(*window, false);
    MainLoop::runFor(0.05);
    EXPECT_NE(nullptr, view.inplaceEditor()) << "switching to another application ends nothing";
    sendWindowFocusChange(*window, true);
    MainLoop::runFor(0.05);
    ASSERT_NE(nullptr, view.inplaceEditor());
    view.inplaceEditor()->view().replaceCharacters({5, 0}, " kept");

    // A press on the canvas takes the focus from the text view: the edit commits, the press does
    // nothing more, and the widgets are gone.
    canvas->grab_focus();
    MainLoop::runFor(0.05);
    EXPECT_EQ(nullptr, view.inplaceEditor());
    EXPECT_EQ("Theme kept", theme->text());
    if (textWidget) {
        EXPECT_EQ(nullptr, gtk_widget_get_parent(textWidget));
        g_object_remove_weak_pointer(G_OBJECT(textWidget), reinterpret_cast<gpointer*>(&textWidget));
    }
}

// The widget counts characters; the edit UTF-16 units. An accent written as a combining mark and an
// emoji outside the Basic Multilingual Plane sit at the same places in both.
TEST_F(InPlaceTextViewTest, PositionsAreUtf16UnitsAndTypedChangesAreReportedAsTheyHappen)
{
    MindMapEditor& view = canvas->editorView();
    map->setSelectedElement(theme);
    map->editText();
    InplaceTextEditor& session = *view.inplaceEditor();
    auto& text = static_cast<GtkInplaceTextView&>(session.view());
    const std::string accented = "e\xCC\x81";
    const std::string emoji = "\xF0\x9F\x99\x82";
    text.replaceCharacters({0, 5}, accented + emoji + "x");
    text.setSelectedRange({2, 2});
    Gtk::TextIter start, end;
    ASSERT_TRUE(text.textView().get_buffer()->get_selection_bounds(start, end));
    EXPECT_EQ(2, start.get_offset()) << "two characters before the emoji";
    EXPECT_EQ(3, end.get_offset());
    EXPECT_EQ(TextRange({2, 2}), text.selectedRange());

    session.toggleBoldFontStyle();
    EXPECT_EQ(accented + "*" + emoji + "*x", text.text());
    EXPECT_EQ(TextRange({6, 0}), text.selectedRange());

    // Typed over a selection, as the widget types: one replacement, undone in one step.
    text.setSelectedRange({6, 1});
    text.textView().get_buffer()->begin_user_action();
    text.textView().get_buffer()->erase_selection(true, true);
    text.textView().get_buffer()->insert_interactive_at_cursor("\xC3\x9F", true);
    text.textView().get_buffer()->end_user_action();
    EXPECT_EQ(accented + "*" + emoji + "*\xC3\x9F", text.text());
    session.undo();
    EXPECT_EQ(accented + "*" + emoji + "*x", text.text());

    // The widget's own paste goes through the edit: plain text, made valid.
    Pasteboard::generalPasteboard().declareTypes({Pasteboard::StringType});
    Pasteboard::generalPasteboard().setString("a\tb", Pasteboard::StringType);
    text.setSelectedRange({0, utf16Length(text.text())});
    g_signal_emit_by_name(text.textView().gobj(), "paste-clipboard");
    EXPECT_EQ("a b", text.text());
    view.stopEditing(InplaceTextEditor::Cancel);
    Pasteboard::setGeneralPasteboard(nullptr);
}

TEST_F(InPlaceTextViewTest, KeysInTheTextViewEndTheEditAndGiveTheCanvasItsKeysBack)
{
    MindMapEditor& view = canvas->editorView();
    sendWindowFocusChange(*window, true);
    struct Case {
        guint keyval;
        GdkModifierType state;
        bool ends;
        const char* text;
    };
    const Case cases[] = {
        {GDK_KEY_Escape, GdkModifierType(0), true, "Theme"},
        {GDK_KEY_Return, GDK_SHIFT_MASK, false, "Theme\n"},
        {GDK_KEY_KP_Enter, GdkModifierType(0), true, "Theme"},
        {GDK_KEY_Tab, GdkModifierType(0), true, "Theme"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyval);
        theme->setText("Theme");
        map->setSelectedElement(theme);
        map->editText();
        MainLoop::runFor(0.05);
        pressKey(*window, c.keyval, c.state);
        MainLoop::runFor(0.05);
        EXPECT_EQ(c.ends, view.inplaceEditor() == nullptr);
        if (!c.ends) {
            EXPECT_EQ(c.text, view.inplaceEditor()->text());
            view.stopEditing(InplaceTextEditor::Cancel);
        }
        EXPECT_EQ("Theme", theme->text());
        MainLoop::runFor(0.05);
        EXPECT_TRUE(canvas->has_focus());
    }
    // The canvas's Tab adds a child and opens it for typing.
    map->setSelectedElement(theme);
    pressKey(*window, GDK_KEY_Tab);
    ASSERT_NE(nullptr, view.inplaceEditor());
    EXPECT_EQ(theme, map->selectedNode()->parent());
    view.stopEditing(InplaceTextEditor::Cancel);
}

// The spelling checker of the text view the in-place editor shows; nullptr without one.
GspellChecker* inplaceSpellChecker(Gtk::Widget& root)
{
    const GspellLibrary* gspell = GspellLibrary::get();
    std::vector<GtkWidget*> pending{GTK_WIDGET(root.gobj())};
    while (!pending.empty()) {
        GtkWidget* widget = pending.back();
        pending.pop_back();
        if (GTK_IS_TEXT_VIEW(widget) && gspell)
            return gspell->gspell_text_buffer_get_spell_checker(
                gspell->gspell_text_buffer_get_from_gtk_text_buffer(gtk_text_view_get_buffer(GTK_TEXT_VIEW(widget))));
        if (GTK_IS_CONTAINER(widget))
            gtk_container_forall(
                GTK_CONTAINER(widget),
                [](GtkWidget* child, gpointer list) { static_cast<std::vector<GtkWidget*>*>(list)->push_back(child); },
                &pending);
    }
    return nullptr;
}

// A dictionary takes longer to load than a short edit: each edit checks with the one the program
// loaded for its first.
TEST_F(InPlaceTextViewTest, EachEditChecksItsTextWithTheOneDictionary)
{
    ASSERT_NE(sharedSpellChecker(), nullptr) << "no spelling dictionary installed";
    MindMapEditor& view = canvas->editorView();
    GspellChecker* first = nullptr;
    for (int edit = 0; edit < 2; ++edit) {
        map->setSelectedElement(theme);
        map->editText();
        ASSERT_NE(view.inplaceEditor(), nullptr);
        GspellChecker* checker = inplaceSpellChecker(*overlay);
        EXPECT_EQ(checker, sharedSpellChecker()) << "edit " << edit;
        // Held, so that a second checker cannot take the first one's place in memory.
        if (!first && checker) first = static_cast<GspellChecker*>(g_object_ref(checker));
        view.stopEditing(InplaceTextEditor::Cancel);
        MainLoop::runUntil([&] { return view.inplaceEditor() == nullptr; }, 2);
    }
    if (first) g_object_unref(first);
}

// Real key events through the display, the input method's road included: a new child's text,
// with letters beyond ASCII, is in the map as saved.
TEST_F(InPlaceTextViewTest, TextTypedOnTheKeyboardIsInTheSavedMap)
{
    if (!xdotool("version")) GTEST_SKIP() << "no xdotool";
    registerNativeFormat();
    MindMapEditor& view = canvas->editorView();
    const std::string xid = std::to_string(gdk_x11_window_get_xid(window->get_window()->gobj()));
    ASSERT_TRUE(makeWindowActive(*window));
    map->setSelectedElement(theme);
    canvas->grab_focus();
    ASSERT_TRUE(xdotool("key --window " + xid + " Tab"));
    ASSERT_TRUE(MainLoop::runUntil([&] { return view.inplaceEditor() != nullptr; }, 5));
    MindMapNode* added = map->selectedNode();
    // The ß is not on the display's keyboard: it is put on a key of its own first.
    ASSERT_TRUE(typeText("Grüße é", [&](const std::string& typed) {
        return view.inplaceEditor() && view.inplaceEditor()->text() == typed;
    }));
    ASSERT_TRUE(xdotool("key Return"));
    ASSERT_TRUE(MainLoop::runUntil([&] { return view.inplaceEditor() == nullptr; }, 5));
    EXPECT_EQ("Grüße é", added->text());

    Error error;
    const MindMapData saved = map->dataOfType(int32_t(MindMapReadFormat::Native), &error);
    ASSERT_FALSE(saved.empty()) << error.localizedDescription;
    MindMap reread;
    ASSERT_TRUE(reread.readFromData(saved, "", int32_t(MindMapReadFormat::Native), &error))
        << error.localizedDescription;
    ASSERT_NE(nullptr, reread.mainCentralTheme());
    ASSERT_EQ(1u, reread.mainCentralTheme()->childCount());
    EXPECT_EQ("Grüße é", reread.mainCentralTheme()->childAtIndex(0)->text());
}
