#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/TextStyle.h"
#include "panels/FontSelectorView.h"
#include "panels/RelationStyleDialog.h"
#include "panels/RelationStyleFrame.h"
#include "panels/TextStyleFrame.h"
#include "platform/AlertPanel.h"

#include <gtest/gtest.h>

#include <vector>

using Check = BaseTextStyleFrame::Check;
using RCheck = RelationStyleFrame::Check;

TEST(TextStyleFrame, OffersSixteenFontSizesFromEightToThirty)
{
    const std::vector<int> sizes(BaseTextStyleFrame::FontSizes.begin(), BaseTextStyleFrame::FontSizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 20, 22, 24, 26, 28, 30}));
}

TEST(TextStyleFrame, AStyleSizeSelectsItsItemTheNextOrNine)
{
    struct Case {
        double size;
        int shown;
    };
    for (const Case c : {Case{17, 18}, Case{17.4, 18}, Case{40, 9}, Case{14, 14}, Case{13.6, 14}, Case{8, 8}}) {
        TextStyle style;
        style.setFontSize(c.size);
        TextStyleFrame frame;
        frame.loadFromTextStyle(style);
        EXPECT_EQ(frame.fontSize(), c.shown) << c.size;
    }
}

TEST(TextStyleFrame, ALoadTicksNoBoxAndAPickAfterwardsTicksOnlyItsOwn)
{
    NodeStyle style;
    style.setFillColor(Color(1, 0, 0));
    style.setAlignment(2);
    style.setFontStyle(3);
    style.setBorderStyle(5);
    style.setBorderWidth(2.5);
    NodeStyleFrame frame;
    int reports = 0;
    frame.setAttributesChangedHandler([&] { ++reports; });
    frame.loadFromNodeStyle(style);
    for (Check check : {Check::Alignment, Check::FillColor, Check::TextColor, Check::Font, Check::StrokeColor,
                        Check::BorderStyle, Check::BorderWidth})
        EXPECT_FALSE(frame.isChecked(check)) << static_cast<int>(check);
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(frame.loading(), 0);
    EXPECT_EQ(frame.alignment(), 2);
    EXPECT_EQ(frame.borderStyle(), 5);
    EXPECT_EQ(frame.borderWidthLabel(), "2.50");

    // Picks made by a widget while a load runs (a redraw answering the load) tick nothing.
    frame.setControlsChangedHandler([&] {
        if (frame.loading() != 0) frame.borderStyleSelected(1);
    });
    frame.loadFromNodeStyle(style);
    EXPECT_FALSE(frame.isChecked(Check::BorderStyle));
    frame.setControlsChangedHandler(nullptr);

    struct Pick {
        std::function<void()> act;
        Check ticked;
    };
    const std::vector<Pick> picks{
        {[&] { frame.fillColorSelected(Color(0, 1, 0)); }, Check::FillColor},
        {[&] { frame.textColorSelected(Color(0, 0, 1)); }, Check::TextColor},
        {[&] { frame.alignmentSelected(1); }, Check::Alignment},
        {[&] { frame.fontStyleToggled(BaseTextStyleFrame::Bold, false); }, Check::Font},
        {[&] { frame.fontSizeSelected(20); }, Check::Font},
        {[&] { frame.strokeColorSelected(Color(0, 0, 0)); }, Check::StrokeColor},
        {[&] { frame.borderStyleSelected(3); }, Check::BorderStyle},
        {[&] { frame.borderWidthSelected(4); }, Check::BorderWidth},
    };
    for (const Pick& pick : picks) {
        frame.loadFromNodeStyle(style);
        reports = 0;
        pick.act();
        EXPECT_TRUE(frame.isChecked(pick.ticked)) << static_cast<int>(pick.ticked);
        EXPECT_EQ(reports, 1) << static_cast<int>(pick.ticked);
    }
}

TEST(TextStyleFrame, NoFillColourShowsWhiteWithTheBoxOffAndCommitsItCleared)
{
    TextStyle style;
    TextStyleFrame frame;
    frame.loadFromTextStyle(style);
    EXPECT_EQ(frame.fillColor(), Color::white());
    EXPECT_EQ(frame.textColor(), Color::black());
    EXPECT_FALSE(frame.isChecked(Check::FillColor));

    TextStyle target;
    target.setPropCustomized(TextStyle::FillColorMask, true);
    frame.commitToTextStyle(target);
    EXPECT_FALSE(target.isPropCustomized(TextStyle::FillColorMask));
    EXPECT_FALSE(target.fillColor().has_value());
}

TEST(TextStyleFrame, ItalicWithUnderlineCommitsFontStyleTenAndTheSize)
{
    TextStyleFrame frame;
    frame.loadFromTextStyle(TextStyle());
    frame.fontStyleToggled(BaseTextStyleFrame::Italic, true);
    frame.fontStyleToggled(BaseTextStyleFrame::Underline, true);
    frame.fontSizeSelected(22);
    TextStyle target;
    frame.commitToTextStyle(target);
    EXPECT_TRUE(target.isPropCustomized(TextStyle::FontMask));
    EXPECT_EQ(target.fontStyle(), 10u);
    EXPECT_DOUBLE_EQ(target.fontSize(), 22);
    EXPECT_EQ(target.customizedProps(), TextStyle::FontMask);
}

TEST(TextStyleFrame, RoundTripKeepsEveryCustomisedPropertyAndTheCallOut)
{
    TextStyle style;
    style.setPropCustomized(TextStyle::FillColorMask | TextStyle::AlignmentMask | TextStyle::CallOutMask, true);
    style.setFillColor(Color(0.2, 0.4, 0.6, 0.5));
    style.setAlignment(1);
    style.setCallOut(2);
    TextStyleFrame frame;
    frame.loadFromTextStyle(style);
    EXPECT_TRUE(frame.isChecked(Check::CallOut));
    TextStyle target;
    frame.commitToTextStyle(target);
    EXPECT_TRUE(target.equals(&style));

    frame.transparentButtonClicked();
    EXPECT_FALSE(frame.fillWellActive());
    frame.commitToTextStyle(target);
    EXPECT_TRUE(isNormalizedClearColor(target.fillColor()));
}

TEST(NodeStyleFrame, CommitsTheOutlineBehindItsBoxes)
{
    NodeStyle style;
    NodeStyleFrame frame;
    frame.loadFromNodeStyle(style);
    EXPECT_EQ(frame.strokeColor(), Color(0.5, 0.5, 0.5));
    frame.borderStyleSelected(6);
    frame.borderWidthSelected(3.25);
    frame.checkBoxClicked(Check::BorderWidth, false);
    NodeStyle target;
    frame.commitToNodeStyle(target);
    EXPECT_EQ(target.customizedProps(), NodeStyle::BorderStyleMask);
    EXPECT_EQ(target.borderStyle(), 6);
    EXPECT_EQ(frame.borderWidthLabel(), "3.25");
}

TEST(TextStyleFrame, HidingTheFontControlsKeepsTheOthersWorking)
{
    NodeStyleFrame frame;
    frame.hideFontControls();
    frame.loadFromNodeStyle(NodeStyle());
    frame.fillColorSelected(Color(1, 1, 0));
    NodeStyle target;
    frame.commitToNodeStyle(target);
    EXPECT_TRUE(frame.fontControlsHidden());
    EXPECT_EQ(target.customizedProps(), TextStyle::FillColorMask);
    EXPECT_EQ(target.fillColor(), Color(1, 1, 0));
}

TEST(FontSelectorView, OnlyADifferentFontReachesTheDelegate)
{
    FontSelectorView view;
    std::vector<Font> chosen;
    int redraws = 0;
    view.setDelegate([&](FontSelectorView&, const Font& font) { chosen.push_back(font); });
    view.setRedrawHandler([&] { ++redraws; });
    view.changeFont([](const Font& current) { return current; });
    EXPECT_TRUE(chosen.empty());
    view.changeFont([](const Font&) { return Font(); });
    EXPECT_TRUE(chosen.empty());
    const Font serif("Serif", 18);
    view.changeFont([&](const Font&) { return serif; });
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(view.font(), serif);
    view.changeFont([&](const Font&) { return serif; });
    EXPECT_EQ(chosen.size(), 1u);
    view.setText("Text");
    EXPECT_EQ(redraws, 1);
}

TEST(RelationStyleFrame, NoColourShowsDarkGreyWithTheBoxOffAndALoadTicksNothing)
{
    RelationStyle style;
    style.setLineStyle(4);
    style.setTargetArrowStyle(2);
    RelationStyleFrame frame;
    frame.loadFromRelationStyle(style);
    EXPECT_EQ(frame.color(), Color(1.0 / 3, 1.0 / 3, 1.0 / 3));
    for (RCheck check : {RCheck::LineStyle, RCheck::LineWidth, RCheck::PathStyle, RCheck::SourceArrow,
                         RCheck::TargetArrow, RCheck::Color, RCheck::ConnectionStyle})
        EXPECT_FALSE(frame.isChecked(check)) << static_cast<int>(check);
    EXPECT_EQ(frame.lineStyle(), 4);
    RelationStyle target;
    frame.commitToRelationStyle(target);
    EXPECT_EQ(target.customizedProps(), 0u);
    EXPECT_FALSE(target.color().has_value());
}

TEST(RelationStyleFrame, OnlyTheTargetArrowOnCommitsBitEightAndClearsTheRest)
{
    RelationStyleFrame frame;
    frame.loadFromRelationStyle(RelationStyle());
    frame.targetArrowStyleSelected(6);
    RelationStyle target;
    target.setCustomizedProps(1 | 2 | 4 | 16 | 32);
    frame.commitToRelationStyle(target);
    EXPECT_EQ(target.customizedProps(), 8u);
    EXPECT_EQ(target.targetArrowStyle(), 6);
}

TEST(RelationStyleFrame, TheLabelShowsOneDecimalWhileTheSliderValueIsCommitted)
{
    RelationStyleFrame frame;
    frame.loadFromRelationStyle(RelationStyle());
    frame.lineWidthSelected(3.04);
    EXPECT_EQ(frame.lineWidthLabel(), "3.0");
    EXPECT_TRUE(frame.isChecked(RCheck::LineWidth));
    RelationStyle target;
    frame.commitToRelationStyle(target);
    EXPECT_DOUBLE_EQ(target.lineWidth(), 3.04);
}

TEST(RelationStyleFrame, TheConnectionStyleLoadsAndCommitsUntilHidden)
{
    MindMapStyle source;
    source.setPropCustomized(MindMapStyle::ConnectionStyleMask, true);
    source.setConnectionStyle(2);
    RelationStyleFrame frame;
    frame.loadConnectionStyle(source);
    EXPECT_EQ(frame.connectionStyle(), 2);
    EXPECT_TRUE(frame.isChecked(RCheck::ConnectionStyle));
    frame.connectionStyleChanged(1);
    MindMapStyle target;
    frame.commitConnectionStyle(target);
    EXPECT_TRUE(target.isPropCustomized(MindMapStyle::ConnectionStyleMask));
    EXPECT_EQ(target.connectionStyle(), 1);

    frame.hideConnectionStyle();
    frame.loadConnectionStyle(source);
    EXPECT_FALSE(frame.connectionStyle().has_value());
    MindMapStyle untouched;
    frame.connectionStyleChanged(2);
    frame.commitConnectionStyle(untouched);
    EXPECT_FALSE(untouched.isPropCustomized(MindMapStyle::ConnectionStyleMask));
    EXPECT_EQ(untouched.connectionStyle(), 0);
}

namespace {

// Picks a target arrow in the alert's frame, then answers with the button.
class ArrowPickingAlert : public AlertPanel {
public:
    int button = FirstButtonReturn;
    bool connectionHidden = false;
    Answer runModal(const Request& request) override
    {
        if (!request.accessory) return {};
        auto* frame = std::any_cast<RelationStyleFrame*>(request.accessory->model);
        connectionHidden = frame->connectionStyleHidden();
        frame->targetArrowStyleSelected(3);
        return {button, {}};
    }
};

} // namespace

TEST(RelationStyleDialog, OkCommitsTheFrameAndCancelLeavesTheStyleAlone)
{
    ArrowPickingAlert alert;
    AlertPanel::setShared(&alert);
    RelationStyle working;
    working.setPropCustomized(RelationStyle::LineStyleMask, true);
    working.setLineStyle(2);
    RelationStyle edited;
    EXPECT_TRUE(RelationStyleDialog::run("title", "message", working, edited));
    EXPECT_TRUE(alert.connectionHidden);
    EXPECT_EQ(edited.customizedProps(), RelationStyle::LineStyleMask | RelationStyle::TargetArrowMask);
    EXPECT_EQ(edited.lineStyle(), 2);
    EXPECT_EQ(edited.targetArrowStyle(), 3);

    alert.button = AlertPanel::FirstButtonReturn + 1;
    RelationStyle untouched;
    EXPECT_FALSE(RelationStyleDialog::run("title", "message", working, untouched));
    EXPECT_EQ(untouched.customizedProps(), 0u);
    AlertPanel::setShared(nullptr);
}
