// The map's style and appearance commands.

#include "StyleCommandTestSupport.h"

#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StylePresets.h"
#include "MindMaps/TextStyle.h"
#include "Utils/RecordingFeedbackSink.h"
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

class StyleCommandsTest : public CommandMapTest {
protected:
    void customizeFill(MindMapNode* topic, const Color& color)
    {
        ElementStyle::UpdateGuard batch(*topic->style());
        topic->style()->setPropCustomized(TextStyle::FillColorMask, true);
        topic->style()->setFillColor(color);
    }

    RecordingFeedbackSink feedback;
};

} // namespace

// Every command of the table: one step named by its key, undone byte for byte and redone.
TEST_F(StyleCommandsTest, EveryCommandIsOneStepUndoneAndRedoneExactly)
{
    const std::vector<StepCase> cases = {
        {"changeColor on a topic", [&] { select({node("B")}); }, [&] { map.changeColor(Red); },
         "undoable_op_apply_custom_color"},
        {"clearStyleCustomization",
         [&] {
             customizeFill(node("B"), Red);
             select({node("B")});
         },
         [&] { map.clearStyleCustomization(); }, "undoable_op_clear_customization"},
        {"applyPaletteIndex",
         [&] {
             select({node("A"), node("B")});
         },
         [&] { map.applyPaletteIndex(3); }, "undoable_op_apply_palette_color"},
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

// Wrong kinds, nothing selected, read-only where the command refuses, and values no document
// could hold: nothing changes and no step is taken.
TEST_F(StyleCommandsTest, RefusedCommandsChangeNothing)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<RefusalCase> cases = {
        {"nothing selected", [&] { select({}); }, [&] { map.changeFontSize(20); }},
        {"colour on a read-only map",
         [&] {
             select({node("B")});
             map.setReadOnly(true);
         },
         [&] { map.changeColor(Red); }},
        {"border style 42", [&] { select({node("B")}); }, [&] { map.changeBorderStyle(42); }},
        {"alignment 3", [&] { select({node("B")}); }, [&] { map.changeTextAlignment(3); }},
        {"line style 10", [&] { select({link()}); }, [&] { map.changeLineStyle(10); }},
        {"width NaN", [&] { select({link()}); }, [&] { map.changeLineWidth(nan); }},
        {"width beyond documents", [&] { select({node("B")}); }, [&] { map.changeBorderWidth(1e9); }},
        {"font size 0", [&] { select({node("B")}); }, [&] { map.changeFontSize(0); }},
        {"colour NaN", [&] { select({node("B")}); }, [&] { map.changeColor(Color(nan, 0, 0)); }},
        {"aspect 4", [&] { select({node("B")}); }, [&] { map.changeElementColor(Red, 4); }},
        {"palette index -1", [&] { select({node("B")}); }, [&] { map.applyPaletteIndex(-1); }},
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

TEST_F(StyleCommandsTest, DefaultWordWrapBreaksALongTopicText)
{
    const std::string text = "one two three four five six seven eight nine ten eleven twelve thirteen fourteen";
    node("B")->setText(text);
    map.validateElementStates();
    select({node(text)});
    expectOneStep([&] { map.applyDefaultWordWrap(); }, "undoable_op_word_wrap");
    EXPECT_NE(map.centralThemes().front()->childAtIndex(1)->text().find('\n'), std::string::npos);
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

// ---- Copy and paste of styles ----

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
    EXPECT_EQ(feedback.notifications[0].title, localized("unable_to_paste_style_error_title"));
    EXPECT_EQ(feedback.notifications[0].message, localized("unable_to_paste_style_error_message"));
    EXPECT_EQ(feedback.notifications[0].state, 2u);
}

// ---- Dialogs ----
