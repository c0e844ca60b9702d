#include "MindMapNodeTestSupport.h"

#include "MindMaps/CustomIcon.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/EmbeddedImage.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeHullStyle.h"
#include "MindMaps/StockIcon.h"
#include "MindMaps/StyleHelpers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using nodetest::NodeTest;

class MindMapNodeStylingTest : public NodeTest {
protected:
    // A sheet without colour scheme: applying it gives fonts only, so palette entries stay as set.
    void useSchemelessSheet() { map.assignStyleSheet(std::make_shared<StyleSheet>()); }
};

// ---------------------------------------------------------------------------------------------
// Colours

TEST_F(MindMapNodeStylingTest, SetColorCustomisesTheFillAndADarkerStrokeInOneStep)
{
    MindMapNode* node = theme("Theme");
    settle(node);
    const Color red(0.8, 0.2, 0.2);
    node->setColor(red);
    EXPECT_TRUE(node->style()->isPropCustomized(TextStyle::FillColorMask));
    EXPECT_TRUE(node->style()->isPropCustomized(NodeStyle::StrokeColorMask));
    EXPECT_FALSE(node->style()->isPropCustomized(TextStyle::TextColorMask));
    EXPECT_EQ(node->fillColor(), red);
    EXPECT_EQ(node->strokeColor(), MMColorScheme::getReducedLuminanceStrokeColor(red));
    EXPECT_NE(node->updateState() & MindMapNode::UpdateFont, 0u);

    node->validateNodeState();
    node->setColor(std::nullopt);
    EXPECT_EQ(node->updateState(), 0u);
    EXPECT_EQ(node->fillColor(), red);
}

TEST_F(MindMapNodeStylingTest, CustomColoursLeaveEmptyOnesAlone)
{
    MindMapNode* node = theme("Theme");
    settle(node);
    const Color fill = node->fillColor();
    const Color blue(0.1, 0.1, 0.9);
    node->setCustomFillColor(std::nullopt, std::nullopt, blue);
    EXPECT_EQ(node->textColor(), blue);
    EXPECT_EQ(node->fillColor(), fill);
    EXPECT_FALSE(node->style()->isPropCustomized(TextStyle::FillColorMask));
    // The display text carries the colour.
    node->validateNodeState();
    EXPECT_EQ(node->displayText().attributesAt(0).color, blue);
}

TEST_F(MindMapNodeStylingTest, SchemeColoursAreUsedWhereTheStyleGivesNone)
{
    MindMapNode node(nullptr);
    EXPECT_EQ(node.fillColor(), node.colorSchemeFillColor());
    node.setColorSchemeFillColor(Color::normalizedClearColor());
    EXPECT_TRUE(node.fillColor().isNormalizedClearColor());
    node.setColorSchemeStrokeColor(Color(0, 0.5, 0));
    EXPECT_EQ(node.strokeColor(), Color(0, 0.5, 0));
}

TEST_F(MindMapNodeStylingTest, PaletteIndexIsOneBasedAndHandsTheColoursBack)
{
    useSchemelessSheet();
    MindMapNode* root = theme("Root");
    MindMapNode* branch = child(child(root));
    branch->setColor(Color(0.3, 0.3, 0.3));
    ASSERT_TRUE(branch->style()->isPropCustomized(TextStyle::FillColorMask));
    branch->setColorPaletteIndex(4);
    EXPECT_EQ(branch->paletteInfo(), 5);
    EXPECT_FALSE(branch->style()->isPropCustomized(TextStyle::FillColorMask));
    EXPECT_FALSE(branch->style()->isPropCustomized(NodeStyle::StrokeColorMask));
    branch->resetPaletteColor();
    EXPECT_EQ(branch->paletteInfo(), 0);
}

TEST_F(MindMapNodeStylingTest, BorderWidthAndInset)
{
    MindMapNode loose(nullptr);
    // Nothing in the style chain gives a width.
    EXPECT_DOUBLE_EQ(loose.borderWidth(), 2.0);
    EXPECT_DOUBLE_EQ(loose.borderInset(), 4.0);
    loose.style()->changeBorderWidth(4);
    EXPECT_DOUBLE_EQ(loose.borderWidth(), 4.0);
    EXPECT_DOUBLE_EQ(loose.borderInset(), 3.0);
    loose.style()->changeBorderStyle(7);
    EXPECT_DOUBLE_EQ(loose.borderInset(), 0.0);
}

TEST_F(MindMapNodeStylingTest, ClearingTheCustomisationResetsTheWholeBranch)
{
    useSchemelessSheet();
    MindMapNode* root = theme("Root");
    MindMapNode* main = child(root);
    MindMapNode* deep = child(main);
    MindMapNode* deeper = child(deep);
    main->setPaletteInfo(3);
    deep->setPaletteInfo(4);
    deeper->setPaletteInfo(5);
    for (MindMapNode* node : {main, deep, deeper}) node->setColor(Color(0.5, 0.1, 0.1));
    deeper->style()->changeBorderStyle(6);
    for (MindMapNode* node : {root, main, deep, deeper}) node->validateNodeState();

    main->clearStyleCustomization();
    for (MindMapNode* node : {main, deep, deeper}) {
        EXPECT_EQ(node->style()->customizedProps(), 0u);
        EXPECT_NE(node->updateState() & MindMapNode::UpdateFont, 0u);
    }
    // Main branches keep their palette entry, deeper topics give theirs up.
    EXPECT_EQ(main->paletteInfo(), 3);
    EXPECT_EQ(deep->paletteInfo(), 0);
    EXPECT_EQ(deeper->paletteInfo(), 0);
    EXPECT_EQ(root->updateState(), 0u);
    deeper->validateNodeState();
    EXPECT_EQ(deeper->borderStyle(), deeper->style()->borderStyle());
    EXPECT_NE(deeper->borderStyle(), 6);
}

TEST_F(MindMapNodeStylingTest, ClearingALongChainRestylesEachTopicOnce)
{
    // Letting every reset restyle the branch below it would cost the square of the depth.
    const size_t depth = 100000;
    std::vector<MindMapNode*> chain = loadingChain(depth);
    // Customised as a reader does it: a loading topic's style change restyles nothing.
    for (MindMapNode* node : chain) node->setColor(Color(0.2, 0.7, 0.2));
    for (MindMapNode* node : chain) node->loaded();
    ASSERT_NE(chain.back()->style()->customizedProps(), 0u);
    chain.front()->clearStyleCustomization();
    EXPECT_EQ(chain.back()->style()->customizedProps(), 0u);
    EXPECT_EQ(chain.back()->styleSheetFont(), StyleSheet::defaultFontForLevel(2));
}

TEST_F(MindMapNodeStylingTest, PresetWithAWidthGivesABorderToATopicWithout)
{
    MindMapNode* node = theme("Theme");
    node->style()->changeBorderStyle(7);
    NodeStyle preset;
    preset.changeBorderWidth(3);
    preset.changeAlignment(1);
    node->applyPreset(&preset);
    EXPECT_TRUE(node->style()->isPropCustomized(NodeStyle::BorderStyleMask));
    EXPECT_EQ(node->style()->borderStyle(), 0);
    EXPECT_DOUBLE_EQ(node->style()->borderWidth(), 3);
    EXPECT_EQ(node->style()->alignment(), 1);
}

TEST_F(MindMapNodeStylingTest, PresetKeepsABorderItDoesNotName)
{
    MindMapNode* node = theme("Theme");
    node->style()->changeBorderStyle(5);
    NodeStyle preset;
    preset.changeBorderWidth(3);
    node->applyPreset(&preset);
    EXPECT_EQ(node->style()->borderStyle(), 5);

    // A preset's own border style wins, none included.
    node->style()->changeBorderStyle(7);
    NodeStyle withBorder;
    withBorder.changeBorderWidth(3);
    withBorder.changeBorderStyle(7);
    node->applyPreset(&withBorder);
    EXPECT_EQ(node->style()->borderStyle(), 7);

    // A zero width does not count as a border.
    NodeStyle thin;
    thin.changeBorderWidth(0);
    node->applyPreset(&thin);
    EXPECT_EQ(node->style()->borderStyle(), 7);
}

TEST_F(MindMapNodeStylingTest, PresetOfAnotherKindIsIgnored)
{
    MindMapNode* node = theme("Theme");
    settle(node);
    TextStyle textPreset;
    textPreset.changeAlignment(2);
    node->applyPreset(&textPreset);
    node->applyPreset(nullptr);
    EXPECT_EQ(node->updateState(), 0u);
    EXPECT_FALSE(node->style()->isPropCustomized(TextStyle::AlignmentMask));
}

TEST_F(MindMapNodeStylingTest, AssignToStyleTakesTheEffectiveValuesAndTheFont)
{
    MindMapNode* node = theme("Theme");
    settle(node);
    node->setStyleSheetFont(Font("Sans", 18, true, true));
    node->validateNodeState();
    node->style()->changeBorderStyle(3);
    NodeStyle target;
    node->assignToStyle(&target);
    EXPECT_EQ(target.borderStyle(), 3);
    EXPECT_DOUBLE_EQ(target.borderWidth(), node->borderWidth());
    EXPECT_EQ(target.fillColor(), node->fillColor());
    EXPECT_EQ(target.strokeColor(), node->strokeColor());
    EXPECT_EQ(target.textColor(), node->textColor());
    // Bold and italic as font style bits (bold 1, italic 2).
    ASSERT_TRUE(node->font().has_value());
    EXPECT_EQ(target.fontStyle(), SwapBoldItalicBits(node->font()->traits()));
    EXPECT_DOUBLE_EQ(target.fontSize(), node->font()->pointSize());

    // A customised font is the style's own.
    node->style()->changeFontSize(30, 0, 14);
    NodeStyle customised;
    node->assignToStyle(&customised);
    EXPECT_DOUBLE_EQ(customised.fontSize(), 30);
    node->assignToStyle(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Checkbox, progress and roll-up

TEST_F(MindMapNodeStylingTest, ProgressIsClampedAndOnlyAChangeIsRecorded)
{
    MindMapNode* node = theme("Task");
    node->setCheckboxMode(2);
    settle(node);
    node->setProgress(250);
    EXPECT_EQ(node->progress(), 100);
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateAppearance);
    node->validateNodeState();
    node->setProgress(100);
    EXPECT_EQ(node->updateState(), 0u);
    node->setProgress(-5);
    EXPECT_EQ(node->progress(), 0);
    EXPECT_EQ(node->checkedState(), 0);
    node->setCheckedState(1);
    EXPECT_EQ(node->progress(), 100);
    node->setCheckedState(7);
    EXPECT_EQ(node->progress(), 0);
}

TEST_F(MindMapNodeStylingTest, CheckboxModesKeepWhatTheyCanShow)
{
    MindMapNode* node = theme("Task");
    settle(node);
    node->setCheckboxMode(2);
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateOuterSize);
    node->validateNodeState();
    node->setProgress(100);
    node->validateNodeState();
    node->setCheckboxMode(1);
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateAppearance);
    EXPECT_EQ(node->progress(), 100);
    node->setCheckboxMode(2);
    node->setProgress(60);
    node->setCheckboxMode(1);
    EXPECT_EQ(node->progress(), 0);
    node->setCheckboxMode(3);
    node->setProgress(40);
    node->validateNodeState();
    node->setCheckboxMode(0);
    EXPECT_EQ(node->progress(), 0);
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateOuterSize);
    EXPECT_FALSE(node->showCheckbox());
}

TEST_F(MindMapNodeStylingTest, RollUpTakesTheIntegerMeanOfTheChildrenWithACheckbox)
{
    MindMapNode* parent = theme("Project");
    parent->setCheckboxMode(3);
    MindMapNode* a = child(parent);
    MindMapNode* b = child(parent);
    MindMapNode* c = child(parent);
    for (MindMapNode* node : {a, b, c}) node->setCheckboxMode(2);
    a->setProgress(100);
    b->setProgress(50);
    parent->updateRollUpProgress();
    EXPECT_EQ(parent->progress(), 50);
    c->setCheckboxMode(0);
    parent->updateRollUpProgress();
    EXPECT_EQ(parent->progress(), 75);
    a->setCheckboxMode(0);
    b->setCheckboxMode(2);
    b->setProgress(33);
    parent->updateRollUpProgress();
    EXPECT_EQ(parent->progress(), 33);
    b->setCheckboxMode(0);
    parent->updateRollUpProgress();
    EXPECT_EQ(parent->progress(), 0);

    // Other modes keep their progress.
    MindMapNode* plain = theme("Plain");
    plain->setCheckboxMode(2);
    plain->setProgress(20);
    plain->updateRollUpProgress();
    EXPECT_EQ(plain->progress(), 20);
}

TEST_F(MindMapNodeStylingTest, CheckingAChildRollsUpAtTheMapsNextValidation)
{
    MindMapNode* parent = theme("Project");
    parent->setCheckboxMode(3);
    MindMapNode* first = child(parent);
    MindMapNode* second = child(parent);
    first->setShowCheckbox(true);
    second->setShowCheckbox(true);
    map.validateElementStates();
    EXPECT_EQ(parent->progress(), 0);
    // Outside any update of the map.
    first->setCheckedState(1);
    map.validateElementStates();
    EXPECT_EQ(parent->progress(), 50);
}

// ---------------------------------------------------------------------------------------------
// Date, voice memo, hull

TEST_F(MindMapNodeStylingTest, DateAndVoiceMemoRecordOnlyChanges)
{
    MindMapNode* node = theme("Event");
    settle(node);
    const MindMapNode::Date when = std::chrono::system_clock::time_point(std::chrono::hours(24 * 365 * 40));
    node->setDate(when);
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateDateText);
    node->validateNodeState();
    node->setDate(when);
    EXPECT_EQ(node->updateState(), 0u);
    node->setVoiceMemo("memo");
    EXPECT_TRUE(node->hasVoiceMemo());
    node->validateNodeState();
    node->setVoiceMemo("memo");
    EXPECT_EQ(node->updateState(), 0u);

    MindMapNode* read = map.addNodeLoadingAtLocation({0, 0});
    read->setDate(when);
    read->setVoiceMemo("memo");
    EXPECT_EQ(read->updateState(), MindMapNode::InitialUpdateState);
}

TEST_F(MindMapNodeStylingTest, HullsNestAndCentralThemesNeverShowOne)
{
    MindMapNode* root = theme("Root");
    MindMapNode* main = child(root);
    MindMapNode* inner = child(main);
    MindMapNode* leaf = child(inner);
    root->assureHullStyle();
    EXPECT_NE(root->hullStyle(), nullptr);
    EXPECT_FALSE(root->showHull());
    EXPECT_EQ(root->hullLevel(), 0);

    settle(main);
    NodeHullStyle* hull = main->assureHullStyle();
    EXPECT_EQ(main->assureHullStyle(), hull);
    EXPECT_EQ(main->updateState(), MindMapNode::UpdateOuterSize);
    inner->assureHullStyle();
    EXPECT_EQ(main->hullLevel(), 1);
    EXPECT_EQ(inner->hullLevel(), 2);
    EXPECT_EQ(leaf->hullLevel(), 0);
    leaf->assureHullStyle();
    EXPECT_EQ(leaf->hullLevel(), 3);

    // The depths follow the tree and the hulls.
    main->setHullStyle(nullptr);
    EXPECT_EQ(inner->hullLevel(), 1);
    EXPECT_EQ(leaf->hullLevel(), 2);
    leaf->setParent(root);
    EXPECT_EQ(leaf->hullLevel(), 1);
    inner->setParent(nullptr);
    EXPECT_FALSE(inner->showHull());
    EXPECT_EQ(inner->hullLevel(), 0);
}

// ---------------------------------------------------------------------------------------------
// Layout mode and direction

TEST_F(MindMapNodeStylingTest, TopDownModeGrowsDownwardExceptWhileLoading)
{
    MindMapNode* node = theme("Chart");
    settle(node);
    node->setLayoutDirection(2);
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateOuterSize);
    node->validateNodeState();
    node->setLayoutMode(4);
    EXPECT_EQ(node->layoutDirection(), 5);
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateOuterSize);
    node->setLayoutMode(3);
    EXPECT_EQ(node->layoutDirection(), 0);

    MindMapNode* read = map.addNodeLoadingAtLocation({0, 0});
    read->setLayoutDirection(6);
    read->setLayoutMode(4);
    EXPECT_EQ(read->layoutDirection(), 6);
}

TEST_F(MindMapNodeStylingTest, TheOutermostModeLaysOutTheBranch)
{
    MindMapNode* root = theme("Root");
    MindMapNode* main = child(root);
    MindMapNode* inner = child(main);
    MindMapNode* leaf = child(inner);
    EXPECT_EQ(leaf->autoLayoutParent(), leaf);
    root->setLayoutMode(3);
    EXPECT_EQ(root->effectiveLayoutMode(), 0);
    EXPECT_EQ(main->effectiveLayoutMode(), 3);
    inner->setLayoutMode(1);
    EXPECT_EQ(leaf->effectiveLayoutMode(), 3);
    EXPECT_EQ(leaf->autoLayoutParent(), root);
    EXPECT_EQ(root->autoLayoutParent(), root);
    root->setLayoutMode(0);
    EXPECT_EQ(leaf->autoLayoutParent(), inner);
    EXPECT_EQ(leaf->effectiveLayoutMode(), 1);
    EXPECT_TRUE(leaf->isAutoLayout());
    EXPECT_FALSE(inner->isAutoLayout());
}

// ---------------------------------------------------------------------------------------------
// Icon and embedded image

TEST_F(MindMapNodeStylingTest, IconNameChoosesTheKindOfIcon)
{
    MindMapNode* node = theme("Theme");
    settle(node);
    node->setIconName("star");
    EXPECT_NE(dynamic_cast<StockIcon*>(node->icon()), nullptr);
    EXPECT_EQ(node->iconName(), "star");
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateOuterSize);
    node->validateNodeState();
    node->setIconName("star");
    EXPECT_EQ(node->updateState(), 0u);

    // A custom icon name needs at least two characters.
    node->setIconName("#");
    EXPECT_NE(dynamic_cast<StockIcon*>(node->icon()), nullptr);
    node->setIconName("#ab12");
    auto* custom = dynamic_cast<CustomIcon*>(node->icon());
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->imageHash(), "ab12");
    EXPECT_EQ(custom->node(), node);

    std::set<std::string> icons;
    node->collectReferencedIcons(icons);
    EXPECT_EQ(icons, (std::set<std::string>{"#ab12"}));

    node->setIconName("");
    EXPECT_EQ(node->icon(), nullptr);
    EXPECT_EQ(node->iconName(), "");
    icons.clear();
    node->collectReferencedIcons(icons);
    EXPECT_TRUE(icons.empty());
}

TEST_F(MindMapNodeStylingTest, EveryPictureOfTheImageStoreIsFound)
{
    const std::string iconHash = storeImage(32, 32);
    const std::string pictureHash = storeImage(40, 20);
    const std::string contactHash = storeImage(20, 40);
    const std::string freeHash = storeImage(24, 24);
    MindMapNode* node = theme("Theme");
    EXPECT_FALSE(node->containsImages());
    node->setIconName("star");
    EXPECT_FALSE(node->containsImages());
    node->setIconName("#" + iconHash);
    EXPECT_TRUE(node->containsImages());
    node->setEmbeddedImageName(pictureHash);
    node->linkToEmailContact("someone@example.org", contactHash);
    node->addCustomImage(freeHash, "");

    std::set<std::string> images;
    node->collectReferencedImages(images);
    EXPECT_EQ(images, (std::set<std::string>{iconHash, pictureHash, contactHash, freeHash}));

    node->setIconName("");
    EXPECT_TRUE(node->containsImages());
    node->setEmbeddedImageName("");
    EXPECT_TRUE(node->containsImages()); // the contact picture and the free image
    node->clearHyperlink();
    EXPECT_TRUE(node->containsImages()); // the free image
}

TEST_F(MindMapNodeStylingTest, DeletedStoreImagesResizeTheIconsThatShowThem)
{
    const std::string hash = storeImage(64, 64);
    MindMapNode* node = theme("Theme");
    node->setIconName("#" + hash);
    node->setEmbeddedImageName(hash);
    node->linkToPhoneContact("+1 555 0100", hash);
    settle(node);
    ASSERT_EQ(node->icon()->size(), (Size{40, 40}));
    ASSERT_EQ(node->embeddedImage()->size(), (Size{64, 64}));

    // Another image's change concerns nobody.
    node->customImagesChanged("0000", 1);
    EXPECT_EQ(node->updateState(), 0u);

    imageStore->deleteCustomImage(hash);
    EXPECT_NE(node->icon()->size(), (Size{40, 40}));
    EXPECT_NE(node->embeddedImage()->size(), (Size{64, 64}));
    EXPECT_NE(node->diagramLink()->icon()->size(), (Size{46, 40}));
    EXPECT_NE(node->updateState() & MindMapNode::UpdateOuterSize, 0u);
}

// ---------------------------------------------------------------------------------------------
// Links

TEST_F(MindMapNodeStylingTest, EachLinkReplacesTheOldOneAndEmptyTargetsOnlyRemove)
{
    MindMapNode* node = theme("Theme");
    settle(node);
    node->linkToURL("https://example.org/a b");
    ASSERT_NE(node->diagramLink(), nullptr);
    EXPECT_EQ(node->diagramLink()->linkType(), DiagramLink::LinkTypeURL);
    EXPECT_EQ(node->diagramLink()->node(), node);
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateOuterSize);
    node->validateNodeState();

    node->linkToURL("");
    EXPECT_EQ(node->diagramLink(), nullptr);
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateOuterSize);
    node->validateNodeState();
    node->clearHyperlink();
    EXPECT_EQ(node->updateState(), 0u);

    node->linkToCloudMap("", "", "");
    EXPECT_EQ(node->diagramLink(), nullptr);
    node->linkToCloudMap("", "native-id", "");
    ASSERT_NE(node->diagramLink(), nullptr);
    EXPECT_EQ(node->diagramLink()->linkType(), DiagramLink::LinkTypeCloudMap);
    node->linkToPhoneContact("", "abc");
    EXPECT_EQ(node->diagramLink(), nullptr);
    node->linkToEmailContact("a@b.c", "");
    ASSERT_NE(node->diagramLink(), nullptr);
    EXPECT_EQ(node->diagramLink()->linkType(), DiagramLink::LinkTypeEmailContact);
    node->linkToLocalMap("", "", true);
    EXPECT_EQ(node->diagramLink(), nullptr);
    node->clearHyperlink();
    node->refreshDiagramLink();
    node->setIsHotLinked(true);
    EXPECT_FALSE(node->isHotLinked());
}

TEST_F(MindMapNodeStylingTest, CloudDocumentsWithTheMapExtensionAreLinkedAsMaps)
{
    MindMapNode* node = theme("Theme");
    node->linkToCloudDocument("/Maps/plan.twkx", "n1");
    ASSERT_NE(node->diagramLink(), nullptr);
    EXPECT_EQ(node->diagramLink()->linkType(), DiagramLink::LinkTypeCloudMap);
    EXPECT_EQ(node->diagramLink()->nativeLink(), "n1");
    node->linkToCloudDocument("/Maps/plan.pdf", "n2");
    EXPECT_EQ(node->diagramLink()->linkType(), DiagramLink::LinkTypeCloudDocument);
    // Only the file's own extension counts.
    node->linkToCloudDocument("/Maps.twkx/plan", "n3");
    EXPECT_EQ(node->diagramLink()->linkType(), DiagramLink::LinkTypeCloudDocument);
    node->linkToCloudDocument("/Maps/plantwkx", "n4");
    EXPECT_EQ(node->diagramLink()->linkType(), DiagramLink::LinkTypeCloudDocument);
    node->linkToCloudDocument("", "n5");
    EXPECT_EQ(node->diagramLink(), nullptr);
}

TEST_F(MindMapNodeStylingTest, HotLocalLinkFollowsTheLinkedMapsTitle)
{
    std::string title = "Budget";
    DiagramLink::setLocalMapLookup([&title](const std::string& guid) -> std::optional<std::string> {
        if (guid == "MAP-1")
            return title;
        return std::nullopt;
    });
    MindMapNode* node = child(theme("Root"));
    node->linkToLocalMap("MAP-1", "", true);
    EXPECT_TRUE(node->isHotLinked());
    EXPECT_EQ(node->text(), "Budget");
    title = "Budget 2025";
    node->refreshDiagramLink();
    EXPECT_EQ(node->text(), "Budget 2025");
    node->setIsHotLinked(false);
    EXPECT_FALSE(node->isHotLinked());
    title = "Other";
    node->refreshDiagramLink();
    EXPECT_EQ(node->text(), "Budget 2025");
    DiagramLink::setLocalMapLookup(nullptr);
}

} // namespace
