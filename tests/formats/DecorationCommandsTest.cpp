// The map's commands for links, icons, checkboxes, dates, hulls and images.

#include "StyleCommandTestSupport.h"

#include "MindMaps/DiagramLink.h"
#include "MindMaps/NodeHullStyle.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace maptest;

namespace {

constexpr const char* Url = "https://example.org/plan";
const std::chrono::system_clock::time_point SomeDay{std::chrono::hours(24 * 9000)};

class DecorationCommandsTest : public CommandMapTest {
protected:
    std::vector<int64_t> progressWalk(int64_t start, int steps)
    {
        node("B")->setCheckboxMode(2);
        node("B")->setProgress(start);
        select({node("B")});
        std::vector<int64_t> walk;
        for (int i = 0; i < steps; ++i) {
            map.toggleCheckedState();
            walk.push_back(node("B")->progress());
        }
        return walk;
    }
};

} // namespace

TEST_F(DecorationCommandsTest, EveryCommandIsOneStepUndoneAndRedoneExactly)
{
    const std::vector<StepCase> cases = {
        {"clearHyperlink",
         [&] {
             node("A")->linkToURL(Url);
             select({node("A"), node("B")});
         },
         [&] { map.clearHyperlink(); }, "hyperlink_remove_link"},
        {"selectIcon",
         [&] {
             select({node("A"), node("B")});
         },
         [&] { map.selectIcon(std::string("#") + ImageHash); }, "undoable_op_change_icon"},
        {"toggleCheckedState", [&] { select({node("B")}); }, [&] { map.toggleCheckedState(); },
         "undoable_op_change_topic_checkboxes"},
        {"applyDate", [&] { select({node("B")}); }, [&] { map.applyDate(SomeDay); }, "topic_menu_topic_set_date"},
        {"toggleShowHull", [&] { select({node("A")}); }, [&] { map.toggleShowHull(); }, "topic_menu_hull_options"},
        {"selectEmbeddedImage", [&] { select({node("B")}); }, [&] { map.selectEmbeddedImage(OtherImageHash); },
         "undoable_op_change_image"},
        {"clearEmbeddedImage",
         [&] {
             node("B")->setEmbeddedImageName(OtherImageHash);
             select({node("B")});
         },
         [&] { map.clearEmbeddedImage(); }, "undoable_op_change_image"},
        {"addDiagramLink", [&] { select({node("A")}); }, [&] { map.addDiagramLink(Url, "", 1); },
         "action_add_hyperlink"},
        {"linkNode", [&] { select({node("A")}); }, [&] { map.linkNode(node("B"), Url); }, "hyperlink_link_doc"},
        {"addContactLink", [&] { select({node("A")}); }, [&] { map.addContactLink("contact-7", "", 5); },
         "action_add_hyperlink"},
        {"applyCheckedState",
         [&] {
             select({node("A"), node("C")});
         },
         [&] { map.applyCheckedState(2, 40); }, "undoable_op_change_topic_checkboxes"},
        {"addCustomImageWithHash", [&] { select({node("A")}); },
         [&] { map.addCustomImageWithHash(OtherImageHash, "", "https://example.org/picture"); },
         "undoable_op_add_image"},
        {"changeImage", [&] { select({image()}); }, [&] { map.changeImage(image(), OtherImageHash, "", ""); },
         "undoable_op_change_image"},
        {"changeImage, scale only",
         [&] {
             image()->setScale(0.5);
             select({image()});
         },
         [&] { map.changeImage(image(), ImageHash, "", ""); }, "undoable_op_change_image"},
        {"editImageLink",
         [&] {
             prompts.imageLinkAnswer = "  https://example.org/x \n";
             select({image()});
         },
         [&] { map.editImageLink(); }, "undoable_op_change_image"},
    };
    expectOneStepEach(cases);
}

TEST_F(DecorationCommandsTest, RefusedCommandsChangeNothing)
{
    const std::vector<RefusalCase> cases = {
        {"link without a topic", [&] { select({}); }, [&] { map.addDiagramLink(Url, "", 1); }},
        {"hull with a relation selected", [&] { select({link()}); }, [&] { map.toggleShowHull(); }},
        {"icon on a read-only map",
         [&] {
             select({node("A")});
             map.setReadOnly(true);
         },
         [&] { map.selectIcon(std::string("#") + ImageHash); }},
        {"checkbox mode 7", [&] { select({node("A")}); }, [&] { map.applyCheckedState(7, 10); }},
        {"image without a hash", [&] { select({node("A")}); }, [&] { map.addCustomImageWithHash("", "", ""); }},
        {"change of an image that is not selected",
         [&] {
             node("A")->addCustomImage(OtherImageHash, "");
             giveEveryElementAGuid();
             select({node("A")->containedElements().front()});
         },
         [&] { map.changeImage(image(), OtherImageHash, "", ""); }},
        {"change to what the image already is", [&] { select({image()}); },
         [&] { map.changeImage(image(), ImageHash, "", ""); }},
        {"image link prompt cancelled", [&] { select({image()}); }, [&] { map.editImageLink(); }},
        {"image link unchanged",
         [&] {
             image()->setImageLink("https://example.org/x");
             prompts.imageLinkAnswer = " https://example.org/x\t";
             select({image()});
         },
         [&] { map.editImageLink(); }},
    };
    expectNoChangeEach(cases);
}

// ---- Results ----

TEST_F(DecorationCommandsTest, ProgressWalksInTensAndWraps)
{
    EXPECT_EQ(progressWalk(0, 11), (std::vector<int64_t>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 0}));
    EXPECT_EQ(progressWalk(95, 2), (std::vector<int64_t>{100, 0}));
}

TEST_F(DecorationCommandsTest, CheckboxTogglesThroughItsModes)
{
    select({node("A"), node("B")});
    map.toggleCheckedState();
    EXPECT_EQ(node("A")->checkboxMode(), 1);
    EXPECT_EQ(node("A")->checkedState(), 0);
    map.toggleCheckedState();
    EXPECT_EQ(node("A")->checkedState(), 1);
    node("B")->setCheckboxMode(3);
    map.toggleCheckedState();
    EXPECT_EQ(node("B")->checkboxMode(), 3) << "roll-up progress follows the children";

    map.applyCheckedState(3, 70);
    EXPECT_EQ(node("A")->checkboxMode(), 3);
    map.applyCheckedState(2, 70);
    EXPECT_EQ(node("A")->progress(), 70);
}

TEST_F(DecorationCommandsTest, PickersAreAskedForByNotification)
{
    std::vector<std::string> posted;
    auto record = [&](const Notification& notification) { posted.push_back(notification.name); };
    ObservationToken icon = NotificationCenter::defaultCenter().addObserver("MindMap.InvokeIconPicker", &map, record);
    ObservationToken date = NotificationCenter::defaultCenter().addObserver("MindMap.InvokeDatePicker", &map, record);
    map.showIconPickerPanel();
    map.showDatePickerPanel();
    EXPECT_EQ(posted, (std::vector<std::string>{"MindMap.InvokeIconPicker", "MindMap.InvokeDatePicker"}));
}

TEST_F(DecorationCommandsTest, ScaleOnlyImageChangeMarksTheDocumentEdited)
{
    FakeDocumentOwner owner;
    map.setDocumentOwner(&owner);
    image()->setScale(0.5);
    select({image()});
    map.changeImage(image(), ImageHash, "", "");
    EXPECT_EQ(image()->scale(), 1.0);
    EXPECT_TRUE(owner.manager.canUndo());
    EXPECT_FALSE(owner.changes.empty()) << "the document knows of the change";
    map.setDocumentOwner(nullptr);
}
