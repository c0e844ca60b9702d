#include "Editor/gtk/EditorOverlays.h"
#include "Editor/CommandRouter.h"
#include "Editor/MainMenu.h"
#include "Editor/gtk/CrossLinkBar.h"
#include "Editor/gtk/EditorNotificationBar.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/MapSearchBar.h"
#include "GtkTestSupport.h"
#include "MindMaps/FakeMapImageServices.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/gtk/MindMapEditorCanvas.h"
#include "platform/Clock.h"
#include "platform/MainLoop.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/MainLoopScheduler.h"

#include "support/DisplayRequirement.h"
#include "support/RecordedCriticals.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

GdkDevice* keyboard()
{
    return gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default()));
}

GdkDevice* pointer()
{
    return gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
}

// A window with the canvas and, over it, the find bar, the cross-link bar and the notification
// box, as the main window lays them out.
class EditorOverlaysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        Gtk::Main::init_gtkmm_internals();
        UserDefaults::standard().removeObject(MapSearchBarController::AdvancedModeKey);
        windowHolder = std::make_unique<Gtk::Window>();
        overlayHolder = std::make_unique<Gtk::Overlay>();
        notificationsHolder = std::make_unique<EditorNotificationBar>();
        Gtk::Window& window = *windowHolder;
        Gtk::Overlay& overlay = *overlayHolder;
        EditorNotificationBar& notifications = *notificationsHolder;
        canvas = std::make_unique<MindMapEditorCanvas>(&scheduler, MonotonicClock::shared());
        map->newMindMap("", true, std::string("Theme"));
        for (const char* text : {"apple pie", "banana", "apple tart"})
            map->addMindMapNodeAsChild(map->mainCentralTheme(), {700, 300})->setText(text);
        canvas->editorView().setMindMap(map);
        searchBar = std::make_unique<MapSearchBar>(canvas->editorView());
        crossLinkBar = std::make_unique<CrossLinkBar>(canvas->editorView());
        canvas->editorView().setCrossLinkFeedback(&crossLinkBar->controller());
        overlay.add(*canvas);
        overlay.add_overlay(searchBar->widget());
        overlay.add_overlay(crossLinkBar->widget());
        overlay.add_overlay(notifications.notificationWidget());
        window.set_default_size(800, 500);
        window.add(overlay);
        window.show_all();
        MainLoop::runFor(0.2);
    }

    void TearDown() override
    {
        if (canvas) canvas->editorView().setMindMap(nullptr);
        searchBar.reset();
        crossLinkBar.reset();
        canvas.reset();
        notificationsHolder.reset();
        overlayHolder.reset();
        windowHolder.reset();
    }

    Gtk::Window& window() { return *windowHolder; }
    // Where the widget lies over the canvas.
    Gdk::Rectangle placeIn(Gtk::Widget& widget)
    {
        int x = -1, y = -1;
        widget.translate_coordinates(overlay(), 0, 0, x, y);
        return Gdk::Rectangle(x, y, widget.get_allocated_width(), widget.get_allocated_height());
    }
    Gtk::Overlay& overlay() { return *overlayHolder; }
    EditorNotificationBar& notifications() { return *notificationsHolder; }

    void key(guint keyval, Gtk::Widget& focus)
    {
        focus.grab_focus();
        GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
        event->key.window = GDK_WINDOW(g_object_ref(window().get_window()->gobj()));
        event->key.keyval = keyval;
        gdk_event_set_device(event, keyboard());
        gtk_main_do_event(event);
        gdk_event_free(event);
    }

    MainLoopScheduler scheduler{MonotonicClock::shared()};
    std::shared_ptr<MindMap> map = std::make_shared<MindMap>();
    // Made once GTK has started.
    std::unique_ptr<Gtk::Window> windowHolder;
    std::unique_ptr<Gtk::Overlay> overlayHolder;
    std::unique_ptr<EditorNotificationBar> notificationsHolder;
    std::unique_ptr<MindMapEditorCanvas> canvas;
    std::unique_ptr<MapSearchBar> searchBar;
    std::unique_ptr<CrossLinkBar> crossLinkBar;
};

} // namespace

TEST_F(EditorOverlaysTest, TheFindBarCountsStepsAndClosesOnEscape)
{
    EXPECT_FALSE(searchBar->widget().get_visible());
    searchBar->showMapSearchbar();
    MainLoop::runFor(0.4);
    ASSERT_TRUE(searchBar->isBarShown());
    EXPECT_TRUE(searchBar->searchField().is_focus());
    EXPECT_EQ(searchBar->widget().get_halign(), Gtk::ALIGN_END);
    EXPECT_EQ(searchBar->widget().get_valign(), Gtk::ALIGN_START);
    const Gdk::Rectangle bar = placeIn(searchBar->widget());
    EXPECT_EQ(bar.get_x() + bar.get_width(), overlay().get_allocated_width()) << "at the canvas's top right";
    EXPECT_EQ(bar.get_y(), 0);
    EXPECT_TRUE(searchBar->advancedRow().get_visible());

    searchBar->searchField().set_text("apple");
    EXPECT_EQ(searchBar->resultsLabel().get_text(), "0/2");
    EXPECT_TRUE(searchBar->nextButton().get_sensitive());
    searchBar->nextButton().clicked();
    EXPECT_EQ(searchBar->resultsLabel().get_text(), "1/2");
    searchBar->nextButton().clicked();
    EXPECT_EQ(searchBar->resultsLabel().get_text(), "2/2");
    searchBar->previousButton().clicked();
    EXPECT_EQ(searchBar->resultsLabel().get_text(), "1/2");

    // Showing it again only focuses the field.
    canvas->grab_focus();
    searchBar->showMapSearchbar();
    EXPECT_TRUE(searchBar->searchField().is_focus());
    EXPECT_EQ(searchBar->searchField().get_text(), "apple");

    int cancelled = 0;
    ObservationToken token = NotificationCenter::defaultCenter().addObserver(
        "EditorSearchBarCancelledNotification", searchBar->container(), [&](const Notification&) { ++cancelled; });
    key(GDK_KEY_Escape, searchBar->searchField());
    EXPECT_EQ(cancelled, 1);
    EXPECT_FALSE(searchBar->isBarShown());
    EXPECT_TRUE(map->searchMatches().empty());
    EXPECT_TRUE(canvas->is_focus());
    MainLoop::runFor(0.4);
    EXPECT_FALSE(searchBar->widget().get_visible()) << "once slid out it takes no clicks";
}

TEST_F(EditorOverlaysTest, TheFindBarTogglesAndItsAdvancedRowFollowsTheMode)
{
    searchBar->toggleMapSearchbar();
    EXPECT_TRUE(searchBar->isBarShown());
    searchBar->controller().toggleAdvancedSearch();
    EXPECT_FALSE(searchBar->advancedRow().get_visible());
    searchBar->toggleMapSearchbar();
    EXPECT_FALSE(searchBar->isBarShown());
    UserDefaults::standard().removeObject(MapSearchBarController::AdvancedModeKey);
}

TEST_F(EditorOverlaysTest, TheFindBarsFiltersSearch)
{
    map->mainCentralTheme()->children()[1]->setShowCheckbox(true);
    searchBar->showMapSearchbar();
    searchBar->checkedPopup().set_active(1);
    EXPECT_EQ(searchBar->resultsLabel().get_text(), "0/1");
    searchBar->checkedPopup().set_active(0);
    searchBar->datePopup().set_active(2);
    EXPECT_EQ(searchBar->controller().searchData().scope(), 8u);
    searchBar->datePopup().set_active(0);

    // The icon list learns the map's icons as it opens.
    maptest::FakeMapImageServices services;
    services.stockIcons["flag"] = std::make_shared<const Image>(48, 48);
    map->mainCentralTheme()->children()[2]->setIconName("flag");
    // As the list opens (a display without a pointer grab never opens it).
    searchBar->updateIconPopup();
    ASSERT_EQ(searchBar->iconPopup().get_model()->children().size(), 2u);
    searchBar->iconPopup().set_active(1);
    EXPECT_EQ(searchBar->controller().iconFilter(), "flag");
    EXPECT_EQ(searchBar->resultsLabel().get_text(), "0/1");
}

// The filters keep the room their texts need once the map's icons have come into the icon
// list, whose pictures widen every row of it.
TEST_F(EditorOverlaysTest, TheFiltersShowTheirWholeTextsOnceTheMapHasIcons)
{
    maptest::FakeMapImageServices services;
    for (const char* name : {"flag", "star"}) services.stockIcons[name] = std::make_shared<const Image>(48, 48);
    searchBar->showMapSearchbar();
    // Until the next layout has given each pop-up the room its shown entry asks for.
    const auto whole = [&] {
        for (Gtk::ComboBox* popup : {&searchBar->iconPopup(), &searchBar->checkedPopup()}) {
            Gtk::Widget* shown = popup->get_child();
            int minimum = 0, natural = 0;
            if (shown) shown->get_preferred_width(minimum, natural);
            if (!shown || shown->get_allocated_width() < natural) return false;
        }
        return true;
    };
    const auto expectWhole = [&](const char* when) {
        EXPECT_TRUE(runMainLoopUntil(whole, std::chrono::seconds(5))) << when << ": a shown entry is cut";
    };
    expectWhole("a map without icons");
    map->mainCentralTheme()->children()[0]->setIconName("flag");
    map->mainCentralTheme()->children()[1]->setIconName("star");
    searchBar->updateIconPopup();
    expectWhole("once its icons are listed");
    searchBar->iconPopup().set_active(1);
    expectWhole("with an icon chosen");
    searchBar->iconPopup().set_active(0);
    expectWhole("back to any icon");
}

TEST_F(EditorOverlaysTest, TheRecentSearchesMenuShowsTextsAsTheyAre)
{
    searchBar->showMapSearchbar();
    searchBar->searchField().set_text("_under <b>bold</b>");
    searchBar->searchField().activate();
    Gtk::Menu& menu = searchBar->fieldMenu();
    std::vector<std::string> labels;
    for (Gtk::Widget* child : menu.get_children())
        if (auto* item = dynamic_cast<Gtk::MenuItem*>(child)) labels.push_back(item->get_label());
    ASSERT_EQ(labels.size(), 7u);
    EXPECT_EQ(labels[0], "Recent Searches");
    EXPECT_EQ(labels[1], "_under <b>bold</b>");
    EXPECT_EQ(labels[3], "Clear Recent Searches");
    EXPECT_EQ(labels[5], "Advanced Search");
    EXPECT_EQ(labels[6], "Scroll to Center");
}

TEST_F(EditorOverlaysTest, NotificationsShowPlainTextBottomLeftInTheirLevelsColour)
{
    // Texts from a server or a file name: whatever they hold is shown as it is.
    notifications().showNotification("<b>Upload</b> & more", "Map \"<i>x</i>\" failed: 5 < 6", 7);
    MainLoop::runFor(0.5);
    EXPECT_TRUE(notifications().notificationWidget().get_visible());
    EXPECT_EQ(notifications().captionLabel().get_text(), "<b>Upload</b> & more");
    EXPECT_EQ(notifications().messageLabel().get_text(), "Map \"<i>x</i>\" failed: 5 < 6");
    EXPECT_FALSE(notifications().messageLabel().get_use_markup());
    EXPECT_EQ(notifications().notificationView().notifyLevel(), 2u);

    const Gdk::Rectangle box = placeIn(notifications().notificationWidget());
    EXPECT_EQ(box.get_width(), 320);
    EXPECT_EQ(box.get_height(), 94);
    EXPECT_LT(box.get_x(), 20) << "at the bottom-left";
    EXPECT_GT(box.get_y() + box.get_height(), overlay().get_allocated_height() - 20);

    if (const char* path = std::getenv("TARNWICK_OVERLAYS_SCREENSHOT")) {
        searchBar->showMapSearchbar();
        searchBar->searchField().set_text("apple");
        canvas->editorView().setMindMap(map);
        map->setSelectedElement(map->mainCentralTheme());
        canvas->editorView().addCrossLink();
        MainLoop::runFor(0.6);
        auto shot = Gdk::Pixbuf::create(window().get_window(), 0, 0, window().get_width(), window().get_height());
        if (shot) shot->save(path, "png");
    }

    notifications().hideNotification();
    EXPECT_FALSE(notifications().notificationWidget().get_visible());
}

TEST_F(EditorOverlaysTest, TheCrossLinkBarShowsWhileDrawingAndKeepsItsClicks)
{
    MindMapEditor& editor = canvas->editorView();
    map->setSelectedElement(map->mainCentralTheme());
    editor.addCrossLink();
    MainLoop::runFor(0.4);
    ASSERT_TRUE(crossLinkBar->isBarShown());
    EXPECT_EQ(crossLinkBar->label().get_text(), "Click the topic to link to, or press Escape.");
    const Gdk::Rectangle bar = placeIn(crossLinkBar->widget());
    EXPECT_EQ(bar.get_x(), 0);
    EXPECT_EQ(bar.get_y(), 0);

    // A press on the bar, as the display delivers it to the bar's own window.
    GdkEvent* press = gdk_event_new(GDK_BUTTON_PRESS);
    press->button.window = GDK_WINDOW(g_object_ref(crossLinkBar->container().get_window()->gobj()));
    press->button.button = 1;
    press->button.x = 5;
    press->button.y = 5;
    press->button.time = GDK_CURRENT_TIME;
    gdk_event_set_device(press, pointer());
    gtk_main_do_event(press);
    press->type = GDK_BUTTON_RELEASE;
    gtk_main_do_event(press);
    gdk_event_free(press);
    MainLoop::runFor(0.1);
    EXPECT_NE(editor.crossLinkSource(), nullptr) << "the canvas never saw the click";
    EXPECT_EQ(editor.gesture(), EditorGesture::None);

    crossLinkBar->closeButton().clicked();
    EXPECT_EQ(editor.crossLinkSource(), nullptr);
    EXPECT_FALSE(crossLinkBar->isBarShown());
}

TEST_F(EditorOverlaysTest, TheWindowsOverlaysComeOnFirstUseAtTheirCorners)
{
    MindMapEditor& editor = canvas->editorView();
    std::vector<std::pair<Gtk::Align, Gtk::Align>> placed;
    Gtk::Overlay windowOverlay;
    {
        EditorOverlays overlays(editor, [&](Gtk::Widget& widget, Gtk::Align halign, Gtk::Align valign) {
            placed.emplace_back(halign, valign);
            windowOverlay.add_overlay(widget);
        });
        EXPECT_EQ(editor.crossLinkFeedback(), &overlays);
        EXPECT_EQ(overlays.searchBar(), nullptr);
        EXPECT_EQ(overlays.crossLinkBar(), nullptr);

        overlays.showMapSearchbar();
        ASSERT_NE(overlays.searchBar(), nullptr);
        EXPECT_TRUE(overlays.searchBar()->isBarShown());
        overlays.toggleMapSearchbar();
        EXPECT_FALSE(overlays.searchBar()->isBarShown());
        overlays.toggleMapSearchbar();
        EXPECT_TRUE(overlays.searchBar()->isBarShown());

        map->setSelectedElement(map->mainCentralTheme());
        editor.addCrossLink();
        ASSERT_NE(overlays.crossLinkBar(), nullptr);
        EXPECT_TRUE(overlays.crossLinkBar()->isBarShown());
        editor.cancelCrossLinkMode();
        EXPECT_FALSE(overlays.crossLinkBar()->isBarShown());
        EXPECT_EQ(placed,
                  (std::vector<std::pair<Gtk::Align, Gtk::Align>>{{Gtk::ALIGN_END, Gtk::ALIGN_START},
                                                                  {Gtk::ALIGN_START, Gtk::ALIGN_START}}));
    }
    EXPECT_EQ(editor.crossLinkFeedback(), nullptr);
}

// The main window with a map of three topics; keys go to it as the display delivers them.
class MainWindowFindBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        Gtk::Main::init_gtkmm_internals();
        UserDefaults::standard().removeObject(MapSearchBarController::AdvancedModeKey);
        window = std::make_unique<MainWindow>(menu, router);
        router.setResponderChain([this] { return std::vector<Responder*>{&window->editor(), &window->controller()}; });
        map->newMindMap("", true, std::string("Theme"));
        for (const char* text : {"plum", "pear", "plum jam"})
            map->addMindMapNodeAsChild(map->mainCentralTheme(), {700, 300})->setText(text);
        window->showMindMap(map);
        MainLoop::runFor(0.3);
    }

    void TearDown() override
    {
        if (window) window->showMindMap(nullptr);
        window.reset();
    }

    void key(guint keyval, GdkModifierType modifiers)
    {
        GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
        event->key.window = GDK_WINDOW(g_object_ref(window->get_window()->gobj()));
        event->key.keyval = keyval;
        event->key.state = modifiers;
        // Key bindings (Return activating the field) look the key up by its hardware code.
        GdkKeymapKey* keys = nullptr;
        gint count = 0;
        if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()), keyval, &keys,
                                              &count) &&
            count > 0)
            event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
        g_free(keys);
        gdk_event_set_device(event, keyboard());
        gtk_main_do_event(event);
        gdk_event_free(event);
    }

    CommandRouter router;
    MainMenu menu = MainMenu::build();
    std::unique_ptr<MainWindow> window;
    std::shared_ptr<MindMap> map = std::make_shared<MindMap>();
};

TEST_F(MainWindowFindBarTest, CtrlFOpensTheFindBarOverTheCanvasAndEscapeClosesIt)
{
    key(GDK_KEY_f, GDK_CONTROL_MASK);
    MainLoop::runFor(0.4);
    MapSearchBar* bar = window->editorOverlays().searchBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isBarShown());
    EXPECT_TRUE(bar->searchField().is_focus());
    bar->searchField().set_text("plum");
    key(GDK_KEY_Return, GdkModifierType(0));
    key(GDK_KEY_Return, GdkModifierType(0));
    EXPECT_EQ(bar->resultsLabel().get_text(), "2/2");
    // Ctrl+F again keeps the bar and its text.
    key(GDK_KEY_f, GDK_CONTROL_MASK);
    EXPECT_TRUE(bar->isBarShown());
    EXPECT_EQ(bar->searchField().get_text(), "plum");
    key(GDK_KEY_Escape, GdkModifierType(0));
    EXPECT_FALSE(bar->isBarShown());
    EXPECT_TRUE(window->canvas().is_focus());
    EXPECT_TRUE(map->searchMatches().empty());

    // Another map shown while the bar is open is the one searched.
    key(GDK_KEY_f, GDK_CONTROL_MASK);
    auto other = std::make_shared<MindMap>();
    other->newMindMap("", true, std::string("plum tree"));
    window->showMindMap(other);
    EXPECT_EQ(other->searchListener(), &bar->controller());
    EXPECT_EQ(map->searchListener(), nullptr);
}

// The first bar of a session slides in as the user sees it, its field shown only from the slide's
// first frame on: the letters typed at once after Ctrl+F are in the field all the same.
TEST_F(MainWindowFindBarTest, TheLettersTypedAtOnceAfterTheFirstCtrlFAreInTheField)
{
    ASSERT_TRUE(runMainLoopUntil([this] { return window->get_mapped(); }, std::chrono::seconds(10)));
    gboolean animations = FALSE;
    g_object_get(gtk_settings_get_default(), "gtk-enable-animations", &animations, nullptr);
    g_object_set(gtk_settings_get_default(), "gtk-enable-animations", TRUE, nullptr);
    std::string typed = "(no find bar)";
    std::vector<std::string> logged;
    {
        RecordedCriticals criticals;
        key(GDK_KEY_f, GDK_CONTROL_MASK);
        for (guint letter : {GDK_KEY_p, GDK_KEY_l}) key(letter, GdkModifierType(0));
        if (MapSearchBar* bar = window->editorOverlays().searchBar()) typed = bar->searchField().get_text();
        logged = criticals.messages();
    }
    g_object_set(gtk_settings_get_default(), "gtk-enable-animations", animations, nullptr);
    EXPECT_EQ(typed, "pl");
    EXPECT_EQ(logged, std::vector<std::string>());
}
