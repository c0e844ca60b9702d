#include "Editor/CrossLinkBarController.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "platform/TextMeasurer.h"
#include "support/FakeTextMeasurer.h"
#include "support/ManualScheduler.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class RecordingCrossLinkBarView : public CrossLinkBarView {
public:
    bool isBarShown() const override { return shown; }
    void showBar() override
    {
        shown = true;
        calls.push_back("show");
    }
    void hideBar() override
    {
        shown = false;
        calls.push_back("hide");
    }
    bool shown = false;
    std::vector<std::string> calls;
};

class CrossLinkBarControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TextMeasurer::setShared(&measurer);
        editor = std::make_unique<MindMapEditor>(&scheduler);
        editor->setFrameSize({800, 600});
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        map->validateElementStates();
        editor->setMindMap(map);
        map->setSelectedElement(map->mainCentralTheme());
        controller = std::make_unique<CrossLinkBarController>(*editor);
        controller->setView(&view);
        editor->setCrossLinkFeedback(controller.get());
    }

    void TearDown() override
    {
        editor->setCrossLinkFeedback(nullptr);
        controller.reset();
        editor.reset();
        map.reset();
        TextMeasurer::setShared(nullptr);
    }

    FakeTextMeasurer measurer;
    ManualScheduler scheduler;
    std::unique_ptr<MindMapEditor> editor;
    std::shared_ptr<MindMap> map;
    RecordingCrossLinkBarView view;
    std::unique_ptr<CrossLinkBarController> controller;
};

} // namespace

TEST_F(CrossLinkBarControllerTest, DrawingACrossLinkShowsTheBarOnce)
{
    editor->addCrossLink();
    ASSERT_NE(editor->crossLinkSource(), nullptr);
    EXPECT_TRUE(view.shown);
    controller->showCrossLinkFeedback();
    EXPECT_EQ(view.calls, (std::vector<std::string>{"show"})) << "a bar on screen does not slide in again";
    editor->cancelCrossLinkMode();
    EXPECT_FALSE(view.shown);
}

TEST_F(CrossLinkBarControllerTest, TheCloseButtonEndsTheCrossLinkMode)
{
    editor->addCrossLink();
    controller->closeButtonClick();
    EXPECT_EQ(editor->crossLinkSource(), nullptr);
    EXPECT_FALSE(view.shown);
    EXPECT_EQ(map->dropTarget(), nullptr);
}

TEST_F(CrossLinkBarControllerTest, TextsOfTheBar)
{
    EXPECT_EQ(CrossLinkBarController::message(), "Click the topic to link to, or press Escape.");
    EXPECT_EQ(CrossLinkBarController::closeToolTip(), "Close");
    EXPECT_EQ(CrossLinkBarController::ShowDuration, 0.25);
}
