#include "Editor/gtk/ElementActionBars.h"

#include "Editor/CommandRouter.h"
#include "Editor/gtk/SegmentedControlWidget.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/gtk/MindMapEditorCanvas.h"
#include "platform/Clock.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/gtk/MainLoopScheduler.h"

#include "support/ActiveWindow.h"
#include "support/DisplayRequirement.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A window with the canvas and its bars, the editor answering the chain as in the main window.
class ElementActionBarsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        Gtk::Main::init_gtkmm_internals();
        window = std::make_unique<Gtk::Window>();
        canvas = std::make_unique<MindMapEditorCanvas>(&scheduler, MonotonicClock::shared());
        map->newMindMap("", true, std::string("Theme"));
        topic = map->addMindMapNodeAsChild(map->mainCentralTheme(), {500, 300});
        topic->setText("Topic");
        canvas->editorView().setMindMap(map);
        bars = std::make_unique<ElementActionBars>(canvas->editorView(), canvas->popoverPresenter());
        CommandRouter::shared().setResponderChain([this] { return std::vector<Responder*>{&canvas->editorView()}; });
        window->set_default_size(800, 500);
        window->add(*canvas);
        window->show_all();
        // The bar must be seen to leave the keyboard with the canvas.
        ASSERT_TRUE(makeWindowActive(*window));
        canvas->grab_focus();
        MainLoop::runFor(0.2);
    }

    void TearDown() override
    {
        CommandRouter::shared().setResponderChain(nullptr);
        bars.reset();
        if (canvas) canvas->editorView().setMindMap(nullptr);
        canvas.reset();
        window.reset();
    }

    void key(guint keyval)
    {
        canvas->grab_focus();
        GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
        event->key.window = GDK_WINDOW(g_object_ref(window->get_window()->gobj()));
        event->key.keyval = keyval;
        gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
        gtk_main_do_event(event);
        gdk_event_free(event);
    }

    MainLoopScheduler scheduler{MonotonicClock::shared()};
    std::shared_ptr<MindMap> map = std::make_shared<MindMap>();
    MindMapNode* topic = nullptr;
    std::unique_ptr<Gtk::Window> window;
    std::unique_ptr<MindMapEditorCanvas> canvas;
    std::unique_ptr<ElementActionBars> bars;
};

} // namespace

TEST_F(ElementActionBarsTest, ASelectedTopicShowsItsBarWhichAddsALabelAndEscapeCloses)
{
    map->setSelectedElement(topic);
    canvas->editorView().invokeElementActionBar();
    MainLoop::runFor(0.3);
    ASSERT_TRUE(bars->isActionBarShown());
    EditorActionBar* bar = bars->shownBar();
    ASSERT_TRUE(bar);
    EXPECT_TRUE(bar->get_mapped());
    ASSERT_EQ(2u, bar->controlWidgets().size());
    EXPECT_TRUE(canvas->has_focus()) << "the canvas keeps the keyboard";
    for (const auto& widget : bar->controlWidgets())
        for (size_t i = 0; i < widget->item().segmentedControl().segmentCount(); ++i)
            EXPECT_FALSE(widget->button(i).get_can_focus());

    Gtk::Button& addLabel = bar->controlWidgets()[0]->button(5);
    EXPECT_EQ(localized("topic_menu_add_label"), addLabel.get_tooltip_text());
    ASSERT_TRUE(addLabel.get_sensitive());
    const size_t before = topic->containedElementCount();
    addLabel.clicked();
    MainLoop::runFor(0.2);
    EXPECT_EQ(before + 1, topic->containedElementCount());
    EXPECT_TRUE(canvas->editorView().inplaceEditOpen()) << "the new label is being typed";
    EXPECT_FALSE(bars->isActionBarShown());

    // Again on the topic; Escape in the canvas closes the bar.
    canvas->editorView().cancelEditorModes(true);
    map->setSelectedElement(topic);
    canvas->editorView().invokeElementActionBar();
    MainLoop::runFor(0.3);
    ASSERT_TRUE(bars->isActionBarShown());
    key(GDK_KEY_Escape);
    MainLoop::runFor(0.2);
    EXPECT_FALSE(bars->isActionBarShown());
    EXPECT_FALSE(bars->shownBar());
}

TEST_F(ElementActionBarsTest, EachKindHasASizeAndItsOwnContent)
{
    for (auto kind : {ElementActionBarPresenter::Kind::Node, ElementActionBarPresenter::Kind::Relation,
                      ElementActionBarPresenter::Kind::Image, ElementActionBarPresenter::Kind::Text}) {
        const Size size = bars->contentSize(kind);
        EXPECT_GT(size.width, 20) << ElementActionBars::contentName(kind);
        EXPECT_GT(size.height, 10) << ElementActionBars::contentName(kind);
        bars->showActionBar(kind, {100, 100, 40, 20});
        MainLoop::runFor(0.1);
        ASSERT_TRUE(bars->shownBar());
        EXPECT_EQ(ElementActionBars::contentName(kind), bars->shownBar()->controller().layoutName());
    }
    bars->closeActionBars();
    EXPECT_FALSE(bars->isActionBarShown());
    // The editor lets go of the bars with them.
    bars.reset();
    map->setSelectedElement(topic);
    canvas->editorView().invokeElementActionBar();
}
