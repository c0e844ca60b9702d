#include "explorers/gtk/CloudExplorerView.h"
#include "Editor/ToolbarImages.h"
#include "Editor/gtk/GtkTestSupport.h"
#include "explorers/gtk/CloudSetupView.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/gtk/KeptCellEdits.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "support/CapturedStandardError.h"
#include "support/RecordedCriticals.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

class RenamingExplorer : public CloudExplorer {
public:
    using CloudExplorer::CloudExplorer;
    bool allowInplaceEditing() override { return true; }
    void renameFileItem(FileListItem& item, const std::string& newName) override
    {
        renames.push_back(item.fileName() + " -> " + newName);
    }
    void tableViewDoubleClicked() override { ++doubleClicks; }
    void tableViewEnterKeyDown(CloudTableView&) override { ++enters; }
    void tableViewMoveLeft(CloudTableView&) override { ++lefts; }

    std::vector<std::string> renames;
    int doubleClicks = 0;
    int enters = 0;
    int lefts = 0;
};

void sendKey(Gtk::Widget& widget, guint keyval, guint state = 0)
{
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(widget.get_window()->gobj()));
    event->key.keyval = keyval;
    event->key.state = state;
    event->key.time = GDK_CURRENT_TIME;
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()), keyval, &keys,
                                          &count) &&
        count > 0)
        event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
    g_free(keys);
    gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
    handEvent(widget.gobj(), event);
    gdk_event_free(event);
}

void sendButton(Gtk::Widget& widget, GdkEventType type, guint button, double x, double y, GdkWindow* window = nullptr)
{
    GdkEvent* event = gdk_event_new(type);
    event->button.window = GDK_WINDOW(g_object_ref(window ? window : widget.get_window()->gobj()));
    event->button.button = button;
    event->button.x = x;
    event->button.y = y;
    event->button.time = GDK_CURRENT_TIME;
    gdk_event_set_device(event, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
    handEvent(widget.gobj(), event);
    gdk_event_free(event);
}

// Where a row's name is drawn, in the tree view's window.
Gdk::Rectangle rowArea(CloudTableWidget& table, size_t row)
{
    Gdk::Rectangle area;
    table.treeView().get_cell_area(Gtk::TreeModel::Path(std::to_string(row)), *table.treeView().get_column(0), area);
    return area;
}

class ScriptedCloud : public MindMapProvider {
public:
    ScriptedCloud(int32_t type, std::string name) : MindMapProvider(type), _name(std::move(name)) {}
    std::string title() const override { return _name; }
    bool enabled() const override { return _connected; }
    void connectToCloud(const std::any&) override
    {
        _connected = true;
        enabledChanged();
    }
    void disconnectFromCloud() override
    {
        _connected = false;
        enabledChanged();
    }

private:
    std::string _name;
    bool _connected = false;
};

} // namespace

TEST(CloudExplorerViewTest, ShowsTheSampleListingWithItsRowHeightsAndNoEmptyToolbar)
{
    initGtkForTests();
    RenamingExplorer explorer(MainExplorerMode);
    Gtk::Window window;
    window.set_default_size(320, 400);
    CloudExplorerView view(explorer);
    window.add(view);
    window.show_all();
    drainGtkEvents();

    EXPECT_FALSE(view.toolbarStrip().get_visible()) << "the base has no controls";
    ASSERT_EQ(7u, explorer.adapter().numberOfRows());
    EXPECT_EQ(18, view.table().rowHeight(0));
    EXPECT_EQ(31, view.table().rowHeight(2));
    EXPECT_FALSE(view.table().treeView().get_headers_visible());
    view.table().setEmptyText("No files");
    explorer.adapter().removeAllObjects();
    drainGtkEvents();
    EXPECT_TRUE(view.table().treeView().get_headers_visible());
    EXPECT_EQ("No files", view.table().treeView().get_column(0)->get_title().raw());
    explorer.refreshListing();
    drainGtkEvents();
    EXPECT_FALSE(view.table().treeView().get_headers_visible());

    view.breadcrumbBar().bar().setRootCaption("Cloud");
    view.breadcrumbBar().bar().setRelativePath("Work/2024");
    drainGtkEvents();
    EXPECT_EQ(3u, view.breadcrumbBar().bar().visibleButtons().size());
    EXPECT_EQ(320, view.breadcrumbBar().get_allocated_width()) << "the bar spans the pane";
    EXPECT_EQ(320.0, view.breadcrumbBar().bar().frameSize().width);
    if (const char* dump = std::getenv("TARNWICK_DUMP_PNG")) {
        explorer.adapter().items()[2]->setSize(1536);
        explorer.adapter().items()[3]->setOfflineAvailable(true);
        explorer.adapter().items()[4]->setModified(std::chrono::system_clock::now());
        explorer.adapter().assignItems(explorer.adapter().items());
        view.table().selectRows({3});
        drainGtkEvents();
        for (int i = 0; i < 20; ++i) {
            drainGtkEvents();
            g_usleep(10000);
        }
        window.get_window()->process_updates(true);
        auto shot = Gdk::Pixbuf::create(window.get_window(), 0, 0, 320, 400);
        shot->save(dump, "png");
    }
}

// A tab shown for the first time is realized before it has its size: the empty text of its table
// waits for the size before it shows in the header, where GTK and pixman complained of a window of
// negative height (pixman says so only ten times a process: a program that spent them earlier
// passes this whatever).
TEST(CloudExplorerViewTest, ATabShownTheFirstTimeWithItsEmptyTextSaysNothingOnStandardError)
{
    initGtkForTests();
    Gtk::Window window;
    window.set_default_size(320, 400);
    Gtk::Stack tabs;
    Gtk::Label first("first tab");
    tabs.add(first, "first");
    window.add(tabs);
    window.show_all();
    drainGtkEvents();

    RenamingExplorer explorer(MainExplorerMode);
    CloudExplorerView view(explorer);
    // The tabs measure every page, the hidden ones too: the table knows its header's height before
    // it has ever had a size.
    tabs.add(view, "cloud");
    view.show_all();
    view.table().setEmptyText("No files");
    drainGtkEvents();
    {
        RecordedCriticals criticals(GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING));
        CapturedStandardError standardError;
        ASSERT_TRUE(standardError.capturing());
        tabs.set_visible_child("cloud");
        ASSERT_TRUE(view.table().treeView().get_realized());
        explorer.adapter().removeAllObjects();
        // The header shows once the table has its size, in the next frame.
        EXPECT_TRUE(MainLoop::runUntil([&] { return view.table().treeView().get_headers_visible(); }, 10));
        drainGtkEvents();
        EXPECT_EQ(standardError.text(), "");
        EXPECT_TRUE(criticals.messages().empty()) << criticals.messages().front();
    }
    EXPECT_EQ("No files", view.table().treeView().get_column(0)->get_title().raw());
    tabs.remove(view);
}

namespace {

struct Rgb {
    double r, g, b;
};

double distance(Rgb a, Rgb b)
{
    return std::max({std::fabs(a.r - b.r), std::fabs(a.g - b.g), std::fabs(a.b - b.b)});
}

// The text colour in a band of the table's drawing: the pixel that stands out most from the
// band's background, taken at its right end where no text reaches.
Rgb inkInBand(cairo_surface_t* surface, int left, int top, int right, int bottom)
{
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const auto at = [&](int x, int y) {
        const auto pixel = *reinterpret_cast<const uint32_t*>(data + y * stride + 4 * x);
        return Rgb{((pixel >> 16) & 0xff) / 255.0, ((pixel >> 8) & 0xff) / 255.0, (pixel & 0xff) / 255.0};
    };
    const Rgb background = at(right - 1, (top + bottom) / 2);
    Rgb ink = background;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (distance(at(x, y), background) > distance(ink, background)) ink = at(x, y);
    return ink;
}

} // namespace

TEST(CloudExplorerViewTest, ASelectedRowsDetailsTakeTheSelectedForegroundOthersStayGrey)
{
    initGtkForTests();
    RenamingExplorer explorer(MainExplorerMode);
    Gtk::Window window;
    window.set_default_size(320, 400);
    CloudExplorerView view(explorer);
    window.add(view);
    window.show_all();
    explorer.adapter().items()[2]->setSize(1536);
    explorer.adapter().assignItems(explorer.adapter().items());
    drainGtkEvents();
    ASSERT_FALSE(explorer.adapter().rowAt(2).details.empty());

    Gtk::TreeView& tree = view.table().treeView();
    auto context = tree.get_style_context();
    const Gdk::RGBA selectedColor = context->get_color(context->get_state() | Gtk::STATE_FLAG_SELECTED);
    // Only the name's cell: the type picture beside it stands out too. The column has its width
    // only once the window is laid out, which a window manager or a busy machine may not have
    // let happen yet.
    window.check_resize();
    Gtk::TreeViewColumn& column = *tree.get_column(0);
    const std::vector<Gtk::CellRenderer*> cells = column.get_cells();
    ASSERT_EQ(3u, cells.size());
    int nameStart = 0, nameWidth = 0;
    ASSERT_TRUE(column.get_cell_position(*cells[1], nameStart, nameWidth));
    ASSERT_GT(nameWidth, 0) << "the column is not laid out";
    const struct Case {
        bool selected;
        Rgb details;
    } cases[] = {
        {true, {selectedColor.get_red(), selectedColor.get_green(), selectedColor.get_blue()}},
        {false, {0x70 / 255.0, 0x70 / 255.0, 0x70 / 255.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected ? "selected" : "not selected");
        view.table().selectRows(c.selected ? std::vector<size_t>{2} : std::vector<size_t>{});
        tree.grab_focus();
        drainGtkEvents();
        // Drawn at once: the rows' new sizes are laid out now, not at the next frame.
        window.check_resize();
        const Gdk::Rectangle area = rowArea(view.table(), 2);
        const int width = tree.get_allocated_width(), height = tree.get_allocated_height();
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
        cairo_t* cr = cairo_create(surface);
        gtk_widget_draw(GTK_WIDGET(tree.gobj()), cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        // The details are the lower of the name's two lines.
        const int middle = area.get_y() + area.get_height() / 2;
        const Rgb details = inkInBand(surface, area.get_x() + nameStart, middle + 2, area.get_x() + area.get_width(),
                                      area.get_y() + area.get_height());
        cairo_surface_destroy(surface);
        EXPECT_LT(distance(details, c.details), 0.12)
            << details.r << "," << details.g << "," << details.b << " instead of " << c.details.r << "," << c.details.g
            << "," << c.details.b;
    }
}

TEST(CloudExplorerViewTest, ReturnDoubleClickAndArrowsReachTheExplorer)
{
    initGtkForTests();
    RenamingExplorer explorer(MainExplorerMode);
    Gtk::Window window;
    window.set_default_size(320, 400);
    CloudExplorerView view(explorer);
    window.add(view);
    window.show_all();
    drainGtkEvents();
    Gtk::TreeView& tree = view.table().treeView();
    view.table().selectRows({2});

    sendKey(tree, GDK_KEY_Return);
    sendKey(tree, GDK_KEY_KP_Enter);
    sendKey(tree, GDK_KEY_Return, GDK_CONTROL_MASK);
    EXPECT_EQ(2, explorer.enters) << "Return with Ctrl held is not reported";
    EXPECT_EQ(0, explorer.doubleClicks) << "Return is no double click";
    sendKey(tree, GDK_KEY_Left);
    EXPECT_EQ(1, explorer.lefts);

    const Gdk::Rectangle area = rowArea(view.table(), 2);
    const double x = area.get_x() + 40, y = area.get_y() + area.get_height() / 2.0;
    GdkWindow* rows = tree.get_bin_window()->gobj();
    for (int press = 0; press < 2; ++press) {
        sendButton(tree, GDK_BUTTON_PRESS, 1, x, y, rows);
        sendButton(tree, GDK_BUTTON_RELEASE, 1, x, y, rows);
    }
    drainGtkEvents();
    EXPECT_EQ(1, explorer.doubleClicks);
    EXPECT_FALSE(view.table().isEditing()) << "clicks never start a rename";
    sendButton(tree, GDK_BUTTON_PRESS, 3, x, y, rows);
    sendButton(tree, GDK_BUTTON_RELEASE, 3, x, y, rows);
    drainGtkEvents();
    EXPECT_FALSE(view.table().isEditing()) << "nor does a right click";
}

TEST(CloudExplorerViewTest, ARenameInPlaceEditsTheNameWithoutItsExtension)
{
    initGtkForTests();
    RenamingExplorer explorer(MainExplorerMode);
    Gtk::Window window;
    window.set_default_size(320, 400);
    CloudExplorerView view(explorer);
    window.add(view);
    window.show_all();
    drainGtkEvents();

    ASSERT_TRUE(view.table().beginEditingRow(2));
    Gtk::Entry* entry = view.table().editingEntry();
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ("mind map1", entry->get_text().raw());
    entry->set_text("");
    int position = 0;
    entry->insert_text("min?utes", -1, position);
    EXPECT_EQ("minutes", entry->get_text().raw()) << "the ? is refused as typed";
    entry->activate();
    drainGtkEvents();
    EXPECT_FALSE(view.table().isEditing());
    EXPECT_EQ((std::vector<std::string>{"mind map1.twkx -> minutes.twkx"}), explorer.renames);

    explorer.adapter().setReadOnly(true);
    EXPECT_FALSE(view.table().beginEditingRow(2));
}

// A name typed into the list is taken, once, when the window takes what its lists hold (a save,
// a close, the focus moving on inside it).
TEST(CloudExplorerViewTest, ARenameInPlaceIsTakenOnceWhenTheWindowTakesItsNames)
{
    initGtkForTests();
    RenamingExplorer explorer(MainExplorerMode);
    Gtk::Window window;
    CloudExplorerView view(explorer);
    window.add(view);
    window.show_all();
    drainGtkEvents();
    ASSERT_TRUE(view.table().beginEditingRow(2));
    view.table().editingEntry()->set_text("minutes");
    commitCellEditsInside(window);
    drainGtkEvents();
    EXPECT_FALSE(view.table().isEditing());
    EXPECT_EQ((std::vector<std::string>{"mind map1.twkx -> minutes.twkx"}), explorer.renames);
}

// A listing that comes in while a name is typed (a sync, a refresh, thumbnails shown) is nothing
// the user did: the rename stays open on its item with the text and caret as left, and Return then
// renames once. An item the new listing lacks takes the typed name at once, so that the cloud
// says what became of it. Until this held, a new listing ended the rename and dropped its text.
enum class Listing { Refreshed, ItemMovedUp, ThumbnailsShown, ItemGone };

class CloudRenameUnderListingTest : public ::testing::TestWithParam<Listing> {};

TEST_P(CloudRenameUnderListingTest, TheTypedNameStaysOpenOnItsItemAndIsTakenOnce)
{
    initGtkForTests();
    RenamingExplorer explorer(MainExplorerMode);
    Gtk::Window window;
    window.set_default_size(320, 400);
    CloudExplorerView view(explorer);
    window.add(view);
    window.show_all();
    drainGtkEvents();
    CloudTableWidget& table = view.table();
    ASSERT_TRUE(table.beginEditingRow(3));
    table.editingEntry()->set_text("minutes of may");
    table.editingEntry()->set_position(7);

    FileListItems items = explorer.adapter().items();
    size_t row = 3;
    switch (GetParam()) {
    case Listing::Refreshed:
        explorer.adapter().removeAllObjects();
        drainGtkEvents();
        explorer.adapter().assignItems(items);
        break;
    case Listing::ItemMovedUp:
        std::rotate(items.begin(), items.begin() + 3, items.begin() + 4);
        explorer.adapter().removeAllObjects();
        explorer.adapter().assignItems(items);
        row = 0;
        break;
    case Listing::ThumbnailsShown:
        explorer.adapter().setShowThumbnails(true);
        break;
    case Listing::ItemGone:
        items.erase(items.begin() + 3);
        explorer.adapter().assignItems(items);
        break;
    }
    drainGtkEvents();
    if (GetParam() == Listing::ItemGone) {
        EXPECT_FALSE(table.isEditing());
        EXPECT_EQ((std::vector<std::string>{"mind map2.twkx -> minutes of may.twkx"}), explorer.renames);
        return;
    }
    ASSERT_TRUE(table.isEditing()) << "the rename stays open";
    EXPECT_EQ(table.editedRow(), row) << "on its item's row";
    EXPECT_EQ("minutes of may", table.editingEntry()->get_text().raw());
    EXPECT_EQ(7, table.editingEntry()->get_position());
    EXPECT_TRUE(explorer.renames.empty()) << "nothing is renamed before the user ends the rename";
    sendKey(*table.editingEntry(), GDK_KEY_Return);
    drainGtkEvents();
    EXPECT_FALSE(table.isEditing());
    EXPECT_EQ((std::vector<std::string>{"mind map2.twkx -> minutes of may.twkx"}), explorer.renames);
}

INSTANTIATE_TEST_SUITE_P(EveryListing, CloudRenameUnderListingTest,
                         ::testing::Values(Listing::Refreshed, Listing::ItemMovedUp, Listing::ThumbnailsShown,
                                           Listing::ItemGone));

TEST(CloudExplorerViewTest, TheBreadcrumbBarNavigatesByRealClicks)
{
    initGtkForTests();
    struct Listener : BreadcrumbBarListener {
        void navigateToBreadcrumbPath(const std::string& path) override { paths.push_back(path); }
        std::vector<std::string> paths;
    } listener;
    Gtk::Window window;
    window.set_default_size(400, 22);
    BreadcrumbBarWidget bar;
    window.add(bar);
    window.show_all();
    drainGtkEvents();
    bar.bar().setNavigationListener(&listener);
    bar.bar().setRootPath("/");
    bar.bar().setRelativePath("Work/2024");
    drainGtkEvents();
    ASSERT_EQ(3u, bar.bar().visibleButtons().size());
    const double workMiddle = 26 + bar.bar().visibleButtons()[1]->width / 2;
    sendButton(bar, GDK_BUTTON_PRESS, 1, workMiddle, 10);
    sendButton(bar, GDK_BUTTON_RELEASE, 1, workMiddle, 10);
    sendButton(bar, GDK_BUTTON_PRESS, 1, 5, 10);
    sendButton(bar, GDK_BUTTON_RELEASE, 1, 5, 10);
    sendButton(bar, GDK_BUTTON_PRESS, 1, 390, 10);
    sendButton(bar, GDK_BUTTON_RELEASE, 1, 390, 10);
    EXPECT_EQ((std::vector<std::string>{"/Work/", "/"}), listener.paths);

    Gtk::Window narrowWindow;
    narrowWindow.set_default_size(60, 22);
    BreadcrumbBarWidget narrow;
    narrowWindow.add(narrow);
    narrowWindow.show_all();
    narrow.bar().setNavigationListener(&listener);
    narrow.bar().setRootCaption("Cloud");
    narrow.bar().setRootPath("/");
    narrow.bar().setRelativePath("W_ork/2024");
    drainGtkEvents();
    ASSERT_EQ(BreadcrumbBarButton::BackArrow, narrow.bar().visibleButtons().front()->kind);
    sendButton(narrow, GDK_BUTTON_PRESS, 1, 3, 10);
    sendButton(narrow, GDK_BUTTON_RELEASE, 1, 3, 10);
    drainGtkEvents();
    ASSERT_NE(nullptr, narrow.menuPresenter().shownMenu());
    std::vector<std::string> titles;
    for (Gtk::Widget* item : narrow.menuPresenter().shownMenu()->get_children())
        titles.push_back(static_cast<Gtk::MenuItem*>(item)->get_label().raw());
    EXPECT_EQ((std::vector<std::string>{"W_ork", "Cloud"}), titles) << "nearest first, the root last";
    auto* first = static_cast<Gtk::MenuItem*>(narrow.menuPresenter().shownMenu()->get_children().front());
    EXPECT_FALSE(first->get_use_underline()) << "a folder's name is no mnemonic";
    narrow.menuPresenter().shownMenu()->popdown();
}

TEST(CloudSetupViewTest, RowsConnectAndDisconnectAndAreNeverSelected)
{
    initGtkForTests();
    auto cloud = std::make_shared<ScriptedCloud>(1, "My _Cloud <i>");
    MindMapProviders::instance().registerProvider(cloud);
    {
        CloudSetupViewController controller;
        Gtk::Window window;
        CloudSetupView view(controller);
        window.add(view);
        window.show_all();
        drainGtkEvents();
        EXPECT_EQ(localized("clouds_setup"), view.headerLabel().get_text().raw());
        ASSERT_EQ(1u, view.list().get_children().size());
        EXPECT_EQ(Gtk::SELECTION_NONE, view.list().get_selection_mode());
        EXPECT_GE(view.list().get_row_at_index(0)->get_allocated_height(), 44);
        // The title shows as typed: no markup, no mnemonic.
        const std::vector<Gtk::Widget*> lines =
            static_cast<Gtk::Box*>(
                static_cast<Gtk::Box*>(view.list().get_row_at_index(0)->get_child())->get_children()[0])
                ->get_children();
        auto* title = dynamic_cast<Gtk::Label*>(lines.at(1));
        ASSERT_NE(nullptr, title);
        EXPECT_EQ("My _Cloud <i>", title->get_layout()->get_text().raw());
        // The service's picture is the one the image table gives its name.
        auto* icon = dynamic_cast<Gtk::Image*>(lines.at(0));
        ASSERT_NE(nullptr, icon);
        const ToolbarImageRow* picture = toolbarImage(CloudSetupViewController::iconImageNameOf(*cloud));
        ASSERT_TRUE(picture && picture->iconName);
        EXPECT_EQ(Gtk::IMAGE_ICON_NAME, icon->get_storage_type());
        EXPECT_EQ(picture->iconName, icon->property_icon_name().get_value().raw());
        Gtk::Button* button = view.buttonOfRow(0);
        ASSERT_NE(nullptr, button);
        EXPECT_EQ(localized("db_connect_condensed"), button->get_label().raw());
        button->clicked();
        drainGtkEvents();
        EXPECT_TRUE(cloud->enabled());
        ASSERT_NE(nullptr, view.buttonOfRow(0));
        EXPECT_EQ(localized("db_disconnect_condensed"), view.buttonOfRow(0)->get_label().raw());
        view.buttonOfRow(0)->clicked();
        drainGtkEvents();
        EXPECT_FALSE(cloud->enabled());
    }
    MindMapProviders::instance().unregisterProvider(cloud.get());
}
