// The icon tab's plain half: the order of the user's icons, moves, picking and the settings it keeps.

#include "MindMaps/CustomIcon.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapTestSupport.h"
#include "Utils/RecordingFeedbackSink.h"
#include "Utils/URLUtils.h"
#include "formats/TwkxMindMapReader.h"
#include "panels/IconPickerController.h"
#include "panels/IconPickerMapDelegate.h"
#include "panels/IconPickerOrder.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "platform/PropertyList.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"
#include "store/CustomImageStore.h"
#include "store/StockIcons.h"
#include "support/ScriptedFileChooser.h"
#include "support/TempDir.h"
#include "support/UndoSteps.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using maptest::addTopic;

namespace {

namespace fs = std::filesystem;

std::string hashOf(char digit)
{
    return std::string(40, digit);
}

std::vector<uint8_t> plist(const PropertyList& value)
{
    return value.toData();
}

std::vector<uint8_t> bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

// A picture of one shade, so that each shade gives another hash.
std::string writePicture(const std::string& path, int shade)
{
    Image image(32, 32);
    cairo_t* cr = cairo_create(image.surface());
    cairo_set_source_rgb(cr, shade / 255.0, 0.5, 0.25);
    cairo_paint(cr);
    cairo_destroy(cr);
    image.writePng(path);
    return path;
}

class Recorder : public IconPickerPanelDelegate {
public:
    void iconPickerIconPicked(const std::string& iconName, bool addAsImage) override
    {
        picks.push_back(iconName + (addAsImage ? " as image" : ""));
    }
    void addIconFromURL(const std::string& fileUrl) override { urls.push_back(fileUrl); }

    std::vector<std::string> picks;
    std::vector<std::string> urls;
};

class NamedIcons : public StockIconStore {
public:
    explicit NamedIcons(std::vector<std::string> names) : _names(std::move(names)) {}
    std::vector<std::string> iconNames() const override { return _names; }

private:
    std::vector<std::string> _names;
};

// A store folder holding files named by the hashes "aaa…", "bbb…", …; the order file lies in a
// folder of its own.
class IconStoreTest : public ::testing::Test {
protected:
    IconStoreTest() : store(std::make_shared<CustomImageStore>(folder.file("Custom Icons")))
    {
        fs::create_directories(store->imagesDirectory());
        // The settings file of the process outlives each test.
        UserDefaults::standard().resetForTesting();
        UserDefaults::standard().removeObject(EmbeddedIconPickerController::FlatIconSizeSegmentKey);
        UserDefaults::standard().removeObject(EmbeddedIconPickerController::SelectedTabKey);
    }

    void addFiles(const std::string& digits)
    {
        for (char digit : digits) writeTestFile(store->imagesDirectory() + "/" + hashOf(digit) + ".png", "x");
    }
    std::vector<std::string> storeOrder() const
    {
        std::vector<std::string> hashes;
        for (const std::string& name : store->imageFiles())
            if (name.size() == 44) hashes.push_back(name.substr(0, 40));
        return hashes;
    }
    std::string orderFile() const { return orderFolder.file(CustomImageBrowserController::OrderFileName); }
    void writeOrder(const std::string& digits)
    {
        PropertyList::Array array;
        for (char digit : digits) array.push_back(hashOf(digit));
        writeFileAtomically(orderFile(), PropertyList(array).toData());
    }
    static std::vector<std::string> hashes(const std::string& digits)
    {
        std::vector<std::string> list;
        for (char digit : digits) list.push_back(hashOf(digit));
        return list;
    }

    TempDir folder;
    TempDir orderFolder;
    std::shared_ptr<CustomImageStore> store;
};

TEST(IconOrder, MergeDropsMissingHashesAndAppendsNewOnesInStoreOrder)
{
    struct Case {
        const char* name;
        std::vector<std::string> order;
        std::vector<std::string> present;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"no order", {}, {"c", "a", "b"}, {"c", "a", "b"}},
        {"saved order kept", {"b", "c", "a"}, {"a", "b", "c"}, {"b", "c", "a"}},
        {"missing dropped", {"x", "b", "y", "a", "z"}, {"a", "b"}, {"b", "a"}},
        {"new appended in store order", {"b"}, {"d", "b", "a"}, {"b", "d", "a"}},
        {"repeats shown once", {"a", "b", "a"}, {"a", "b"}, {"a", "b"}},
        {"empty store", {"a", "b"}, {}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(mergeIconOrder(c.order, c.present), c.expected) << c.name;
}

TEST(IconOrder, AnythingButAnArrayOfStringsReadsAsEmpty)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"XML array", plist(PropertyList::Array{"a", "b"}), {"a", "b"}},
        {"binary array", PropertyList(PropertyList::Array{"a"}).toData(PropertyList::Format::Binary), {"a"}},
        {"empty array", plist(PropertyList::Array{}), {}},
        {"no data", {}, {}},
        {"not a property list", bytes("<html>icons</html>"), {}},
        {"truncated", bytes("<?xml version=\"1.0\"?><plist><array><string>a</string>"), {}},
        {"a string", plist("a"), {}},
        {"a dictionary", plist(PropertyList::Dictionary{{"a", "b"}}), {}},
        {"a number among strings", plist(PropertyList::Array{"a", 7, "b"}), {}},
        {"a nested array", plist(PropertyList::Array{"a", PropertyList::Array{"b"}}), {}},
        {"data entry", plist(PropertyList::Array{PropertyList::Data{1, 2}}), {}},
    };
    for (const Case& c : cases) EXPECT_EQ(parseIconOrder(c.data), c.expected) << c.name;
}

TEST_F(IconStoreTest, WithoutOrderFileTheStoreOrderShowsAndLoadingWritesNothing)
{
    addFiles("abcd");
    CustomImageBrowserController browser(store, orderFolder.path());
    EXPECT_EQ(browser.orderedHashesFileName(), orderFolder.path() + "/custom-icons-order.plist");
    EXPECT_EQ(browser.orderedHashes(), storeOrder());
    EXPECT_FALSE(fs::exists(orderFile()));

    // After one move the file exists and holds every hash, in the new order.
    browser.setEditingMode(true);
    EXPECT_TRUE(browser.moveItemsAtIndexes({3}, 0));
    EXPECT_EQ(readIconOrderFile(orderFile()), browser.orderedHashes());
    EXPECT_EQ(browser.orderedHashes().size(), 4u);
}

TEST_F(IconStoreTest, OnlyHashesOfStoreFilesSurviveTheOrderFile)
{
    addFiles("abc");
    // Besides a picture whose name is no hash, the file names one the store does not have and one
    // that would climb out of the folder.
    writeTestFile(store->imagesDirectory() + "/holiday.png", "x");
    PropertyList::Array array{hashOf('c'), "../../etc/passwd", hashOf('e'), "holiday", hashOf('a')};
    writeFileAtomically(orderFile(), PropertyList(array).toData());
    CustomImageBrowserController browser(store, orderFolder.path());
    std::vector<std::string> shown = browser.orderedHashes();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], hashOf('c'));
    EXPECT_EQ(shown[1], hashOf('a'));
    EXPECT_EQ(shown[2], hashOf('b'));
    // What the file said stays as it was until the user moves an icon.
    EXPECT_EQ(readIconOrderFile(orderFile()).size(), 5u);

    // A damaged file is no order at all.
    writeTestFile(orderFile(), "\x01\x02garbage");
    browser.loadImageFiles();
    EXPECT_EQ(browser.orderedHashes(), storeOrder());
}

TEST_F(IconStoreTest, MovesFollowTheDropIndexAndWriteTheOrder)
{
    struct Case {
        const char* name;
        size_t source;
        size_t destination;
        const char* expected;
        bool moved;
    };
    const Case cases[] = {
        {"down to a lower index", 3, 1, "adbce", true},
        {"up: just before the item at the destination", 1, 4, "acdbe", true},
        {"first to the end", 0, 5, "bcdea", true},
        {"last to the end leaves the order but writes", 4, 5, "abcde", true},
        {"just behind itself writes", 1, 2, "abcde", true},
        {"onto its own index reloads only", 2, 2, "abcde", false},
        {"source past the end is the last", 9, 0, "eabcd", true},
        {"destination past the end is the end", 0, 99, "bcdea", true},
    };
    addFiles("abcde");
    for (const Case& c : cases) {
        writeOrder("abcde");
        CustomImageBrowserController browser(store, orderFolder.path());
        browser.setEditingMode(true);
        fs::remove(orderFile());
        int reloads = 0;
        browser.setViewHandlers({[&reloads] { ++reloads; }, nullptr, nullptr});
        EXPECT_EQ(browser.moveItemsAtIndexes({c.source, 0}, c.destination), c.moved) << c.name;
        EXPECT_EQ(browser.orderedHashes(), hashes(c.expected)) << c.name;
        EXPECT_EQ(fs::exists(orderFile()), c.moved) << c.name;
        if (c.moved) {
            EXPECT_EQ(readIconOrderFile(orderFile()), hashes(c.expected)) << c.name;
        }
        EXPECT_EQ(reloads, 1) << c.name;
    }
}

TEST_F(IconStoreTest, AnOrderThatCannotBeWrittenIsToldToTheUser)
{
    RecordingFeedbackSink feedback;
    addFiles("abc");
    CustomImageBrowserController browser(store, orderFolder.file("no such folder"));
    browser.setEditingMode(true);
    const std::vector<std::string> before = browser.orderedHashes();
    EXPECT_TRUE(browser.moveItemsAtIndexes({2}, 0));
    EXPECT_EQ(browser.orderedHashes()[0], before[2]);
    ASSERT_EQ(feedback.notifications.size(), 1u);
    EXPECT_EQ(feedback.notifications[0].title, localized("icon_picker_order_not_saved"));
    EXPECT_EQ(feedback.notifications[0].state, unsigned(FeedbackStateError));
    EXPECT_FALSE(feedback.notifications[0].message.empty());
}

TEST_F(IconStoreTest, OutsideTheEditingModeNothingMovesOrDrags)
{
    addFiles("abc");
    writeOrder("abc");
    CustomImageBrowserController browser(store, orderFolder.path());
    EXPECT_FALSE(browser.writeItemsAtIndexes({0}));
    EXPECT_FALSE(browser.moveItemsAtIndexes({2}, 0));
    EXPECT_EQ(browser.orderedHashes(), hashes("abc"));

    browser.setEditingMode(true);
    EXPECT_EQ(browser.writeItemsAtIndexes({1, 2}), hashOf('b'));
    EXPECT_FALSE(browser.writeItemsAtIndexes({}));
    EXPECT_FALSE(browser.moveItemsAtIndexes({}, 0));
    // Leaving the mode empties the selection.
    browser.setSelectionIndexes({1});
    browser.setEditingMode(false);
    EXPECT_TRUE(browser.selectionIndexes().empty());

    // No icons at all: nothing to move, whatever the indexes say.
    TempDir emptyFolder;
    CustomImageBrowserController none(std::make_shared<CustomImageStore>(emptyFolder.path()), orderFolder.path());
    none.setEditingMode(true);
    EXPECT_FALSE(none.moveItemsAtIndexes({0}, 0));
    EXPECT_FALSE(none.moveItemsAtIndexes({3}, 1));
    EXPECT_FALSE(none.writeItemsAtIndexes({0}));
}

TEST_F(IconStoreTest, TheListFollowsTheStoreAndTheSelectionHelpers)
{
    addFiles("abc");
    writeOrder("cba");
    CustomImageBrowserController browser(store, orderFolder.path());
    EXPECT_EQ(browser.indexOfImageHash(hashOf('a')), 2u);
    EXPECT_FALSE(browser.indexOfImageHash(""));
    EXPECT_FALSE(browser.indexOfImageHash(hashOf('f')));

    std::optional<size_t> scrolledTo;
    browser.setViewHandlers({nullptr, [&scrolledTo](std::optional<size_t> to) { scrolledTo = to; }, nullptr});
    browser.selectImageHash(hashOf('b'));
    EXPECT_EQ(browser.selectedImageHash(), hashOf('b'));
    EXPECT_EQ(scrolledTo, 1u);
    browser.selectImageHash(hashOf('f'));
    EXPECT_FALSE(browser.selectedImageHash());

    // Deleted elsewhere (another window): gone at the store's notification.
    store->deleteCustomImage(hashOf('c'));
    EXPECT_EQ(browser.orderedHashes(), hashes("ba"));
    // Deleting from the picker deletes the first selected icon's file.
    browser.setSelectionIndexes({1, 0});
    browser.deleteButtonClicked();
    EXPECT_EQ(browser.orderedHashes(), hashes("a"));
    EXPECT_FALSE(fs::exists(store->imagesDirectory() + "/" + hashOf('b') + ".png"));
}

TEST_F(IconStoreTest, AddedFilesAreImportedAndTheFirstShownIsSelected)
{
    ScriptedFileChooser chooser;
    CustomImageBrowserController browser(store, orderFolder.path());
    chooser.openAnswer = {writePicture(folder.file("one.png"), 10), folder.file("missing.png"),
                          writePicture(folder.file("two.png"), 200)};
    browser.browseButtonClicked();
    ASSERT_EQ(chooser.openRequests.size(), 1u);
    EXPECT_EQ(chooser.openRequests[0].title, localized("topic_menu_custom_image"));
    EXPECT_TRUE(chooser.openRequests[0].allowsMultipleSelection);
    ASSERT_EQ(browser.numberOfItems(), 2u);
    ASSERT_EQ(browser.selectionIndexes().size(), 1u);
    EXPECT_EQ(browser.selectedImageHash(), browser.itemUniqueId(browser.selectionIndexes()[0]));
    EXPECT_TRUE(browser.itemImage(0));

    // Nothing importable empties the selection.
    chooser.openAnswer = {folder.file("missing.png")};
    browser.browseButtonClicked();
    EXPECT_TRUE(browser.selectionIndexes().empty());
}

TEST_F(IconStoreTest, TheFlatLargeSegmentPicksTheNinetySixName)
{
    Recorder owner;
    NamedIcons flat({"ic8_48_star", "plain"});
    NamedIcons classic({"flag", ""});
    EmbeddedIconPickerController picker(&owner, flat, classic, store, orderFolder.path());
    picker.setEnabled(true);
    picker.flatStockIconBrowserController().userSelected({0});
    picker.imageBrowserSelectionDidChange(EmbeddedIconPickerController::Tab::StockIcons);
    picker.sizeSegmentsClicked(1);
    picker.flatStockIconBrowserController().userSelected({0});
    picker.imageBrowserSelectionDidChange(EmbeddedIconPickerController::Tab::StockIcons);
    picker.flatStockIconBrowserController().userSelected({1});
    picker.imageBrowserSelectionDidChange(EmbeddedIconPickerController::Tab::StockIcons);
    picker.stockIconBrowserController().userSelected({0});
    picker.imageBrowserSelectionDidChange(EmbeddedIconPickerController::Tab::ClassicIcons);
    // An empty name is no pick.
    picker.stockIconBrowserController().userSelected({1});
    picker.imageBrowserSelectionDidChange(EmbeddedIconPickerController::Tab::ClassicIcons);
    picker.setAddAsImage(true);
    picker.setHasIconToRemove(true);
    picker.clearButtonClicked();
    EXPECT_EQ(owner.picks, (std::vector<std::string>{"ic8_48_star", "ic8_96_star", "plain", "flag", " as image"}));
    EXPECT_EQ(picker.pickedIconName(), "");
    EXPECT_TRUE(picker.flatStockIconBrowserController().selectionIndexes().empty());
}

TEST_F(IconStoreTest, PickingWhileDisabledOnlyClearsTheSelections)
{
    addFiles("ab");
    Recorder owner;
    NamedIcons icons({"ic8_48_star"});
    EmbeddedIconPickerController picker(&owner, icons, icons, store, orderFolder.path());
    EXPECT_FALSE(picker.enabled());
    EXPECT_FALSE(picker.buttonStates().clear);
    EXPECT_FALSE(picker.buttonStates().addIconFromFile);
    using Tab = EmbeddedIconPickerController::Tab;
    for (Tab tab : {Tab::StockIcons, Tab::MyIcons, Tab::ClassicIcons}) {
        for (Tab other : {Tab::StockIcons, Tab::MyIcons, Tab::ClassicIcons}) picker.browser(other).userSelected({0});
        picker.imageBrowserSelectionDidChange(tab);
        for (Tab other : {Tab::StockIcons, Tab::MyIcons, Tab::ClassicIcons})
            EXPECT_TRUE(picker.browser(other).selectionIndexes().empty());
    }
    picker.clearButtonClicked();
    picker.imageBrowserCellWasDoubleClicked(Tab::MyIcons, 0);
    EXPECT_TRUE(owner.picks.empty());
    EXPECT_EQ(picker.pickedIconName(), "");

    int stateChanges = 0;
    picker.setButtonStatesHandler([&stateChanges] { ++stateChanges; });
    picker.setEnabled(true);
    EXPECT_EQ(stateChanges, 1);
    EXPECT_TRUE(picker.buttonStates().addIconFromFile);
    // Remove Icon wants an icon to take away as well.
    EXPECT_FALSE(picker.buttonStates().clear);
    picker.clearButtonClicked();
    EXPECT_TRUE(owner.picks.empty());
    picker.setHasIconToRemove(true);
    EXPECT_EQ(stateChanges, 2);
    EXPECT_TRUE(picker.buttonStates().clear);
}

TEST_F(IconStoreTest, InTheEditingModeAClickOnlyEnablesDeleteAndADoubleClickPicks)
{
    addFiles("ab");
    writeOrder("ab");
    Recorder owner;
    NamedIcons icons({});
    EmbeddedIconPickerController picker(&owner, icons, icons, store, orderFolder.path());
    picker.setEnabled(true);
    using Tab = EmbeddedIconPickerController::Tab;
    CustomImageBrowserController& mine = picker.customIconBrowserController();

    // Outside the mode a click picks.
    mine.userSelected({1});
    picker.imageBrowserSelectionDidChange(Tab::MyIcons);
    EXPECT_EQ(owner.picks, (std::vector<std::string>{"#" + hashOf('b')}));
    EXPECT_FALSE(picker.buttonStates().add);

    picker.editModeButtonClicked();
    EXPECT_TRUE(mine.editingMode());
    EXPECT_TRUE(picker.buttonStates().editMode);
    EXPECT_TRUE(picker.buttonStates().add);
    EXPECT_FALSE(picker.buttonStates().remove);
    mine.userSelected({0});
    picker.imageBrowserSelectionDidChange(Tab::MyIcons);
    EXPECT_EQ(owner.picks.size(), 1u);
    EXPECT_TRUE(picker.buttonStates().remove);

    picker.imageBrowserCellWasDoubleClicked(Tab::MyIcons, 0);
    EXPECT_EQ(owner.picks.back(), "#" + hashOf('a'));
    EXPECT_FALSE(picker.buttonStates().remove);

    picker.editModeButtonClicked();
    EXPECT_FALSE(mine.editingMode());
    EXPECT_FALSE(picker.buttonStates().add);
}

TEST_F(IconStoreTest, TheSizeSegmentAndTheTabAreKeptInTheUserDefaults)
{
    NamedIcons icons({});
    using Tab = EmbeddedIconPickerController::Tab;
    {
        EmbeddedIconPickerController picker(nullptr, icons, icons, store, orderFolder.path());
        EXPECT_EQ(picker.iconSizeSegment(), 0);
        EXPECT_EQ(picker.selectedTab(), Tab::StockIcons);
        picker.sizeSegmentsClicked(1);
        picker.tabSelected(Tab::ClassicIcons);
    }
    EXPECT_EQ(UserDefaults::standard().integerForKey("iconPicker.FlatIconSizeSegment"), 1);
    EXPECT_EQ(UserDefaults::standard().stringForKey("iconPicker.SelectedTabIdent"), "classicIcons");
    EmbeddedIconPickerController again(nullptr, icons, icons, store, orderFolder.path());
    EXPECT_EQ(again.iconSizeSegment(), 1);
    EXPECT_EQ(again.selectedTab(), Tab::ClassicIcons);

    // A tab that is no longer there opens the first.
    UserDefaults::standard().setString("iconPicker.SelectedTabIdent", "gone");
    EmbeddedIconPickerController other(nullptr, icons, icons, store, orderFolder.path());
    EXPECT_EQ(other.selectedTab(), Tab::StockIcons);
    EXPECT_EQ(EmbeddedIconPickerController::TabLabelKeys[1], std::string("icon_picker_my_icons_tab"));
}

TEST_F(IconStoreTest, AnIconFromAFileGoesToTheOwnerAsAFileUrl)
{
    ScriptedFileChooser chooser;
    Recorder owner;
    NamedIcons icons({});
    EmbeddedIconPickerController picker(&owner, icons, icons, store, orderFolder.path());
    picker.addIconFromFile();
    chooser.openAnswer = {"/tmp/my pictures/sun.png"};
    picker.addIconFromFile();
    ASSERT_EQ(chooser.openRequests.size(), 2u);
    EXPECT_EQ(chooser.openRequests[0].title, localized("image_drop_handler_add_as_icon"));
    EXPECT_FALSE(chooser.openRequests[0].allowsMultipleSelection);
    EXPECT_EQ(owner.urls, (std::vector<std::string>{"file:///tmp/my%20pictures/sun.png"}));
}

// The owner's side: the picked icon lands on the selected topic as one step.
class MapPickTest : public IconStoreTest {
protected:
    MapPickTest()
        : mapImages(std::make_shared<CustomImageStore>(folder.file("Images"))),
          map(mapImages),
          owner([this] { return &map; }, [this] { ++focusReturns; })
    {
        registerNativeFormat();
        map.newMindMap("", false, std::nullopt);
        MindMapNode* root = addTopic(map, nullptr, Point{0, 0}, "Root");
        topic = addTopic(map, root, Point{200, 0}, "Topic");
        map.setSelectedElement(topic);
        map.undoManager()->removeAllActions();
    }

    int steps()
    {
        const int count = int(undoSteps(*map.undoManager()));
        // Undo and redo read the map anew: the topic is found again by its text and selected.
        topic = nullptr;
        for (MindMapNode* node : map.nodes())
            if (node->text() == "Topic") topic = node;
        if (topic) map.setSelectedElement(topic);
        return count;
    }

    std::shared_ptr<CustomImageStore> mapImages;
    MindMap map;
    MindMapNode* topic = nullptr;
    int focusReturns = 0;
    MapIconPickerDelegate owner;
};

TEST_F(MapPickTest, AStockIconIsOneStepAndPickingItAgainAddsNone)
{
    owner.iconPickerIconPicked("ic8_48_star", false);
    owner.iconPickerIconPicked("ic8_48_star", false);
    EXPECT_EQ(topic->iconName(), "ic8_48_star");
    EXPECT_EQ(steps(), 1);
    EXPECT_EQ(map.undoManager()->undoActionName(), localized("undoable_op_change_icon"));
    EXPECT_EQ(focusReturns, 2);
    EXPECT_TRUE(MapIconPickerDelegate::selectionHasAnIcon(&map)) << "Remove Icon has an icon to remove";
    owner.iconPickerIconPicked("", false);
    EXPECT_EQ(topic->iconName(), "");
    EXPECT_FALSE(MapIconPickerDelegate::selectionHasAnIcon(&map));
}

TEST_F(MapPickTest, FilesAndImagesLandOnTheTopic)
{
    owner.addIconFromURL(fileURLWithPath(writePicture(folder.file("sun.png"), 90)));
    ASSERT_TRUE(CustomIcon::isCustomIconImageName(topic->iconName()));
    EXPECT_FALSE(mapImages->customImageFilePath(topic->iconName().substr(1)).empty());

    owner.iconPickerIconPicked("flag", true);
    ASSERT_EQ(topic->containedElements().size(), 1u);

    // A user's icon travels with the map: its picture is copied into the map's own store.
    std::shared_ptr<CustomImageStore> icons = CustomImageStore::initCustomIconStore(folder.file("Icons"));
    const std::string hash = icons->importImageFromFile(writePicture(folder.file("moon.png"), 180), 240);
    ASSERT_FALSE(hash.empty());
    map.setSelectedElement(topic);
    owner.iconPickerIconPicked("#" + hash, false);
    EXPECT_EQ(topic->iconName(), "#" + hash);
    EXPECT_FALSE(mapImages->customImageFilePath(hash).empty());
    EXPECT_TRUE(fs::exists(mapImages->customImageFilePath(hash)));

    // An unreadable file changes nothing.
    const std::string before = topic->iconName();
    owner.addIconFromURL(fileURLWithPath(folder.file("none.png")));
    EXPECT_EQ(topic->iconName(), before);
}

TEST_F(MapPickTest, ThePickerIsEnabledOnlyForATopicOfAnEditableMap)
{
    EXPECT_TRUE(MapIconPickerDelegate::pickerEnabled(&map, false));
    EXPECT_FALSE(MapIconPickerDelegate::pickerEnabled(&map, true));
    EXPECT_FALSE(MapIconPickerDelegate::pickerEnabled(nullptr, false));
    map.setSelectedElement(nullptr);
    EXPECT_FALSE(MapIconPickerDelegate::pickerEnabled(&map, false));
    map.setSelectedElement(topic->parentRelation());
    EXPECT_FALSE(MapIconPickerDelegate::pickerEnabled(&map, false));
    map.setSelectedElement(topic);
    map.setReadOnly(true);
    EXPECT_FALSE(MapIconPickerDelegate::pickerEnabled(&map, false));
    owner.iconPickerIconPicked("flag", false);
    EXPECT_EQ(topic->iconName(), "");
}

} // namespace
