#include "Editor/EditorInterface.h"

#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

namespace {

class FakeEditor : public NullEditorInterface {
public:
    bool isEditorModified() override { return true; }
    void setCustomMindMapTitle(const std::string& title) override { customTitle = title; }

    std::string customTitle;
};

// Every test leaves the slot empty again.
class EditorInterfaceTest : public ::testing::Test {
protected:
    void TearDown() override { SetEditorInterfaceInstance(nullptr); }
};

} // namespace

TEST_F(EditorInterfaceTest, NeverNullBeforeAnEditorIsInstalled)
{
    EditorInterface* first = EditorInterfaceInstance();
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, EditorInterfaceInstance());
    EXPECT_NE(nullptr, dynamic_cast<NullEditorInterface*>(first));
}

TEST_F(EditorInterfaceTest, NullInterfaceAnswersHarmlessly)
{
    EditorInterface* editor = EditorInterfaceInstance();
    EXPECT_EQ(nullptr, editor->currentStorage());
    EXPECT_EQ(nullptr, editor->currentProvider());
    EXPECT_FALSE(editor->isEditorModified());
    // Work running at quit that commits the editor must not be held up.
    EXPECT_TRUE(editor->commitEditor());
    editor->openStorage(nullptr, "GUID", {});
    editor->asyncOpenMindMap("local", "GUID", {});
    editor->mindMapRenamed(nullptr, "old", "new");
    editor->removeProviderEntries(nullptr);
    EXPECT_EQ(nullptr, editor->currentStorage());
}

TEST_F(EditorInterfaceTest, InstalledEditorIsAnsweredUntilRemoved)
{
    FakeEditor editor;
    SetEditorInterfaceInstance(&editor);
    EXPECT_EQ(&editor, EditorInterfaceInstance());
    EditorInterfaceInstance()->setCustomMindMapTitle("Plans");
    EXPECT_EQ("Plans", editor.customTitle);
    EXPECT_TRUE(EditorInterfaceInstance()->isEditorModified());

    SetEditorInterfaceInstance(nullptr);
    EditorInterface* fallback = EditorInterfaceInstance();
    ASSERT_NE(nullptr, fallback);
    EXPECT_NE(&editor, fallback);
    EXPECT_TRUE(fallback->commitEditor());
    EXPECT_FALSE(fallback->isEditorModified());
}

TEST_F(EditorInterfaceTest, WillTerminateIsPostedOncePerRun)
{
    int posted = 0;
    auto token = NotificationCenter::defaultCenter().addObserver("Tarnwick.WillTerminateNotification", nullptr,
                                                                 [&](const Notification& n) {
                                                                     EXPECT_EQ(nullptr, n.object);
                                                                     ++posted;
                                                                 });
    PostWillTerminateNotification();
    PostWillTerminateNotification();
    PostWillTerminateNotification();
    EXPECT_EQ(1, posted);
}
