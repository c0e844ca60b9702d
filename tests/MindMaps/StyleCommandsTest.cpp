// The map's style and appearance commands.

#include "MindMaps/StyleCommandTestSupport.h"

#include "Editor/FeedbackCenter.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StylePresets.h"
#include "MindMaps/TextStyle.h"
#include "platform/Font.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace maptest;

namespace {

const Color Red = Color::rgb255(255, 0, 0);

class RecordingFeedback : public FeedbackProgressDelegate {
public:
    std::vector<std::shared_ptr<FeedbackItem>> notifications;
    void startProgress(double, const std::string&) override {}
    void progress(double, const std::string&) override {}
    void endProgress() override {}
    void showEditorNotification(const std::shared_ptr<FeedbackItem>& item, double) override
    {
        notifications.push_back(item);
    }
};

class StyleCommandsTest : public CommandMapTest {
protected:
    StyleCommandsTest() { FeedbackCenter::feedbackCenter().setDelegate(&feedback); }
    ~StyleCommandsTest() override { FeedbackCenter::feedbackCenter().setDelegate(nullptr); }

    void customizeFill(MindMapNode* topic, const Color& color)
    {
        ElementStyle::UpdateGuard batch(*topic->style());
        topic->style()->setPropCustomized(TextStyle::FillColorMask, true);
        topic->style()->setFillColor(color);
    }

    RecordingFeedback feedback;
};

} // namespace

// Every command of the table: one step named by its key, undone byte for byte and redone.
TEST_F(StyleCommandsTest, EveryCommandIsOneStepUndoneAndRedoneExactly)
{
    const std::vector<StepCase> cases = {
        {"changeColor on a topic", [&] { select({node("B")}); }, [&] { map.changeColor(Red); },
         "undoable_op_apply_custom_color"},
        {"changeColor on relations", [&] { select({link(), node("A")->parentRelation()}); },
         [&] { map.changeColor(Red); }, "undoable_op_apply_custom_color"},
        {"clearStyleCustomization",
         [&] {
             customizeFill(node("B"), Red);
             select({node("B")});
         },
         [&] { map.clearStyleCustomization(); }, "undoable_op_clear_customization"},
        {"applyPaletteIndex", [&] { select({node("A"), node("B")}); }, [&] { map.applyPaletteIndex(3); },
         "undoable_op_apply_palette_color"},
        {"changeFontSize", [&] { select({node("B")}); }, [&] { map.changeFontSize(30); }, "undoable_op_change_style"},
        {"toggleFontStyleAspect", [&] { select({label()}); }, [&] { map.toggleFontStyleAspect(ItalicFontMask); },
         "undoable_op_change_style"},
        {"changeElementColor", [&] { select({label()}); }, [&] { map.changeElementColor(Red, 1); },
         "undoable_op_change_style"},
        {"changeTextAlignment", [&] { select({node("B")}); }, [&] { map.changeTextAlignment(2); },
         "undoable_op_change_style"},
        {"changeBorderStyle", [&] { select({node("B")}); }, [&] { map.changeBorderStyle(5); },
         "undoable_op_change_style"},
        {"changeBorderWidth", [&] { select({node("B")}); }, [&] { map.changeBorderWidth(4); },
         "undoable_op_change_style"},
        {"changeLineStyle", [&] { select({link()}); }, [&] { map.changeLineStyle(6); }, "undoable_op_change_style"},
        {"changeLineWidth", [&] { select({link()}); }, [&] { map.changeLineWidth(5); }, "undoable_op_change_style"},
        {"changePathStyle", [&] { select({node("C")->parentRelation()}); }, [&] { map.changePathStyle(1); },
         "undoable_op_change_style"},
        {"changeSourceArrowStyle", [&] { select({link()}); }, [&] { map.changeSourceArrowStyle(2); },
         "undoable_op_change_style"},
        {"changeTargetArrowStyle", [&] { select({link()}); }, [&] { map.changeTargetArrowStyle(3); },
         "undoable_op_change_style"},
        {"clearPathCustomization",
         [&] {
             link()->moveCustomPoint(Point{100, 300});
             select({link()});
         },
         [&] { map.clearPathCustomization(); }, "undoable_op_clear_path_customization"},
        {"pasteStyle",
         [&] {
             customizeFill(node("A"), Red);
             select({node("A")});
             map.copyStyle();
             select({node("B"), node("C")});
         },
         [&] { map.pasteStyle(); }, "undoable_op_change_style"},
        {"editRelation",
         [&] {
             prompts.relationDialog = [](const RelationStyle& working, RelationStyle& edited) {
                 edited.assign(&working);
                 edited.changeLineStyle(5);
                 return true;
             };
             select({link()});
         },
         [&] { map.editRelation(link()); }, "relation_style_dialog_default_title"},
    };
    expectOneStepEach(cases);
}

TEST_F(StyleCommandsTest, PresetsApplyAsOneStep)
{
    TempDir folder;
    NodeStylePresets presets(folder.path());
    select({node("A"), node("C")});
    expectOneStep([&] { map.applyStylePresetToSelection(presets.presetAtIndex(3)); }, "undoable_op_change_style");
    EXPECT_EQ(node("C")->style()->fillColor(), Color::rgb255(255, 124, 68));
    EXPECT_EQ(node("C")->style()->borderWidth(), 1.0);
}

// Wrong kinds, nothing selected, read-only where the command refuses, and values no document
// could hold: nothing changes and no step is taken.
TEST_F(StyleCommandsTest, RefusedCommandsChangeNothing)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<RefusalCase> cases = {
        {"nothing selected", [&] { select({}); }, [&] { map.changeFontSize(20); }},
        {"line style on a topic", [&] { select({node("B")}); }, [&] { map.changeLineStyle(3); }},
        {"border on a relation", [&] { select({link()}); }, [&] { map.changeBorderStyle(3); }},
        {"border on a text", [&] { select({label()}); }, [&] { map.changeBorderWidth(3); }},
        {"colour with an image primary", [&] { select({image()}); }, [&] { map.changeColor(Red); }},
        {"colour on a read-only map",
         [&] {
             select({node("B")});
             map.setReadOnly(true);
         },
         [&] { map.changeColor(Red); }},
        {"clear on a read-only map",
         [&] {
             customizeFill(node("B"), Red);
             select({node("B")});
             map.setReadOnly(true);
         },
         [&] { map.clearStyleCustomization(); }},
        {"border style 42", [&] { select({node("B")}); }, [&] { map.changeBorderStyle(42); }},
        {"border style -1", [&] { select({node("B")}); }, [&] { map.changeBorderStyle(-1); }},
        {"alignment 3", [&] { select({node("B")}); }, [&] { map.changeTextAlignment(3); }},
        {"line style 10", [&] { select({link()}); }, [&] { map.changeLineStyle(10); }},
        {"path style 3", [&] { select({link()}); }, [&] { map.changePathStyle(3); }},
        {"arrow 9", [&] { select({link()}); }, [&] { map.changeTargetArrowStyle(9); }},
        {"width NaN", [&] { select({link()}); }, [&] { map.changeLineWidth(nan); }},
        {"width beyond documents", [&] { select({node("B")}); }, [&] { map.changeBorderWidth(1e9); }},
        {"negative width", [&] { select({node("B")}); }, [&] { map.changeBorderWidth(-2); }},
        {"font size 0", [&] { select({node("B")}); }, [&] { map.changeFontSize(0); }},
        {"font size infinite",
         [&] { select({node("B")}); },
         [&] { map.changeFontSize(std::numeric_limits<double>::infinity()); }},
        {"colour NaN", [&] { select({node("B")}); }, [&] { map.changeColor(Color(nan, 0, 0)); }},
        {"aspect 4", [&] { select({node("B")}); }, [&] { map.changeElementColor(Red, 4); }},
        {"aspects 1 and 2 at once", [&] { select({node("B")}); }, [&] { map.changeElementColor(Red, 3); }},
        {"palette index -1", [&] { select({node("B")}); }, [&] { map.applyPaletteIndex(-1); }},
        {"no trait", [&] { select({node("B")}); }, [&] { map.toggleFontStyleAspect(static_cast<FontTraitMask>(0)); }},
        {"null preset", [&] { select({node("B")}); }, [&] { map.applyStylePresetToSelection(nullptr); }},
        {"paste without a buffer", [&] { select({node("B")}); }, [&] { map.pasteStyle(); }},
        {"relation dialog cancelled", [&] { select({link()}); }, [&] { map.editRelation(link()); }},
        {"relation dialog on a read-only map",
         [&] {
             prompts.relationDialog = [](const RelationStyle&, RelationStyle& edited) {
                 edited.changeLineStyle(5);
                 return true;
             };
             map.setReadOnly(true);
             prompts.relationDialogs = 0;
         },
         [&] { map.editRelation(link()); }},
    };
    expectNoChangeEach(cases);
    EXPECT_EQ(prompts.relationDialogs, 0) << "the read-only map never asks";
}

TEST_F(StyleCommandsTest, ColourPanelKeepsTheEditorModesAndRecoloursEveryRelation)
{
    int cancels = 0;
    CallLog log;
    RecordingNodeEditor recording(log);
    recording.onCancelEditorModes = [&] { ++cancels; };
    map.setNodeEditor(&recording);
    select({link(), node("B")->parentRelation()});
    map.changeColor(Red);
    EXPECT_EQ(cancels, 0);
    EXPECT_EQ(link()->style()->color(), Red);
    EXPECT_EQ(node("B")->parentRelation()->style()->color(), Red);
    map.setNodeEditor(&editor);
}

// ---- Fonts ----

TEST_F(StyleCommandsTest, BoldToggleFollowsThePrimaryTopicForEveryElement)
{
    // Bold as shown: the style's own font style, else that of the style sheet's font.
    auto bold = [&](MindMapNode* topic) {
        uint64_t defaultStyle = 0;
        double defaultSize = 14;
        const TextStyle* style = map.getElementTextStyleDefaults(topic, defaultStyle, defaultSize);
        return ((style->isPropCustomized(TextStyle::FontMask) ? style->fontStyle() : defaultStyle) & 1) != 0;
    };
    node("B")->setStyleSheetFont(Font("DejaVu Sans", 14, true));
    node("C")->setStyleSheetFont(Font("DejaVu Sans", 14, false));
    ASSERT_TRUE(bold(node("B")));
    ASSERT_FALSE(bold(node("C")));

    select({node("B"), node("C")});
    map.toggleFontStyleAspect(BoldFontMask);
    EXPECT_FALSE(bold(node("B")));
    EXPECT_FALSE(bold(node("C"))) << "C was not bold and stays so";

    select({node("C"), node("B")});
    map.toggleFontStyleAspect(BoldFontMask);
    EXPECT_TRUE(bold(node("B")));
    EXPECT_TRUE(bold(node("C")));
}

TEST_F(StyleCommandsTest, FontDefaultsComeFromTheReferenceFont)
{
    uint64_t style = 99;
    double size = 99;
    MindMapNode* b = node("B");
    b->setStyleSheetFont(Font("DejaVu Sans", 17, true, true));
    EXPECT_EQ(map.getElementTextStyleDefaults(b, style, size), b->style());
    EXPECT_EQ(style, 3u) << "bold gives 1, italic 2";
    EXPECT_EQ(size, 17.0);

    style = 99;
    size = 99;
    EXPECT_EQ(map.getElementTextStyleDefaults(link(), style, size), nullptr);
    EXPECT_EQ(style, 99u) << "outputs untouched";
    EXPECT_EQ(size, 99.0);
    EXPECT_EQ(map.getElementTextStyleDefaults(label(), style, size), label()->style());
}

TEST_F(StyleCommandsTest, ElementColourAspects)
{
    select({node("B")});
    map.changeElementColor(Red, 32);
    EXPECT_EQ(node("B")->style()->strokeColor(), Red);
    EXPECT_TRUE(node("B")->style()->isPropCustomized(32));

    const std::optional<Color> fill = label()->style()->fillColor();
    const std::optional<Color> text = label()->style()->textColor();
    select({label()});
    map.changeElementColor(Red, 32);
    EXPECT_TRUE(label()->style()->isPropCustomized(32)) << "a text marks the stroke bit";
    EXPECT_EQ(label()->style()->fillColor(), fill);
    EXPECT_EQ(label()->style()->textColor(), text);
    map.changeElementColor(Red, 2);
    EXPECT_EQ(label()->style()->fillColor(), Red);
}

TEST_F(StyleCommandsTest, DefaultWordWrapBreaksALongTopicText)
{
    const std::string text = "one two three four five six seven eight nine ten eleven twelve thirteen fourteen";
    node("B")->setText(text);
    map.validateElementStates();
    select({node(text)});
    expectOneStep([&] { map.applyDefaultWordWrap(); }, "undoable_op_word_wrap");
    MindMapNode* wrapped = map.centralThemes().front()->childAtIndex(1);
    EXPECT_NE(wrapped->text().find('\n'), std::string::npos);
}

// ---- Copy and paste of styles ----

TEST_F(StyleCommandsTest, TopicStylePastesOntoTexts)
{
    MindMapText* second = node("B")->addText();
    second->setText("Second");
    giveEveryElementAGuid();
    customizeFill(node("A"), Red);
    select({node("A")});
    map.copyStyle();
    ASSERT_NE(dynamic_cast<NodeStyle*>(map.styleBuffer()), nullptr);
    select({label(), second});
    map.pasteStyle();
    for (ContainedElement* element : node("B")->containedElements()) {
        EXPECT_EQ(static_cast<MindMapText*>(element)->style()->fillColor(), Red);
    }
    EXPECT_TRUE(feedback.notifications.empty());
}

TEST_F(StyleCommandsTest, TextStyleDoesNotPasteOntoTopics)
{
    {
        ElementStyle::UpdateGuard batch(*label()->style());
        label()->style()->setPropCustomized(TextStyle::FillColorMask, true);
        label()->style()->setFillColor(Red);
    }
    select({label()});
    map.copyStyle();
    select({node("A"), node("C")});
    const std::string before = document();
    map.pasteStyle();
    EXPECT_EQ(document(), before) << "no topic changed";
    ASSERT_EQ(feedback.notifications.size(), 1u);
    EXPECT_EQ(feedback.notifications[0]->title(), localized("unable_to_paste_style_error_title"));
    EXPECT_EQ(feedback.notifications[0]->message(), localized("unable_to_paste_style_error_message"));
    EXPECT_EQ(feedback.notifications[0]->state(), 2u);
}

TEST_F(StyleCommandsTest, CopyStyleKeepsTheBufferForImagesAndReducesTheSelection)
{
    select({link(), node("A")->parentRelation()});
    map.copyStyle();
    EXPECT_EQ(map.selection().size(), 1u);
    ElementStyle* buffer = map.styleBuffer();
    ASSERT_NE(dynamic_cast<RelationStyle*>(buffer), nullptr);
    select({image()});
    map.copyStyle();
    EXPECT_EQ(map.styleBuffer(), buffer);
    manager().removeAllActions();
    select({node("A")});
    map.copyStyle();
    EXPECT_FALSE(manager().canUndo()) << "copying takes no step";
}

// ---- Dialogs ----

TEST_F(StyleCommandsTest, RelationDialogStartsFromTheTargetsSchemeColourAndSkipsUnchangedStyles)
{
    Color shown;
    prompts.relationDialog = [&](const RelationStyle& working, RelationStyle& edited) {
        shown = working.color().value_or(Color());
        edited.assign(&working);
        edited.setPropCustomized(RelationStyle::ColorMask, link()->style()->isPropCustomized(RelationStyle::ColorMask));
        return true;
    };
    const std::string before = document();
    map.editRelation(link());
    EXPECT_EQ(prompts.relationDialogs, 1);
    EXPECT_EQ(shown, node("C")->colorSchemeStrokeColor());
    EXPECT_FALSE(manager().canUndo()) << "OK without a change takes no step";
    EXPECT_EQ(document(), before);
}
