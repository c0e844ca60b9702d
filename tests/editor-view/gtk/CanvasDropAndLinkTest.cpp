#include "editor-view/gtk/CanvasDropTarget.h"
#include "editor-view/gtk/MindMapEditorCanvas.h"

#include "MindMaps/DiagramLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeIcon.h"
#include "Utils/URLUtils.h"
#include "formats/TwkxMindMapReader.h"
#include "layout/LayoutInstallation.h"
#include "platform/Clock.h"
#include "platform/Image.h"
#include "platform/MainLoop.h"
#include "platform/gtk/MainLoopScheduler.h"
#include "store/CustomImageStore.h"

#include "support/DisplayRequirement.h"
#include "support/RecordingUriLauncher.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

namespace {

bool xdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

// A window with a drag source on the left and the canvas on the right, showing a map of one
// central theme; the pointer is the display's own, moved by xdotool.
class CanvasDropAndLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        Gtk::Main::init_gtkmm_internals();
        if (!xdotool("version")) GTEST_SKIP() << "no xdotool";
        registerNativeFormat();
        installLayout();
        canvas = std::make_unique<MindMapEditorCanvas>(&scheduler, MonotonicClock::shared());
        window = std::make_unique<Gtk::Window>();
        window->set_default_size(600, 320);
        box = std::make_unique<Gtk::Box>();
        source = std::make_unique<Gtk::EventBox>();
        sourceLabel = std::make_unique<Gtk::Label>("drag me");
        source->set_size_request(120, 320);
        source->add(*sourceLabel);
        source->drag_source_set({Gtk::TargetEntry("UTF8_STRING"), Gtk::TargetEntry("text/plain")}, Gdk::BUTTON1_MASK,
                                Gdk::ACTION_COPY | Gdk::ACTION_MOVE);
        source->signal_drag_data_get().connect(
            [this](const Glib::RefPtr<Gdk::DragContext>&, Gtk::SelectionData& data, guint, guint) {
                if (data.get_target() == "text/uri-list") {
                    data.set_uris(uris);
                    return;
                }
                if (beforeSendingText) beforeSendingText();
                data.set_text("Dragged idea ñ");
            });
        source->signal_drag_data_delete().connect(
            [this](const Glib::RefPtr<Gdk::DragContext>&) { sourceDeleted = true; });
        box->pack_start(*source, false, false);
        box->pack_start(*canvas, true, true);
        window->add(*box);
        map->newMindMap("", true, std::string("Canvas"));
        canvas->editorView().setMindMap(map);
        window->show_all();
        canvas->editorView().scrollMapPointToCenter(map->mainCentralTheme()->location());
        MainLoop::runFor(0.3);
    }

    void TearDown() override
    {
        if (canvas) canvas->editorView().setMindMap(nullptr);
        window.reset();
        canvas.reset();
        source.reset();
        sourceLabel.reset();
        box.reset();
    }

    void moveTo(Gtk::Widget& widget, Point point)
    {
        int rootX = 0, rootY = 0;
        widget.get_window()->get_root_coords(int(point.x), int(point.y), rootX, rootY);
        ASSERT_TRUE(xdotool("mousemove --sync " + std::to_string(rootX) + " " + std::to_string(rootY)));
        MainLoop::runFor(0.05);
    }

    MainLoopScheduler scheduler{MonotonicClock::shared()};
    std::unique_ptr<Gtk::Window> window;
    // Made once GTK has started.
    std::unique_ptr<Gtk::Box> box;
    std::unique_ptr<Gtk::EventBox> source;
    std::unique_ptr<Gtk::Label> sourceLabel;
    std::unique_ptr<MindMapEditorCanvas> canvas;
    std::shared_ptr<MindMap> map = std::make_shared<MindMap>();
    bool sourceDeleted = false;
    std::vector<Glib::ustring> uris;
    // What happens while the source is still to send its text.
    std::function<void()> beforeSendingText;
};

TEST(CanvasDropTargetActions, CopyAndLinkAreTakenAsTheSourceAllowsAndMoveNever)
{
    struct Case {
        DragOperation operation;
        Gdk::DragAction allowed;
        Gdk::DragAction taken;
    };
    const Case cases[] = {
        {DragOperationCopy, Gdk::ACTION_COPY | Gdk::ACTION_MOVE, Gdk::ACTION_COPY},
        {DragOperationLink, Gdk::ACTION_COPY | Gdk::ACTION_LINK, Gdk::ACTION_LINK},
        {DragOperationLink, Gdk::ACTION_COPY, Gdk::ACTION_COPY},
        {DragOperationCopy, Gdk::ACTION_LINK, Gdk::ACTION_LINK},
        {DragOperationCopy, Gdk::ACTION_MOVE, Gdk::DragAction(0)},
        {DragOperationMove, Gdk::ACTION_MOVE, Gdk::DragAction(0)},
        {DragOperationNone, Gdk::ACTION_COPY, Gdk::DragAction(0)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CanvasDropTarget::gdkActionFor(c.operation, c.allowed), c.taken) << c.operation << " " << c.allowed;
}

// Text dragged from another widget with the display's pointer becomes a topic where it is
// dropped; the source keeps its text.
TEST_F(CanvasDropAndLinkTest, TextDraggedOntoTheCanvasBecomesATopic)
{
    MindMapNode* theme = map->mainCentralTheme();
    const size_t before = map->nodes().size();
    moveTo(*source, {60, 160});
    ASSERT_TRUE(xdotool("mousedown 1"));
    for (int step = 1; step <= 12; ++step) moveTo(*source, {60.0 + 20 * step, 160});
    const Point onTheme = canvas->editorView().mapToViewSpace(theme->location());
    for (int step = 1; step <= 4; ++step) moveTo(*canvas, onTheme + Point(4.0 * step, 0));
    ASSERT_TRUE(xdotool("mouseup 1"));
    ASSERT_TRUE(MainLoop::runUntil([&] { return map->nodes().size() > before; }, 5));
    MainLoop::runFor(0.1);
    ASSERT_NE(map->selectedNode(), nullptr);
    EXPECT_EQ(map->selectedNode()->text(), "Dragged idea ñ");
    EXPECT_EQ(map->selectedNode()->parent(), theme);
    EXPECT_EQ(map->dropTarget(), nullptr);
    EXPECT_FALSE(sourceDeleted);
}

// The source sends the text late, after another map was opened: the drop was on the map before it,
// and the map shown now takes nothing.
TEST_F(CanvasDropAndLinkTest, TextThatComesAfterAnotherMapOpenedIsDroppedNowhere)
{
    bool asked = false;
    beforeSendingText = [&] {
        asked = true;
        map->newMindMap("", true, std::string("Opened meanwhile"));
    };
    const Point onTheme = canvas->editorView().mapToViewSpace(map->mainCentralTheme()->location());
    moveTo(*source, {60, 160});
    ASSERT_TRUE(xdotool("mousedown 1"));
    for (int step = 1; step <= 12; ++step) moveTo(*source, {60.0 + 20 * step, 160});
    for (int step = 1; step <= 4; ++step) moveTo(*canvas, onTheme + Point(4.0 * step, 0));
    bool ended = false;
    source->signal_drag_end().connect([&](const Glib::RefPtr<Gdk::DragContext>&) { ended = true; });
    ASSERT_TRUE(xdotool("mouseup 1"));
    ASSERT_TRUE(MainLoop::runUntil([&] { return asked && ended; }, 5));
    // The drop is carried out when idle, once answered: after that, an idle of lower priority.
    bool settled = false;
    Glib::signal_idle().connect_once([&] { settled = true; }, Glib::PRIORITY_LOW);
    ASSERT_TRUE(MainLoop::runUntil([&] { return settled; }, 5));
    ASSERT_EQ(map->nodes().size(), 1u);
    EXPECT_EQ(map->mainCentralTheme()->text(), "Opened meanwhile");
}

// A file dragged from another widget onto the theme links the theme to it: the file list is asked
// for while the drag moves, and again at the drop.
TEST_F(CanvasDropAndLinkTest, AFileDraggedOntoATopicLinksIt)
{
    TempDir folder;
    writeTestFile(folder.file("Plan ü.pdf"), "%PDF-1.4");
    uris = {fileURLWithPath(folder.file("Plan ü.pdf"))};
    source->drag_source_set({Gtk::TargetEntry("text/uri-list")}, Gdk::BUTTON1_MASK,
                            Gdk::ACTION_COPY | Gdk::ACTION_LINK);
    MindMapNode* theme = map->mainCentralTheme();
    moveTo(*source, {60, 160});
    ASSERT_TRUE(xdotool("mousedown 1"));
    for (int step = 1; step <= 12; ++step) moveTo(*source, {60.0 + 20 * step, 160});
    const Point onTheme = canvas->editorView().mapToViewSpace(theme->location());
    for (int step = 1; step <= 4; ++step) moveTo(*canvas, onTheme + Point(4.0 * step, 0));
    EXPECT_EQ(map->dropTarget(), theme) << "highlighted while the drag is over it";
    ASSERT_TRUE(xdotool("mouseup 1"));
    ASSERT_TRUE(MainLoop::runUntil([&] { return theme->diagramLink() != nullptr; }, 5));
    EXPECT_EQ(theme->diagramLink()->linkID(), folder.file("Plan ü.pdf"));
    EXPECT_EQ(map->dropTarget(), nullptr);
    EXPECT_FALSE(sourceDeleted);
}

// A picture file dropped on the theme opens the image menu at the drop point, after the drop has
// ended; its second item embeds the picture in the theme.
TEST_F(CanvasDropAndLinkTest, APictureDroppedOnATopicOffersTheImageMenu)
{
    TempDir folder;
    auto store = std::make_shared<CustomImageStore>(folder.file("images"));
    map->setImageStore(store);
    Image picture(60, 40);
    ASSERT_TRUE(picture.writePng(folder.file("photo.png")));
    uris = {fileURLWithPath(folder.file("photo.png"))};
    source->drag_source_set({Gtk::TargetEntry("text/uri-list")}, Gdk::BUTTON1_MASK, Gdk::ACTION_COPY);
    MindMapNode* theme = map->mainCentralTheme();
    moveTo(*source, {60, 160});
    ASSERT_TRUE(xdotool("mousedown 1"));
    for (int step = 1; step <= 12; ++step) moveTo(*source, {60.0 + 20 * step, 160});
    const Point onTheme = canvas->editorView().mapToViewSpace(theme->location());
    for (int step = 1; step <= 4; ++step) moveTo(*canvas, onTheme + Point(4.0 * step, 0));
    ASSERT_TRUE(xdotool("mouseup 1"));
    const auto menuShown = [] {
        for (Gtk::Window* shown : Gtk::Window::list_toplevels())
            if (shown->get_type_hint() == Gdk::WINDOW_TYPE_HINT_POPUP_MENU && shown->get_mapped()) return true;
        return false;
    };
    ASSERT_TRUE(MainLoop::runUntil(menuShown, 5));
    MainLoop::runFor(0.3);
    ASSERT_TRUE(xdotool("key Down Down Return"));
    ASSERT_TRUE(MainLoop::runUntil([&] { return !theme->embeddedImageName().empty(); }, 5));
    EXPECT_EQ(Image::fromFile(store->customImageFilePath(theme->embeddedImageName())).pixelSize(), Size(60, 40));
}

// A press on a topic's link icon with the display's pointer opens the link through the launcher.
TEST_F(CanvasDropAndLinkTest, ClickingTheLinkIconOpensTheWebPage)
{
    RecordingUriLauncher launcher;
    MindMapNode* theme = map->mainCentralTheme();
    map->setSelectedElement(theme);
    map->addDiagramLink("https://example.com/plan", "", DiagramLink::LinkTypeURL);
    map->setSelectedElement(nullptr);
    map->validateElementStates();
    MainLoop::runFor(0.2);
    ASSERT_NE(theme->diagramLink(), nullptr);
    const Size iconSize = theme->diagramLink()->icon()->size();
    const Point iconCentre = theme->diagramLinkOrigin() + Point(iconSize.width / 2, iconSize.height / 2);
    ASSERT_EQ(theme->getHitTestInfo(iconCentre), MindMapNode::HitLinkIcon);
    moveTo(*canvas, canvas->editorView().mapToViewSpace(iconCentre));
    ASSERT_TRUE(xdotool("click 1"));
    ASSERT_TRUE(MainLoop::runUntil([&] { return !launcher.opened.empty(); }, 5));
    EXPECT_EQ(launcher.opened, std::vector<std::string>{"https://example.com/plan"});
    EXPECT_EQ(map->selectedNode(), theme);
}

} // namespace
