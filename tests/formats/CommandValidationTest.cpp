// Which actions the map enables for its selection.

#include "StyleCommandTestSupport.h"

#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMapCommandValidation.h"
#include "MindMaps/StyleSheet.h"
#include "formats/MindMapClipboard.h"
#include "platform/ImagePasteboard.h"
#include "platform/Pasteboard.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace maptest;

namespace {

using A = MindMapAction;

class CommandValidationTest : public CommandMapTest {
protected:
    CommandValidationTest() { Pasteboard::setGeneralPasteboard(nullptr); }
    ~CommandValidationTest() override { Pasteboard::setGeneralPasteboard(nullptr); }

    bool enabled(MindMapAction action)
    {
        bool handled = false;
        const bool answer = map.validateUserInterfaceItem(action, handled);
        EXPECT_TRUE(handled) << "action " << static_cast<int>(action);
        return answer;
    }
    void offer(const std::vector<std::string>& types)
    {
        Pasteboard& pasteboard = Pasteboard::generalPasteboard();
        pasteboard.declareTypes(types);
        for (const std::string& type : types) pasteboard.setData({'x'}, type);
    }
};

} // namespace

TEST_F(CommandValidationTest, UnfocusedOrDisabledMapsEnableOnlyTheWholeMapActions)
{
    editor.focused = false;
    select({node("A")});
    for (MindMapAction action : {A::copy, A::addChildNode, A::delete_, A::other, A::changeColor}) {
        EXPECT_FALSE(enabled(action)) << static_cast<int>(action);
    }
    EXPECT_TRUE(enabled(A::copyAsImage));
    EXPECT_TRUE(enabled(A::editMindMapStyle));

    map.setNodeEditor(nullptr);
    map.setReadOnly(false);
    EXPECT_FALSE(enabled(A::copy)) << "no editing view";
    EXPECT_TRUE(enabled(A::copyAsImage));

    map.setEnabled(false);
    EXPECT_FALSE(enabled(A::copyAsImage));
    EXPECT_FALSE(enabled(A::other));
}

TEST_F(CommandValidationTest, ReadOnlyMapsKeepCopyFoldAndHide)
{
    map.setReadOnly(true);
    offer({MindMapClipboard::PasteboardType, Pasteboard::StringType});
    select({node("A")});
    map.copyStyle();
    for (MindMapAction action : {A::copy, A::copyStyle, A::hideSelected, A::showChildren, A::fullHide,
                                 A::toggleCollapsed, A::collapse, A::fullExpand, A::editProperties}) {
        EXPECT_TRUE(enabled(action)) << static_cast<int>(action);
    }
    for (MindMapAction action : {A::cut, A::delete_, A::paste, A::pasteStyle, A::addChildNode, A::addCentralTheme,
                                 A::clearStyleCustomization, A::toggleShowHull, A::editText, A::addText}) {
        EXPECT_FALSE(enabled(action)) << static_cast<int>(action);
    }
}

TEST_F(CommandValidationTest, PasteDependsOnThePasteboardAndTheTarget)
{
    node("A")->setCollapsed(true);
    select({node("A")});
    offer({Pasteboard::StringType});
    EXPECT_FALSE(enabled(A::paste)) << "text cannot go under a collapsed topic";
    EXPECT_TRUE(enabled(A::pasteTextAsList));
    offer({ImagePasteboard::PNGType});
    EXPECT_TRUE(enabled(A::paste)) << "an image can go onto the topic";
    EXPECT_FALSE(enabled(A::pasteTextAsList));

    select({link()});
    EXPECT_FALSE(enabled(A::paste));
    offer({MindMapClipboard::PasteboardType});
    EXPECT_TRUE(enabled(A::paste)) << "native data onto a relation";
    EXPECT_TRUE(enabled(A::pasteAsCentralTheme));
    select({});
    EXPECT_FALSE(enabled(A::paste)) << "nothing selected in a map with topics";
}

TEST_F(CommandValidationTest, FoldingNeedsChildrenUnlessSeveralAreSelected)
{
    select({node("B")});
    EXPECT_FALSE(enabled(A::collapse));
    select({node("B"), node("C")});
    EXPECT_TRUE(enabled(A::collapse));
    select({node("A")});
    EXPECT_TRUE(enabled(A::collapse));
    EXPECT_FALSE(enabled(A::expand));
    node("A")->setCollapsed(true);
    EXPECT_FALSE(enabled(A::collapse));
    EXPECT_TRUE(enabled(A::expand));
    EXPECT_FALSE(enabled(A::addChildNode)) << "no child under a collapsed topic";
}

// One row per rule: the selection, the action and the answer.
TEST_F(CommandValidationTest, SelectionRules)
{
    struct Row {
        const char* name;
        std::function<void()> prepare;
        MindMapAction action;
        bool expected;
    };
    const std::vector<Row> rows = {
        {"properties of a relation", [&] { select({link()}); }, A::editProperties, true},
        {"clear customisation of a relation", [&] { select({link()}); }, A::clearStyleCustomization, true},
        {"link on a topic", [&] { select({node("A")}); }, A::addDiagramLink, true},
        {"clear embedded image",
         [&] {
             node("A")->setEmbeddedImageName(ImageHash);
             select({node("A")});
         },
         A::clearEmbeddedImage, true},
        {"hull on several with the theme",
         [&] {
             select({node("Root"), node("A")});
         },
         A::toggleShowHull, true},
        {"sibling of the theme", [&] { select({node("Root")}); }, A::addSiblingNode, false},
        {"insert above several",
         [&] {
             select({node("A"), node("B")});
         },
         A::insertNode, false},
        {"paste style without buffer", [&] { select({node("A")}); }, A::pasteStyle, false},
        {"rotate a strict-layout topic",
         [&] {
             node("A")->setLayoutMode(1);
             select({node("A")});
         },
         A::flipBranchVertical, false},
        {"rotate below a strict layout", [&] { select({node("A1")}); }, A::rotate180, false},
        {"second text backward",
         [&] {
             node("B")->addText()->setText("Second");
             select({node("B")->containedElements().back()});
         },
         A::orderContainedElementBackward, true},
        {"order up the theme", [&] { select({node("Root")}); }, A::orderUpSelectedNode, false},
        {"text on a relation", [&] { select({link()}); }, A::addText, true},
        {"text on a hidden relation",
         [&] {
             node("C")->setIsHidden(true);
             select({node("C")->parentRelation()});
         },
         A::addText, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.prepare();
        EXPECT_EQ(enabled(row.action), row.expected);
    }
}

TEST_F(CommandValidationTest, PaletteActionsNeedAPaletteThatIsNotLevelBased)
{
    struct Case {
        const char* sheet;
        bool expected;
    };
    for (const Case& c :
         {Case{"system.bright-palette", true}, Case{"system.spring-levels", false}, Case{"system.gray-scale", false}}) {
        SCOPED_TRACE(c.sheet);
        map.applyStyleSheetWithKey(c.sheet);
        select({node("B")});
        EXPECT_EQ(enabled(A::applyPaletteIndex), c.expected);
        EXPECT_EQ(enabled(A::addBranchWithPaletteIndex), c.expected);
        node("A")->setCollapsed(true);
        select({node("A")});
        EXPECT_FALSE(enabled(A::addBranchWithPaletteIndex));
        EXPECT_EQ(enabled(A::applyPaletteIndex), c.expected);
        node("A")->setCollapsed(false);
    }
}
