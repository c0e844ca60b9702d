#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "formats/TwkxMindMapReader.h"
#include "panels/LayoutModePanelController.h"
#include "panels/ModalResult.h"
#include "panels/NodePropertiesPanelController.h"
#include "panels/NotePanelController.h"
#include "panels/TextPanelController.h"
#include "platform/Localizer.h"
#include "platform/TextMeasurer.h"
#include "platform/UndoManager.h"
#include "support/FakeTextMeasurer.h"

#include <gtest/gtest.h>

namespace {

MindMapText* addFreeText(MindMapNode& topic)
{
    MindMapText* text = topic.addText();
    if (text) text->setText("free");
    return text;
}

class PropertyDialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerNativeFormat();
        TextMeasurer::setShared(&measurer);
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        topic = map->addMindMapNodeAsChild(map->mainCentralTheme(), {600, 200});
        topic->setText("Before");
        topic->setNote("Old note");
        map->validateElementStates();
        map->undoManager()->removeAllActions();
    }

    void TearDown() override
    {
        NodePropertiesPanelController::setWindow(nullptr);
        NotePanelController::setWindow(nullptr);
        TextPanelController::setWindow(nullptr);
        LayoutModePanelController::setWindow(nullptr);
        map.reset();
        TextMeasurer::setShared(nullptr);
    }

    FakeTextMeasurer measurer;
    std::shared_ptr<MindMap> map;
    MindMapNode* topic = nullptr;
};

} // namespace

TEST_F(PropertyDialogsTest, AConfirmedTopicDialogWritesTextNoteAndStyleAsOneUndoStep)
{
    NodePropertiesPanelController::setWindow([](NodePropertiesPanelController& dialog) {
        EXPECT_EQ(dialog.text, "Before");
        EXPECT_EQ(dialog.note, "Old note");
        dialog.text = "After";
        dialog.note = "New note";
        dialog.nodeStyleFrame().borderStyleSelected(5);
        return ModalResult::OK;
    });
    EXPECT_TRUE(NodePropertiesPanelController::editNodeProperties(topic));
    EXPECT_EQ(topic->text(), "After");
    EXPECT_EQ(topic->note(), "New note");
    EXPECT_TRUE(topic->style()->isPropCustomized(NodeStyle::BorderStyleMask));
    EXPECT_EQ(topic->style()->borderStyle(), 5);
    ASSERT_TRUE(map->undoManager()->canUndo());
    EXPECT_EQ(map->undoManager()->undoActionName(), localized("node_properties_dialog_title"));
    map->undoManager()->undo();
    EXPECT_FALSE(map->undoManager()->canUndo());
    EXPECT_EQ(map->mainCentralTheme()->children().at(0)->text(), "Before");
}

TEST_F(PropertyDialogsTest, AnUnchangedOkRecordsOneStepAndCancelOrClosingNone)
{
    struct Case {
        int result;
        bool confirmed;
    };
    for (const Case c : {Case{ModalResult::OK, true}, Case{ModalResult::Closed, false}, Case{-6, false}}) {
        map->undoManager()->removeAllActions();
        NodePropertiesPanelController::setWindow([&](NodePropertiesPanelController& dialog) {
            dialog.text = "typed but cancelled";
            if (c.confirmed) dialog.text = "Before";
            return c.result;
        });
        EXPECT_EQ(NodePropertiesPanelController::editNodeProperties(topic), c.confirmed) << c.result;
        EXPECT_EQ(map->undoManager()->canUndo(), c.confirmed) << c.result;
        EXPECT_EQ(topic->text(), "Before");
    }
}

TEST_F(PropertyDialogsTest, ADialogWhoseMapWasReloadedMeanwhileWritesNothing)
{
    NodePropertiesPanelController::setWindow([&](NodePropertiesPanelController& dialog) {
        dialog.text = "Lost";
        // A download replaced the map's content while the dialog ran.
        map->newMindMap("", true, std::string("Reloaded"));
        return ModalResult::OK;
    });
    EXPECT_FALSE(NodePropertiesPanelController::editNodeProperties(topic));
    EXPECT_EQ(map->mainCentralTheme()->text(), "Reloaded");
    EXPECT_FALSE(map->undoManager()->canUndo());
    EXPECT_TRUE(map->delayedUndoOperation().empty() || map->delayedUndoOperation() != "Lost");

    MindMapText* text = nullptr;
    TextPanelController::setWindow([&](TextPanelController&) {
        map->newMindMap("", true, std::string("Again"));
        return ModalResult::OK;
    });
    text = addFreeText(*map->mainCentralTheme());
    ASSERT_NE(text, nullptr);
    EXPECT_FALSE(TextPanelController::editTextProperties(text));
}

TEST_F(PropertyDialogsTest, TheReadOnlyTwinShowsButNeverWrites)
{
    map->setReadOnly(true);
    bool shownReadOnly = false;
    NotePanelController::setWindow([&](NotePanelController& dialog) {
        shownReadOnly = dialog.readOnly();
        EXPECT_EQ(dialog.text, "Before");
        EXPECT_EQ(dialog.note, "Old note");
        dialog.text = "Changed";
        return ModalResult::OK;
    });
    EXPECT_FALSE(NotePanelController::editNodeProperties(topic));
    EXPECT_TRUE(shownReadOnly);
    EXPECT_EQ(topic->text(), "Before");
    EXPECT_FALSE(map->undoManager()->canUndo());

    map->setReadOnly(false);
    EXPECT_TRUE(NotePanelController::editNodeProperties(topic));
    EXPECT_EQ(topic->text(), "Changed");
    EXPECT_TRUE(map->undoManager()->canUndo());
}

TEST_F(PropertyDialogsTest, TheFreeTextDialogWritesTextAndCallOut)
{
    MindMapText* text = addFreeText(*map->mainCentralTheme());
    ASSERT_NE(text, nullptr);
    map->undoManager()->removeAllActions();
    TextPanelController::setWindow([](TextPanelController& dialog) {
        EXPECT_EQ(dialog.text, "free");
        dialog.text = "label";
        dialog.textStyleFrame().callOutSelected(2);
        return ModalResult::OK;
    });
    EXPECT_TRUE(TextPanelController::editTextProperties(text));
    EXPECT_EQ(text->text(), "label");
    EXPECT_EQ(text->style()->callOut(), 2u);
    EXPECT_EQ(map->undoManager()->undoActionName(), localized("label_properties_dialog_title"));
}

TEST(LayoutModePanelController, ShowsTheRadiosOfEachMode)
{
    struct Case {
        int32_t mode;
        std::vector<int32_t> tags;
    };
    for (const Case& c :
         {Case{0, {0}}, Case{1, {0, 1, 2, 7}}, Case{2, {0, 3, 5, 7}}, Case{3, {0, 1, 2}}, Case{4, {3, 4, 5, 6}}}) {
        LayoutModePanelController dialog(c.mode, DefaultLayoutDirectionForMode(c.mode));
        std::vector<int32_t> tags;
        for (const auto& radio : dialog.radios()) tags.push_back(radio.tag);
        EXPECT_EQ(tags, c.tags) << c.mode;
        EXPECT_EQ(dialog.getLayoutDirection(), DefaultLayoutDirectionForMode(c.mode)) << c.mode;
    }
}

TEST(LayoutModePanelController, KeepsTheBranchDirectionUntilTheModeChanges)
{
    LayoutModePanelController topDown(LayoutModeTopDown, LayoutDirectionBottomRightToLeft);
    EXPECT_EQ(topDown.getLayoutDirection(), 6);
    EXPECT_TRUE(topDown.radios().at(3).on);
    topDown.rowSelected(LayoutModeFreeForm);
    ASSERT_EQ(topDown.radios().size(), 1u);
    EXPECT_TRUE(topDown.radios().at(0).on);
    topDown.rowSelected(LayoutModeTopDown);
    EXPECT_EQ(topDown.getLayoutDirection(), 5);
    topDown.rowSelected(-1);
    EXPECT_EQ(topDown.layoutMode(), LayoutModeTopDown);

    LayoutModePanelController horizontal(LayoutModeStrictHorizontal, LayoutDirectionManual);
    EXPECT_EQ(horizontal.getLayoutDirection(), 7);
    horizontal.radioClicked(1);
    EXPECT_EQ(horizontal.getLayoutDirection(), 1);

    // A direction no radio carries is answered from the stored one.
    LayoutModePanelController list(LayoutModeList, LayoutDirectionTop);
    EXPECT_EQ(list.getLayoutDirection(), LayoutDirectionTop);
}
