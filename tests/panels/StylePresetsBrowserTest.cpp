#include "panels/StylePresetsBrowser.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StylePresetPainter.h"
#include "MindMaps/StylePresets.h"
#include "MindMaps/TextStyle.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/TextMeasurer.h"
#include "support/FakeTextMeasurer.h"
#include "support/ScriptedAlertPanel.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <memory>
#include <string>
#include <vector>

namespace {

// Draws 40-point squares and remembers what it was asked against; a preset whose style customises
// nothing gets no picture, as a painter that fails would answer.
class RecordingPainter : public StylePresetPainter {
public:
    Image textPresetImage(const TextStyle& own, const TextStyle* reference) override { return draw(own, reference); }
    Image nodePresetImage(const NodeStyle& own, const NodeStyle* reference) override { return draw(own, reference); }
    Image relationPresetImage(const RelationStyle& own, const RelationStyle* reference) override
    {
        return draw(own, reference);
    }

    std::vector<const ElementStyle*> references;

private:
    Image draw(const ElementStyle& own, const ElementStyle* reference)
    {
        references.push_back(reference);
        return own.customizedProps() == 0 ? Image() : Image(40, 40);
    }
};

class FakeView : public StylePresetsBrowserView {
public:
    void reloadBrowser() override
    {
        ++reloads;
        if (selected && *selected >= browser->numberOfItems()) selected.reset();
    }
    std::optional<size_t> selectedIndex() const override { return selected; }
    void setOkEnabled(bool enabled) override { okEnabled = enabled; }
    void setDeleteEnabled(bool enabled) override { deleteEnabled = enabled; }
    void setEditModeShown(bool on) override { editModeShown = on; }
    void setReorderingAllowed(bool allowed) override { reordering = allowed; }
    void passivateBrowser() override { events.push_back("passivate"); }
    void stopModal(int result) override { events.push_back("stop " + std::to_string(result)); }

    void select(std::optional<size_t> index)
    {
        selected = index;
        browser->selectionDidChange();
    }

    StylePresetsBrowser* browser = nullptr;
    std::optional<size_t> selected;
    bool okEnabled = false;
    bool deleteEnabled = false;
    bool editModeShown = false;
    bool reordering = false;
    int reloads = 0;
    std::vector<std::string> events;
};

class StylePresetsBrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TextMeasurer::setShared(&measurer);
        // Presets files keep their styles in the native style format; undo takes snapshots in it.
        registerNativeFormat();
        StylePresetPainter::install(&painter);
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        theme = map->mainCentralTheme();
        child = map->addMindMapNodeAsChild(theme, {600, 400});
        MindMapNode* sibling = map->addMindMapNodeAsChild(theme, {200, 400});
        link = map->addCrossLinkFromSource(child, sibling);
        label = theme->addText();
        label->setText("label");
        map->validateElementStates();
        nodePresets = std::make_unique<NodeStylePresets>(directory.path());
        relationPresets = std::make_unique<RelationStylePresets>(directory.path());
        textPresets = std::make_unique<TextStylePresets>(directory.path());
        lookup = [this](int32_t type) -> StylePresets* {
            switch (type) {
            case ElementTypeNode:
                return nodePresets.get();
            case ElementTypeCrossLink:
            case ElementTypeParentRelation:
                return relationPresets.get();
            case ElementTypeText:
                return textPresets.get();
            default:
                return nullptr;
            }
        };
    }

    void TearDown() override
    {
        StylePresetPainter::install(nullptr);
        TextMeasurer::setShared(nullptr);
    }

    // A browser on five topic presets, shown in the fake view.
    std::unique_ptr<StylePresetsBrowser> openOnTopic()
    {
        while (nodePresets->count() > 5) nodePresets->deletePresetAtIndex(nodePresets->count() - 1);
        auto browser = StylePresetsBrowser::forElement(*theme, lookup);
        view.browser = browser.get();
        browser->setView(&view);
        browser->reloadPresets(true);
        browser->updateButtonStates();
        return browser;
    }

    std::vector<StylePreset*> order(const StylePresets& presets)
    {
        std::vector<StylePreset*> result;
        for (const auto& preset : presets.presets()) result.push_back(preset.get());
        return result;
    }

    FakeTextMeasurer measurer;
    RecordingPainter painter;
    TempDir directory;
    std::shared_ptr<MindMap> map;
    MindMapNode* theme = nullptr;
    MindMapNode* child = nullptr;
    CrossLink* link = nullptr;
    MindMapText* label = nullptr;
    std::unique_ptr<NodeStylePresets> nodePresets;
    std::unique_ptr<RelationStylePresets> relationPresets;
    std::unique_ptr<TextStylePresets> textPresets;
    StylePresetsBrowser::PresetsLookup lookup;
    FakeView view;
};

} // namespace

TEST_F(StylePresetsBrowserTest, EachKindOfElementGetsItsOwnCollectionAndOthersNone)
{
    struct Case {
        const char* what;
        MindMapElement* element;
        StylePresets* presets;
    };
    ASSERT_NE(child->parentRelation(), nullptr);
    const Case cases[] = {
        {"topic", theme, nodePresets.get()},
        {"cross link", link, relationPresets.get()},
        {"parent relation", child->parentRelation(), relationPresets.get()},
        {"free text", label, textPresets.get()},
    };
    for (const Case& each : cases) {
        auto browser = StylePresetsBrowser::forElement(*each.element, lookup);
        ASSERT_TRUE(browser) << each.what;
        EXPECT_EQ(each.presets, &browser->stylePresets()) << each.what;
        // The reference style stands alone: no parent to fall back on.
        ASSERT_NE(browser->referenceStyle(), nullptr) << each.what;
    }
    EXPECT_TRUE(dynamic_cast<const NodeStyle*>(StylePresetsBrowser::forElement(*theme, lookup)->referenceStyle()));
    EXPECT_TRUE(dynamic_cast<const RelationStyle*>(StylePresetsBrowser::forElement(*link, lookup)->referenceStyle()));
    EXPECT_FALSE(dynamic_cast<const NodeStyle*>(StylePresetsBrowser::forElement(*label, lookup)->referenceStyle()));

    // An element of any other kind gets no browser, even where a lookup would answer.
    MindMapElement other(map.get());
    EXPECT_FALSE(StylePresetsBrowser::forElement(other, [this](int32_t) { return nodePresets.get(); }));
    EXPECT_FALSE(StylePresetsBrowser::forElement(*theme, [](int32_t) { return nullptr; }));
}

TEST_F(StylePresetsBrowserTest, ListingRedrawsPreviewsAgainstTheElementsStyleOnlyWhenAsked)
{
    auto browser = openOnTopic();
    ASSERT_EQ(5u, browser->numberOfItems());
    ASSERT_EQ(5u, painter.references.size());
    for (const ElementStyle* reference : painter.references) EXPECT_EQ(browser->referenceStyle(), reference);
    for (size_t index = 0; index < 5; ++index) {
        EXPECT_EQ(nodePresets->presetAtIndex(index), &browser->itemAtIndex(index).preset());
        EXPECT_EQ(nodePresets->presetAtIndex(index)->UID(), browser->itemAtIndex(index).imageUID());
        EXPECT_EQ(24u, browser->itemAtIndex(index).imageUID().size());
    }
    browser->reloadPresets(false);
    EXPECT_EQ(5u, painter.references.size());
}

TEST_F(StylePresetsBrowserTest, APresetWithoutPictureShowsAndKeepsTheGlobe)
{
    StylePreset* bare = nodePresets->presetAtIndex(0);
    bare->assignStyle(std::make_unique<NodeStyle>().get());
    ASSERT_EQ(0u, bare->style()->customizedProps());
    auto browser = openOnTopic();
    ASSERT_TRUE(bare->image().isNull());
    const Image& shown = browser->itemAtIndex(0).imageRepresentation();
    const Image globe = Image::fromResource(PresetBrowserItem::FallbackImageName);
    ASSERT_FALSE(globe.isNull()) << "the application image \"globe_32\" is missing";
    EXPECT_EQ(globe.pixelSize(), shown.pixelSize());
    EXPECT_EQ(&shown, &bare->image());
    EXPECT_FALSE(bare->image().isNull());
    // A preset with its own picture shows that one.
    EXPECT_EQ(&nodePresets->presetAtIndex(1)->image(), &browser->itemAtIndex(1).imageRepresentation());
    EXPECT_EQ(40, browser->itemAtIndex(1).imageRepresentation().pixelWidth());
}

TEST_F(StylePresetsBrowserTest, OutsideEditModeASelectionPicksAtOnceAndEndsTheSessionOnce)
{
    auto browser = openOnTopic();
    EXPECT_FALSE(view.okEnabled);
    EXPECT_FALSE(view.deleteEnabled);
    // OK without a selection does nothing.
    browser->okButtonClicked();
    EXPECT_TRUE(view.events.empty());

    view.select(2);
    EXPECT_EQ((std::vector<std::string>{"passivate", "stop 1"}), view.events);
    EXPECT_EQ(std::optional<int>(StylePresetsBrowser::OkResult), browser->modalResult());
    EXPECT_EQ(nodePresets->presetAtIndex(2), browser->chosenPreset(1));
    // Whatever else arrives while the window closes ends nothing again.
    browser->cellWasDoubleClicked(2);
    browser->windowWillClose();
    EXPECT_EQ(2u, view.events.size());
}

TEST_F(StylePresetsBrowserTest, CancelAndTheCloseButtonAnswerTheAbortResultAndNoPreset)
{
    for (bool close : {false, true}) {
        view.events.clear();
        auto browser = openOnTopic();
        close ? browser->windowWillClose() : browser->cancelButtonClicked();
        EXPECT_EQ((std::vector<std::string>{"passivate", "stop -1001"}), view.events) << close;
        EXPECT_EQ(std::optional<int>(-1001), browser->modalResult());
        EXPECT_EQ(nullptr, browser->chosenPreset(-1001));
        browser->setView(nullptr);
    }
}

TEST_F(StylePresetsBrowserTest, InEditModeClicksOnlySelectAndOkOrADoubleClickPicks)
{
    auto browser = openOnTopic();
    browser->editModeButtonClicked();
    EXPECT_TRUE(browser->editMode());
    EXPECT_TRUE(view.editModeShown);
    EXPECT_TRUE(view.reordering);
    view.select(3);
    EXPECT_TRUE(view.events.empty());
    EXPECT_TRUE(view.okEnabled);
    EXPECT_TRUE(view.deleteEnabled);
    EXPECT_EQ(nodePresets->presetAtIndex(3), browser->selectedPreset());

    browser->editModeButtonClicked();
    EXPECT_FALSE(view.reordering);
    EXPECT_FALSE(view.editModeShown);
    EXPECT_TRUE(view.okEnabled);
    EXPECT_FALSE(view.deleteEnabled);
    EXPECT_TRUE(view.events.empty());

    browser->editModeButtonClicked();
    browser->cellWasDoubleClicked(3);
    EXPECT_EQ((std::vector<std::string>{"passivate", "stop 1"}), view.events);
    EXPECT_EQ(nodePresets->presetAtIndex(3), browser->chosenPreset(1));
}

TEST_F(StylePresetsBrowserTest, DeletingRemovesTheSelectedPresetFromTheGridAndTheFile)
{
    auto browser = openOnTopic();
    // Delete without a selection does nothing.
    browser->deleteButtonClicked();
    EXPECT_EQ(5u, nodePresets->count());

    browser->editModeButtonClicked();
    view.select(1);
    StylePreset* doomed = nodePresets->presetAtIndex(1);
    const int reloads = view.reloads;
    const size_t drawn = painter.references.size();
    browser->deleteButtonClicked();
    EXPECT_EQ(4u, nodePresets->count());
    EXPECT_EQ(4u, browser->numberOfItems());
    for (size_t index = 0; index < 4; ++index) EXPECT_NE(doomed, &browser->itemAtIndex(index).preset());
    EXPECT_EQ(reloads + 1, view.reloads);
    EXPECT_EQ(drawn, painter.references.size());

    NodeStylePresets reread(directory.path());
    EXPECT_EQ(4u, reread.count());
}

TEST_F(StylePresetsBrowserTest, ADropMovesTheFirstDraggedPresetToBeforeTheOneAtTheDropPosition)
{
    struct Case {
        std::vector<size_t> dragged;
        size_t drop;
        std::vector<size_t> expected; // old indexes in the new order
    };
    const Case cases[] = {
        {{0}, 3, {1, 2, 0, 3, 4}}, // the first of five dropped at 3 is third, before the old fourth
        {{4}, 0, {4, 0, 1, 2, 3}},    {{1}, 5, {0, 2, 3, 4, 1}},
        {{0, 1}, 5, {1, 2, 3, 4, 0}}, // only the first of several moves
        {{2}, 2, {0, 1, 2, 3, 4}},    {{}, 3, {0, 1, 2, 3, 4}},
    };
    for (const Case& each : cases) {
        auto browser = openOnTopic();
        const std::vector<StylePreset*> before = order(*nodePresets);
        EXPECT_TRUE(browser->moveItems(each.dragged, each.drop));
        std::vector<StylePreset*> expected;
        for (size_t index : each.expected) expected.push_back(before[index]);
        EXPECT_EQ(expected, order(*nodePresets)) << each.drop;
        for (size_t index = 0; index < 5; ++index) EXPECT_EQ(expected[index], &browser->itemAtIndex(index).preset());
        // The file holds the new order.
        NodeStylePresets reread(directory.path());
        ASSERT_EQ(5u, reread.count());
        EXPECT_EQ(nodePresets->presetsFileText(), reread.presetsFileText());
    }
}

TEST_F(StylePresetsBrowserTest, AFailedSaveIsToldToTheUserWhileTheGridShowsTheCollection)
{
    ScriptedAlertPanel alerts;
    auto browser = openOnTopic();
    // Where the file belongs stands a folder: writing it fails, whoever runs the test.
    std::filesystem::remove(nodePresets->fileName());
    std::filesystem::create_directories(nodePresets->fileName() + "/taken");

    browser->editModeButtonClicked();
    view.select(0);
    browser->deleteButtonClicked();
    EXPECT_EQ(4u, browser->numberOfItems());
    ASSERT_EQ(1u, alerts.requests.size());
    EXPECT_EQ("The style presets could not be saved.", alerts.requests[0].messageText);

    EXPECT_TRUE(browser->moveItems({0}, 3));
    EXPECT_EQ(2u, alerts.requests.size());
    // A drop that changes nothing writes nothing and tells nothing.
    EXPECT_TRUE(browser->moveItems({1}, 1));
    EXPECT_TRUE(browser->moveItems({}, 1));
    EXPECT_EQ(2u, alerts.requests.size());
}
