#include "panels/MapStyleController.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/TextStyle.h"
#include "formats/TwkxMindMapReader.h"
#include "panels/ModalResult.h"
#include "platform/Localizer.h"
#include "platform/TextMeasurer.h"
#include "platform/UndoManager.h"
#include "support/FakeTextMeasurer.h"

#include <gtest/gtest.h>

namespace {

class MapStyleControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerNativeFormat();
        TextMeasurer::setShared(&measurer);
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        map->validateElementStates();
        map->undoManager()->removeAllActions();
    }

    void TearDown() override
    {
        MapStyleController::setWindow(nullptr);
        map.reset();
        TextMeasurer::setShared(nullptr);
    }

    // The undo steps on the stack, counted by taking them back.
    int undoSteps()
    {
        int steps = 0;
        for (; map->undoManager()->canUndo(); ++steps) map->undoManager()->undo();
        return steps;
    }

    FakeTextMeasurer measurer;
    std::shared_ptr<MindMap> map;
};

} // namespace

TEST_F(MapStyleControllerTest, UndoStepsPerWayOfEndingTheDialog)
{
    struct Case {
        const char* name;
        std::function<int(MapStyleController&)> window;
        bool confirmed;
        int steps;
        int32_t autoNumbering;
    };
    const Case cases[] = {
        {"unchanged OK", [](MapStyleController&) { return ModalResult::MapStyleOK; }, true, 0, 0},
        {"numbering, then OK",
         [](MapStyleController& c) {
             c.mapStyleFrame().setAutoNumberingStyle(2);
             return ModalResult::MapStyleOK;
         },
         true, 1, 2},
        {"numbering, then closed",
         [](MapStyleController& c) {
             c.mapStyleFrame().setAutoNumberingStyle(1);
             return ModalResult::MapStyleClosed;
         },
         false, 0, 0},
        {"apply twice unchanged, then closed",
         [](MapStyleController& c) {
             c.mapStyleFrame().setAutoNumberingStyle(1);
             EXPECT_TRUE(c.applyButtonClicked());
             EXPECT_FALSE(c.applyButtonClicked());
             return ModalResult::MapStyleClosed;
         },
         false, 1, 1},
        {"apply, change, OK",
         [](MapStyleController& c) {
             c.mapStyleFrame().setAutoNumberingStyle(1);
             c.applyButtonClicked();
             c.nodeStyleFrame().borderStyleSelected(5);
             return ModalResult::MapStyleOK;
         },
         true, 2, 1},
        // The OK code of the other dialogs is not this dialog's.
        {"code 1", [](MapStyleController&) { return ModalResult::OK; }, false, 0, 0},
    };
    for (const Case& c : cases) {
        SetUp();
        MapStyleController::setWindow(c.window);
        EXPECT_EQ(MapStyleController::editMindMapStyle(map.get()), c.confirmed) << c.name;
        EXPECT_EQ(map->autoNumberStyle(), c.autoNumbering) << c.name;
        if (map->undoManager()->canUndo()) {
            EXPECT_EQ(map->undoManager()->undoActionName(), localized("map_style_dialog_title")) << c.name;
        }
        EXPECT_EQ(undoSteps(), c.steps) << c.name;
        EXPECT_EQ(map->autoNumberStyle(), 0) << c.name << ": undo takes the numbering back";
    }
}

TEST_F(MapStyleControllerTest, AppliedSettingsStayAfterCancel)
{
    MapStyleController::setWindow([](MapStyleController& c) {
        c.parentStyleFrame().colorSelected(Color(1, 0, 0));
        c.mapStyleFrame().backgroundColorSelected(Color(0, 0, 1));
        c.applyButtonClicked();
        return ModalResult::MapStyleClosed;
    });
    EXPECT_FALSE(MapStyleController::editMindMapStyle(map.get()));
    const MindMapStyle& style = *map->style();
    EXPECT_TRUE(style.isPropCustomized(MindMapStyle::BackgroundColorMask));
    EXPECT_EQ(style.backgroundColor(), Color(0, 0, 1));
    EXPECT_TRUE(style.parentRelationStyle()->isPropCustomized(RelationStyle::ColorMask));
    EXPECT_EQ(undoSteps(), 1);
    EXPECT_FALSE(map->style()->isPropCustomized(MindMapStyle::BackgroundColorMask));
}

TEST_F(MapStyleControllerTest, ColourBoxesFollowTheWellsAndDecideTheMask)
{
    MapStyleController controller;
    controller.loadFromMindMap(*map);
    MapStyleFrame& frame = controller.mapStyleFrame();
    using Check = MapStyleFrame::Check;
    // No checkbox colour of its own: green 600, box off.
    EXPECT_FALSE(frame.isChecked(Check::CheckboxColor));
    EXPECT_EQ(frame.checkboxColor(), Color::rgb255(67, 160, 71));
    EXPECT_FALSE(frame.isChecked(Check::BackgroundColor));
    EXPECT_EQ(frame.backgroundColor(), Color(1, 1, 1));

    EXPECT_FALSE(controller.commitToMindMap(*map));
    EXPECT_FALSE(map->style()->isPropCustomized(MindMapStyle::CheckboxColorMask));

    frame.backgroundColorSelected(Color(0.2, 0.3, 0.4));
    EXPECT_TRUE(frame.isChecked(Check::BackgroundColor));
    frame.setCheckBox(Check::BackgroundColor, false);
    frame.checkboxColorSelected(Color(0.9, 0.1, 0.1));
    EXPECT_TRUE(frame.isChecked(Check::CheckboxColor));
    EXPECT_TRUE(controller.commitToMindMap(*map));
    EXPECT_FALSE(map->style()->isPropCustomized(MindMapStyle::BackgroundColorMask));
    EXPECT_TRUE(map->style()->isPropCustomized(MindMapStyle::CheckboxColorMask));
    EXPECT_EQ(map->style()->checkboxColor(), Color(0.9, 0.1, 0.1));

    // A fresh load shows the stored colour with its box on, and ticks nothing else.
    MapStyleController again;
    again.loadFromMindMap(*map);
    EXPECT_TRUE(again.mapStyleFrame().isChecked(Check::CheckboxColor));
    EXPECT_FALSE(again.mapStyleFrame().isChecked(Check::BackgroundColor));
    EXPECT_EQ(again.mapStyleFrame().checkboxColor(), Color(0.9, 0.1, 0.1));
}

TEST_F(MapStyleControllerTest, AnUntouchedMapWideFontAndConnectionStyleSurviveOk)
{
    // A font size between the menu's items, and style bits beyond the four the frame shows.
    MindMapStyle& style = *map->style();
    style.nodeStyle()->setPropCustomized(TextStyle::FontMask, true);
    style.nodeStyle()->setFontScale(1.1);
    style.nodeStyle()->setFontStyle(uint64_t(1 | 64));
    style.textStyle()->setPropCustomized(TextStyle::FontMask, true);
    style.textStyle()->setFontScale(0.7);
    style.setPropCustomized(MindMapStyle::ConnectionStyleMask, true);
    style.setConnectionStyle(2);
    map->undoManager()->removeAllActions();

    MapStyleController::setWindow([](MapStyleController&) { return ModalResult::MapStyleOK; });
    EXPECT_TRUE(MapStyleController::editMindMapStyle(map.get()));
    EXPECT_FALSE(map->undoManager()->canUndo());
    EXPECT_DOUBLE_EQ(style.nodeStyle()->fontScale(), 1.1);
    EXPECT_DOUBLE_EQ(style.textStyle()->fontScale(), 0.7);
    EXPECT_EQ(style.connectionStyle(), 2);

    // Another change writes the untouched font as it was.
    MapStyleController::setWindow([](MapStyleController& c) {
        c.crossLinkFrame().lineWidthSelected(3.0);
        return ModalResult::MapStyleOK;
    });
    EXPECT_TRUE(MapStyleController::editMindMapStyle(map.get()));
    EXPECT_TRUE(map->undoManager()->canUndo());
    EXPECT_DOUBLE_EQ(style.nodeStyle()->fontScale(), 1.1);
    EXPECT_EQ(style.nodeStyle()->fontStyle() & 64, 64u);
    EXPECT_EQ(style.connectionStyle(), 2);
}

TEST_F(MapStyleControllerTest, ADialogWhoseMapWasReloadedMeanwhileWritesNothing)
{
    MapStyleController::setWindow([&](MapStyleController& c) {
        c.mapStyleFrame().setAutoNumberingStyle(2);
        // A download replaced the map's content while the dialog ran.
        map->newMindMap("", true, std::string("Reloaded"));
        map->undoManager()->removeAllActions();
        EXPECT_FALSE(c.applyButtonClicked());
        return ModalResult::MapStyleOK;
    });
    EXPECT_FALSE(MapStyleController::editMindMapStyle(map.get()));
    EXPECT_EQ(map->autoNumberStyle(), 0);
    EXPECT_FALSE(map->undoManager()->canUndo());
    EXPECT_EQ(map->mainCentralTheme()->text(), "Reloaded");
}

TEST_F(MapStyleControllerTest, NothingOpensForAReadOnlyMapOrWithoutWindow)
{
    bool opened = false;
    EXPECT_FALSE(MapStyleController::editMindMapStyle(map.get()));
    MapStyleController::setWindow([&](MapStyleController&) {
        opened = true;
        return ModalResult::MapStyleOK;
    });
    map->setReadOnly(true);
    EXPECT_FALSE(MapStyleController::editMindMapStyle(map.get()));
    EXPECT_FALSE(MapStyleController::editMindMapStyle(nullptr));
    EXPECT_FALSE(opened);
}
