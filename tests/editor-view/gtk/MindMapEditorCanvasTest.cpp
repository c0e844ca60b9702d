#include "editor-view/gtk/MindMapEditorCanvas.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "formats/TwkxMindMapReader.h"
#include "layout/LayoutInstallation.h"
#include "platform/Clock.h"
#include "platform/MainLoop.h"
#include "platform/gtk/MainLoopScheduler.h"

#include "support/ActiveWindow.h"
#include "support/DisplayRequirement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

namespace {

// 0xRRGGBB of a pixel of what the display shows of the widget.
uint32_t pixelAt(const Glib::RefPtr<Gdk::Pixbuf>& pixbuf, int x, int y)
{
    const guint8* p = pixbuf->get_pixels() + y * pixbuf->get_rowstride() + x * pixbuf->get_n_channels();
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

constexpr uint32_t Background = 0xfaf0c8;

GdkSeat* seat()
{
    return gdk_display_get_default_seat(gdk_display_get_default());
}

GdkDevice* keyboard()
{
    return gdk_seat_get_keyboard(seat());
}

// A real window on the display, the canvas in it showing a map of one central theme.
class CanvasWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        Gtk::Main::init_gtkmm_internals();
        canvas = std::make_unique<MindMapEditorCanvas>(&scheduler, MonotonicClock::shared());
        window = std::make_unique<Gtk::Window>();
        window->set_default_size(480, 320);
        window->add(*canvas);
        map->newMindMap("", true, std::string("Canvas"));
        map->style()->setBackgroundColor(Color::rgb255(0xfa, 0xf0, 0xc8));
        map->style()->setPropCustomized(MindMapStyle::BackgroundColorMask, true);
        canvas->editorView().setMindMap(map);
        window->show_all();
        canvas->editorView().scrollMapPointToCenter(map->mainCentralTheme()->location());
        waitForDrawing();
    }

    void TearDown() override
    {
        if (canvas) canvas->editorView().setMindMap(nullptr);
        canvas.reset();
        window.reset();
    }

    void waitForDrawing()
    {
        const int drawn = canvas->drawCount();
        ASSERT_TRUE(MainLoop::runUntil([&] { return canvas->drawCount() > drawn; }, 10));
        MainLoop::runFor(0.2);
    }

    // TARNWICK_CANVAS_SCREENSHOT names a PNG to write, for a person to look at.
    Glib::RefPtr<Gdk::Pixbuf> screenshot()
    {
        auto pixbuf = Gdk::Pixbuf::create(canvas->get_window(), 0, 0, 480, 320);
        if (const char* path = std::getenv("TARNWICK_CANVAS_SCREENSHOT"); path && pixbuf) pixbuf->save(path, "png");
        return pixbuf;
    }

    MainLoopScheduler scheduler{MonotonicClock::shared()};
    std::unique_ptr<Gtk::Window> window;
    std::unique_ptr<MindMapEditorCanvas> canvas;
    std::shared_ptr<MindMap> map = std::make_shared<MindMap>();
};

} // namespace

TEST_F(CanvasWindowTest, PaintsTheMapOrTheEmptyEditor)
{
    EXPECT_EQ(Size({480, 320}), canvas->editorView().frameSize());
    auto pixbuf = screenshot();
    ASSERT_TRUE(pixbuf);
    for (auto [x, y] : {std::pair{2, 2}, {477, 2}, {2, 317}, {477, 317}}) EXPECT_EQ(Background, pixelAt(pixbuf, x, y));

    canvas->editorView().setMindMap(nullptr);
    waitForDrawing();
    pixbuf = screenshot();
    EXPECT_NEAR(0x80, pixelAt(pixbuf, 2, 300) & 0xff, 1) << "the grey of the empty editor";
}

TEST_F(CanvasWindowTest, KeysAndTheWheelReachTheEditor)
{
    MindMapEditor& view = canvas->editorView();
    canvas->grab_focus();
    const Point before = view.position();
    // Synthesised as the display would deliver them, to the window the canvas is in.
    GdkEvent* key = gdk_event_new(GDK_KEY_PRESS);
    key->key.window = GDK_WINDOW(g_object_ref(window->get_window()->gobj()));
    key->key.keyval = GDK_KEY_Page_Down;
    gdk_event_set_device(key, keyboard());
    gtk_main_do_event(key);
    gdk_event_free(key);
    MainLoop::runFor(0.1);
    EXPECT_EQ(view.constraintPosition({before.x, before.y + 0.75 * 320}), view.position());
    EXPECT_NE(before, view.position());

    GdkEvent* scroll = gdk_event_new(GDK_SCROLL);
    scroll->scroll.window = GDK_WINDOW(g_object_ref(canvas->get_window()->gobj()));
    scroll->scroll.direction = GDK_SCROLL_UP;
    scroll->scroll.state = GDK_CONTROL_MASK;
    gdk_event_set_device(scroll, gdk_seat_get_pointer(seat()));
    gtk_main_do_event(scroll);
    gdk_event_free(scroll);
    EXPECT_EQ(1.0 + MindMapEditor::ZoomStep, view.userScaleFactor());
}

TEST_F(CanvasWindowTest, PaintsTheTopicFillWhereTheTopicIs)
{
    MindMapNode* theme = map->mainCentralTheme();
    const Rect bounds = canvas->editorView().mapRectToViewRect(theme->bounds());
    const Color fill = theme->fillColor();
    const uint32_t expected = uint32_t(std::lround(fill.red() * 255)) << 16 |
        uint32_t(std::lround(fill.green() * 255)) << 8 | uint32_t(std::lround(fill.blue() * 255));
    // Inside the left end of the topic: past its border, before its text.
    const auto pixbuf = screenshot();
    EXPECT_EQ(expected, pixelAt(pixbuf, int(bounds.minX() + 6), int(bounds.midY())));
    EXPECT_EQ(Background, pixelAt(pixbuf, int(bounds.minX() - 20), int(bounds.midY())));
}

// Runs xdotool with the arguments; false when it failed or is not there.
bool xdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

// A drag with the display's own pointer: the button goes down on the theme, the pointer moves in
// steps and the button comes up again, all through the X server as a user's mouse would send
// them. The theme stands where it was dropped in the map as saved.
TEST_F(CanvasWindowTest, ARealPointerDragMovesTheTopicInTheSavedMap)
{
    if (!xdotool("version")) GTEST_SKIP() << "no xdotool";
    registerNativeFormat();
    installLayout();
    MindMapEditor& view = canvas->editorView();
    MindMapNode* theme = map->mainCentralTheme();
    map->setSelectedElement(nullptr);
    const Point start = theme->location();
    const Point pressAt = view.mapToViewSpace(start);
    auto moveTo = [&](Point viewPoint) {
        int rootX = 0, rootY = 0;
        canvas->get_window()->get_root_coords(int(viewPoint.x), int(viewPoint.y), rootX, rootY);
        EXPECT_TRUE(xdotool("mousemove --sync " + std::to_string(rootX) + " " + std::to_string(rootY)));
        MainLoop::runFor(0.05);
    };
    moveTo(pressAt);
    ASSERT_TRUE(xdotool("mousedown 1"));
    ASSERT_TRUE(MainLoop::runUntil([&] { return view.trackingGesture(); }, 5));
    for (int step = 1; step <= 6; ++step) moveTo(pressAt + Point{10.0 * step, 5.0 * step});
    ASSERT_TRUE(xdotool("mouseup 1"));
    ASSERT_TRUE(MainLoop::runUntil([&] { return !view.trackingGesture(); }, 5));
    EXPECT_EQ(start + Point(60, 30), theme->location());
    EXPECT_EQ(std::vector<MindMapElement*>{theme}, map->selection());
    waitForDrawing();
    // TARNWICK_CANVAS_SCREENSHOT shows the selected theme where it was dropped.
    EXPECT_TRUE(screenshot());

    Error error;
    const MindMapData saved = map->dataOfType(int32_t(MindMapReadFormat::Native), &error);
    ASSERT_FALSE(saved.empty()) << error.localizedDescription;
    MindMap reread;
    ASSERT_TRUE(reread.readFromData(saved, "", int32_t(MindMapReadFormat::Native), &error))
        << error.localizedDescription;
    ASSERT_NE(nullptr, reread.mainCentralTheme());
    EXPECT_EQ(start + Point(60, 30), reread.mainCentralTheme()->location());
}

TEST(CanvasModifiers, AreMaskedAsShortcutsAre)
{
    struct Case {
        guint state;
        unsigned modifiers;
    };
    const Case cases[] = {
        {GDK_CONTROL_MASK, ControlModifier},
        {GDK_CONTROL_MASK | GDK_LOCK_MASK | GDK_MOD2_MASK, ControlModifier},
        {GDK_SHIFT_MASK | GDK_BUTTON1_MASK, ShiftModifier},
        {GDK_MOD1_MASK | GDK_SHIFT_MASK, AltModifier | ShiftModifier},
        {GDK_LOCK_MASK, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.modifiers, editorModifiersOfState(c.state)) << c.state;
}

// A drag under way when the window is asked to close, or when a key reaches the window, ends
// before the window's own handlers act: the map is put back before anything commits it.
TEST_F(CanvasWindowTest, TheWindowsKeysAndItsClosingEndADragFirst)
{
    MindMapEditor& view = canvas->editorView();
    MindMapNode* theme = map->mainCentralTheme();
    registerNativeFormat();
    const Point start = theme->location();
    const Point at = view.mapToViewSpace(start);
    auto beginDrag = [&] {
        view.pointerEvent({PointerEventKind::Press, PrimaryButton, at, 1, 0, MonotonicClock::shared().now()});
        view.pointerEvent(
            {PointerEventKind::Motion, NoButton, at + Point{40, 0}, 0, 0, MonotonicClock::shared().now()});
        ASSERT_EQ(start + Point(40, 0), theme->location());
    };
    auto sendToWindow = [&](GdkEventType type, guint keyval) {
        GdkEvent* event = gdk_event_new(type);
        event->any.window = GDK_WINDOW(g_object_ref(window->get_window()->gobj()));
        if (type == GDK_KEY_PRESS) {
            event->key.keyval = keyval;
            gdk_event_set_device(event, keyboard());
        }
        gtk_main_do_event(event);
        gdk_event_free(event);
    };

    beginDrag();
    sendToWindow(GDK_KEY_PRESS, GDK_KEY_Page_Down);
    EXPECT_TRUE(view.trackingGesture()) << "another key is swallowed";
    sendToWindow(GDK_KEY_PRESS, GDK_KEY_Escape);
    EXPECT_FALSE(view.trackingGesture());
    theme = map->mainCentralTheme();
    EXPECT_EQ(start, theme->location());

    map->validateElementStates();
    beginDrag();
    bool closedWhileDragging = true;
    window->signal_delete_event().connect([&](GdkEventAny*) {
        closedWhileDragging = view.trackingGesture();
        return true;
    });
    sendToWindow(GDK_DELETE, 0);
    EXPECT_FALSE(closedWhileDragging) << "the window's own handler saw the drag ended";
    EXPECT_EQ(start, map->mainCentralTheme()->location());
    EXPECT_FALSE(map->autoLayoutLocked());
}

// The selection shows through the handles round it: the creator handle's grey gradient stands
// beside the selected theme. TARNWICK_CANVAS_SCREENSHOT shows the theme with all its handles.
TEST_F(CanvasWindowTest, TheSelectedTopicShowsItsHandles)
{
    MindMapEditor& view = canvas->editorView();
    MindMapNode* theme = map->mainCentralTheme();
    map->addMindMapNodeAsChild(theme, theme->location() + Point{160, 70});
    map->setSelectedElement(theme);
    const Point creator = view.mapToViewSpace(view.elementTools()->toolLocation(ElementToolCreator));
    // Right of the plus's stem, in the upper half where the gradient is light.
    const int x = int(creator.x + 3), y = int(creator.y - 4);
    map->setSelectedElement(nullptr);
    waitForDrawing();
    EXPECT_EQ(Background, pixelAt(screenshot(), x, y));

    map->setSelectedElement(theme);
    waitForDrawing();
    ASSERT_TRUE(view.elementTools()->getCreatorTool().visible);
    const uint32_t pixel = pixelAt(screenshot(), x, y);
    const int red = int(pixel >> 16), green = int((pixel >> 8) & 0xff), blue = int(pixel & 0xff);
    EXPECT_EQ(red, green);
    EXPECT_EQ(green, blue);
    EXPECT_GT(red, 0x66);
    EXPECT_LT(red, 0xb4);
}

// Each structural edit is painted in one frame: the map's validation, which a paint would run
// first, lays out what the edit left and moves the selection's tools before the frame paints,
// instead of asking for the whole canvas again from inside the paint.
TEST_F(CanvasWindowTest, AnEditIsPaintedInOneFrame)
{
    // With the keyboard settled on the window first: without a window manager the server gives it
    // to the window under the pointer, wherever an earlier test left it, and a window that becomes
    // active while an edit is shown paints its caret in a frame of its own.
    ASSERT_TRUE(makeWindowActive(*window));
    waitForDrawing();
    installLayout();
    MindMapEditor& view = canvas->editorView();
    map->setSelectedElement(map->mainCentralTheme());
    GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(canvas->gobj()));
    ASSERT_NE(clock, nullptr);
    const std::pair<const char*, std::function<void()>> edits[] = {
        {"a child begun", [&] { map->addChildNode(); }},
        {"its edit ended", [&] { view.stopEditing(InplaceTextEditor::CommitByReturn); }},
        {"a sibling begun", [&] { map->addSiblingNode(); }},
        {"its edit cancelled", [&] { view.stopEditing(InplaceTextEditor::Cancel); }},
    };
    for (const auto& [what, edit] : edits) {
        const int drawn = canvas->drawCount();
        edit();
        gint64 paintedIn = -1;
        ASSERT_TRUE(MainLoop::runUntil(
            [&] {
                if (paintedIn < 0 && canvas->drawCount() > drawn) paintedIn = gdk_frame_clock_get_frame_counter(clock);
                // Frames go on, painting nothing, until two have passed since the one that drew.
                gdk_frame_clock_request_phase(clock, GDK_FRAME_CLOCK_PHASE_AFTER_PAINT);
                return paintedIn >= 0 && gdk_frame_clock_get_frame_counter(clock) >= paintedIn + 2;
            },
            10))
            << what;
        EXPECT_EQ(canvas->drawCount(), drawn + 1) << what;
    }
    EXPECT_EQ(map->mainCentralTheme()->childCount(), 1u);
}

// A note of one word wider than a tool tip (a link, a path) wraps inside the word: GTK's own tip
// wraps at words only, and laid the note out on one line as wide as it is long.
TEST_F(CanvasWindowTest, ANoteOfOneLongWordShowsInANarrowToolTip)
{
    std::string note = "https://example.org/";
    while (note.size() < 2000) note += "\u00E9";
    map->mainCentralTheme()->setNote(note);
    waitForDrawing();
    const Point inside = canvas->editorView().mapToViewSpace(map->mainCentralTheme()->location());
    GtkTooltip* tip = GTK_TOOLTIP(g_object_new(GTK_TYPE_TOOLTIP, nullptr));
    gboolean shown = FALSE;
    g_signal_emit_by_name(canvas->gobj(), "query-tooltip", int(inside.x), int(inside.y), FALSE, tip, &shown);
    ASSERT_TRUE(shown);
    GtkWidget* tipWindow = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* each = windows; each; each = each->next)
        if (std::string(G_OBJECT_TYPE_NAME(each->data)) == "GtkTooltipWindow") tipWindow = GTK_WIDGET(each->data);
    g_list_free(windows);
    ASSERT_NE(tipWindow, nullptr);
    int natural = 0;
    gtk_widget_get_preferred_width(tipWindow, nullptr, &natural);
    EXPECT_GT(natural, 0);
    EXPECT_LE(natural, 800);
    g_object_unref(tip);
}
