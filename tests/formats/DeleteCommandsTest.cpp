// Delete, cut, copy and paste.

#include "CommandsTestSupport.h"
#include "MindMaps/ScriptedCommandPrompts.h"

#include "MindMaps/ParentRelation.h"
#include "Utils/RecordingFeedbackSink.h"
#include "formats/MindMapClipboard.h"
#include "platform/ImagePasteboard.h"

using namespace cmdtest;

namespace {

constexpr const char* NativeType = MindMapClipboard::PasteboardType;

Pasteboard& pasteboard()
{
    return Pasteboard::generalPasteboard();
}

// The types in order, each with its text.
void put(const std::vector<std::pair<std::string, std::string>>& content)
{
    std::vector<std::string> types;
    for (const auto& entry : content) types.push_back(entry.first);
    pasteboard().declareTypes(types);
    for (const auto& [type, text] : content) pasteboard().setString(text, type);
}

} // namespace

TEST_F(CommandsTest, EveryDeleteAndPasteCommandIsOneUndoStepThatUndoesByteForByte)
{
    // In an order in which each case still finds what it needs after the ones before.
    const std::vector<std::tuple<const char*, std::function<void()>, std::function<void()>>> cases = {
        {"editor_menu_delete", [&] { map.setSelectedElement(map.crossLinks().front()); }, [&] { map.delete_(); }},
        {"editor_menu_delete", [&] { map.setSelectedElement(topic("A2")->containedElements().front()); },
         [&] { map.delete_(); }},
        {"editor_menu_delete", [&] { map.setSelectedElement(topic("A1")); }, [&] { map.deleteAlt(); }},
        {"editor_menu_delete", [&] { map.setSelectedElement(topic("A2")->parentRelation()); }, [&] { map.delete_(); }},
        {"editor_menu_delete", [&] { map.setSelectedElement(topic("A1a")); }, [&] { map.delete_(); }},
        {"editor_menu_delete", [&] { map.setSelectedElement(topic("B1")); }, [&] { map.cut(); }},
        {"undoable_op_paste",
         [&] {
             map.setSelectedElement(topic("A"));
             map.copy();
             map.setSelectedElement(topic("B"));
         },
         [&] { map.paste(); }},
        {"undoable_op_paste",
         [&] {
             map.setSelectedElement(topic("A1b"));
             map.copy();
         },
         [&] { map.pasteAsCentralTheme(); }},
        {"undoable_op_paste",
         [&] {
             put({{Pasteboard::StringType, "pasted"}});
             map.setSelectedElement(topic("A2"));
         },
         [&] { map.paste(); }},
    };
    for (const auto& [key, prepare, command] : cases) {
        SCOPED_TRACE(key);
        prepare();
        undoManager().removeAllActions();
        expectOneUndoStep(key, command);
    }
}

TEST_F(CommandsTest, DeletingEveryTopicAsksAndAnythingButOKChangesNothing)
{
    select({topic("A"), topic("B")});
    expectNoChange([&] { map.delete_(); }); // no dialogs: dismissed

    maptest::ScriptedCommandPrompts prompts;
    maptest::ScopedCommandPrompts installed(prompts);
    prompts.alertAnswers = {ModalAlert::AlertFirstButtonReturn + 1, ModalAlert::AlertFirstButtonReturn};
    map.prepareUndoableOperation("an earlier step");
    const std::string before = document();
    map.delete_();
    EXPECT_EQ(document(), before);
    EXPECT_EQ(undoManager().undoActionName(), "an earlier step") << "the undo stack is unchanged";
    ASSERT_EQ(prompts.alerts.size(), 1u);
    const ModalAlert& alert = prompts.alerts.front();
    EXPECT_EQ(alert.messageText(), localized("editor_menu_delete"));
    EXPECT_EQ(alert.informativeText(), localized("editor_delete_all_topics_warning"));
    EXPECT_EQ(alert.alertStyle(), AlertStyle::Informational);
    ASSERT_EQ(alert.buttons().size(), 2u);
    EXPECT_EQ(alert.buttons()[0].title, localized("ok_button_title"));
    EXPECT_EQ(alert.buttons()[1].title, localized("cancel_button_title"));

    map.delete_();
    EXPECT_TRUE(map.isEmpty());
    EXPECT_EQ(undoManager().undoActionName(), localized("editor_menu_delete"));
}

TEST_F(CommandsTest, DeleteAltRemovesACrossLinkBetweenAMovedChildAndItsNewParent)
{
    map.internalAddCrossLinkFromSource(topic("A"), topic("A1a"));
    map.internalAddCrossLinkFromSource(topic("A1b"), topic("A2"));
    map.setSelectedElement(topic("A1"));
    map.deleteAlt();
    EXPECT_FALSE(map.containsCrossLinkBetween(topic("A"), topic("A1a")));
    EXPECT_TRUE(map.containsCrossLinkBetween(topic("A1b"), topic("A2"))) << "links between siblings stay";
    EXPECT_TRUE(map.containsCrossLinkBetween(topic("A1b"), topic("B1")));
    undoManager().undo();
    EXPECT_TRUE(map.containsCrossLinkBetween(topic("A"), topic("A1a")));
}

TEST_F(CommandsTest, CutPasteAndDeleteRefuseWhatTheyCannotUse)
{
    put({{Pasteboard::StringType, "untouched"}});
    map.setSelectedElement(map.crossLinks().front());
    expectNoChange([&] { map.cut(); });
    EXPECT_EQ(pasteboard().stringForType(Pasteboard::StringType), "untouched");
    map.setSelectedElement(topic("B1"));
    for (const std::string& text : {std::string(" \n\t "), std::string("\x01\x02\x1f", 3)}) {
        put({{Pasteboard::StringType, text}});
        expectNoChange([&] { map.paste(); });
    }
    put({{Pasteboard::StringType, "text only"}});
    expectNoChange([&] { map.pasteAsCentralTheme(); });
    map.setSelectedElement(nullptr);
    expectNoChange([&] { map.paste(); });
    expectNoChange([&] { map.delete_(); });

    map.setReadOnly(true);
    map.setSelectedElement(topic("B1"));
    for (const auto& command :
         std::vector<std::function<void()>>{[&] { map.cut(); }, [&] { map.paste(); }, [&] { map.pasteTextAsList(); },
                                            [&] { map.delete_(); }, [&] { map.deleteAlt(); }}) {
        expectNoChange(command);
    }
}

TEST_F(CommandsTest, PastePrefersNativeDataThenAnImageThenText)
{
    map.setSelectedElement(topic("B"));
    map.copy();
    const std::string native = *pasteboard().stringForType(NativeType);
    put({{ImagePasteboard::PNGType, "png"}, {NativeType, native}});
    map.setSelectedElement(topic("A2"));
    map.paste();
    EXPECT_TRUE(editor.imagePasteTargets.empty());
    EXPECT_EQ(childTexts("A2"), (std::vector<std::string>{"B"}));

    put({{ImagePasteboard::PNGType, "png"}, {Pasteboard::StringType, "a caption"}});
    map.setSelectedElement(topic("B1"));
    map.paste();
    EXPECT_EQ(editor.imagePasteTargets, (std::vector<MindMapNode*>{topic("B1")}));
    EXPECT_TRUE(topic("B1")->children().empty());

    put({{Pasteboard::StringType, "line one\r\nline\ttwo"}});
    map.paste();
    ASSERT_EQ(topic("B1")->childCount(), 1u);
    EXPECT_EQ(topic("B1")->childAtIndex(0)->text(), "line one\nline two");
    EXPECT_EQ(map.selectedElement(), topic("B1")->childAtIndex(0));
}

TEST_F(CommandsTest, AMalformedOrForeignClipboardIsReportedAndChangesNothing)
{
    map.setSelectedElement(topic("A1"));
    map.copy();
    const std::string good = *pasteboard().stringForType(NativeType);
    const std::vector<std::tuple<std::optional<std::string>, bool, const char*>> cases = {
        // document (none: the type is offered without data), a cross link selected instead of a
        // topic, the failure reason shown (none: what is wrong with the document, then what the
        // parser met and where)
        {std::nullopt, false, "db_unspecified_error"},
        {good.substr(0, good.size() / 2), false, nullptr},
        {"\x89PNG\r\n\x1a\n garbage", false, nullptr},
        {"<opml version=\"2.0\"><body/></opml>", false, "map_paste_not_a_map_reason"},
        {good, true, "error_paste_no_topic_selected"},
    };
    for (const auto& [document, onLink, reason] : cases) {
        RecordingFeedbackSink feedback;
        if (document) put({{NativeType, *document}});
        else pasteboard().declareTypes({NativeType});
        map.setSelectedElement(onLink ? static_cast<MindMapElement*>(map.crossLinks().front()) : topic("B1"));
        expectNoChange([&] { map.paste(); });
        EXPECT_EQ(map.loadingState(), MindMapIdle);
        ASSERT_EQ(feedback.notifications.size(), 1u);
        EXPECT_EQ(feedback.notifications[0].state, FeedbackStateError);
        EXPECT_EQ(feedback.notifications[0].title, localized("error_caption"));
        if (reason) EXPECT_EQ(feedback.notifications[0].message, localized(reason));
        else EXPECT_THAT(feedback.notifications[0].message, ::testing::MatchesRegex(".+ \\(.+ at offset [0-9]+\\)"));
    }
}

TEST_F(CommandsTest, CopyAsOutlineCopiesEveryTopicAsPlainTextWithoutByteOrderMark)
{
    map.setSelectedElement(topic("B1"));
    map.copyAsOutline();
    EXPECT_EQ(pasteboard().types(), (std::vector<std::string>{Pasteboard::StringType}));
    const std::string text = pasteboard().stringForType(Pasteboard::StringType).value_or("");
    EXPECT_NE(text.rfind("\xEF\xBB\xBF", 0), 0u);
    for (const char* expected : {"A1a", "A2", "B1"}) EXPECT_NE(text.find(expected), std::string::npos) << expected;
}
