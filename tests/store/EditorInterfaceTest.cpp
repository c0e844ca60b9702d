#include "store/EditorInterface.h"

#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

namespace {

// Every test leaves the slot empty again.
class EditorInterfaceTest : public ::testing::Test {
protected:
    void TearDown() override { SetEditorInterfaceInstance(nullptr); }
};

} // namespace

TEST_F(EditorInterfaceTest, NullInterfaceAnswersHarmlessly)
{
    EditorInterface* editor = EditorInterfaceInstance();
    ASSERT_NE(nullptr, dynamic_cast<NullEditorInterface*>(editor)) << "never null before an editor is installed";
    EXPECT_EQ(nullptr, editor->currentStorage());
    EXPECT_EQ(nullptr, editor->currentProvider());
    EXPECT_FALSE(editor->isEditorModified());
    // Work running at quit that commits the editor must not be held up.
    EXPECT_TRUE(editor->commitEditor());
    editor->openStorage(nullptr, "GUID", {});
    editor->mindMapRenamed(nullptr, "old", "new");
    EXPECT_EQ(nullptr, editor->currentStorage());
}

TEST_F(EditorInterfaceTest, TheSlotKeepsOneNullObjectUntilItIsSetAgain)
{
    EditorInterface* first = EditorInterfaceInstance();
    EXPECT_EQ(first, EditorInterfaceInstance()) << "the same null object twice";

    auto installed = std::make_shared<NullEditorInterface>();
    SetEditorInterfaceInstance(installed);
    EXPECT_EQ(installed.get(), EditorInterfaceInstance());
    const long counted = installed.use_count();
    SetEditorInterfaceInstance(installed);
    EXPECT_EQ(counted, installed.use_count()) << "setting the installed object again changes nothing";

    SetEditorInterfaceInstance(nullptr);
    EXPECT_EQ(1, installed.use_count()) << "the slot let go of it";
    EditorInterface* fresh = EditorInterfaceInstance();
    ASSERT_NE(nullptr, dynamic_cast<NullEditorInterface*>(fresh));
    EXPECT_NE(installed.get(), fresh);
    EXPECT_TRUE(fresh->commitEditor());
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
