#include "EditorViewTestSupport.h"

#include "MindMaps/DiagramLink.h"
#include "MindMaps/MindMapImage.h"
#include "Utils/RecordingFeedbackSink.h"
#include "editor-view/ImageDropInfo.h"
#include "editor-view/PictureTestSupport.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/Localizer.h"
#include "platform/UndoManager.h"
#include "store/CustomImageStore.h"

#include "support/RecordingMenuPresenter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace editortest;
using namespace picturetest;

namespace {

class CanvasDropTest : public EditorViewTest {
protected:
    void SetUp() override
    {
        EditorViewTest::SetUp();
        map->setImageStore(store);
        showMap();
        editor->setMenuPresenter(&menus);
        writePicture(folder.file("photo.png"), 200, 150);
        writeTestFile(folder.file("report.pdf"), "%PDF-1.4");
    }

    Point onTheme() const { return editor->mapToViewSpace(theme->location()); }
    Point onEmptyCanvas() const { return editor->mapToViewSpace({700, 150}); }

    DraggingInfo drag(uint32_t kinds, Point at) const
    {
        DraggingInfo info;
        info.kinds = kinds;
        info.location = at;
        return info;
    }

    std::vector<std::string> menuTitles() const
    {
        std::vector<std::string> titles;
        for (const auto& item : menus.popups.back().menu->items()) titles.push_back(item->title());
        return titles;
    }
    void choose(const char* key)
    {
        const auto& items = menus.popups.back().menu->items();
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i]->title() == localized(key)) return menus.choose(i);
        FAIL() << "no item " << key;
    }

    TempDir folder;
    std::shared_ptr<CustomImageStore> store = std::make_shared<CustomImageStore>(folder.file("images"));
    RecordingMenuPresenter menus;
    EditorInterfaceScope scope;
    ScriptedImageLinkPanel panel;
    RecordingFeedbackSink sink;
};

TEST_F(CanvasDropTest, AColourOffersNothingOverTheEmptyCanvasAndRecolorsATopicInOneStep)
{
    registerNativeFormat();
    DraggingInfo info = drag(DraggingInfo::ColorKind, onEmptyCanvas());
    EXPECT_EQ(editor->draggingEntered(info), DragOperationNone);
    EXPECT_EQ(map->dropTarget(), nullptr);

    info.location = onTheme();
    EXPECT_EQ(editor->draggingUpdated(info), DragOperationCopy);
    EXPECT_EQ(map->dropTarget(), theme);

    info.color = Color(0.2, 0.6, 0.4, 0.3);
    ASSERT_TRUE(editor->performDragOperation(info));
    EXPECT_EQ(map->dropTarget(), nullptr);
    EXPECT_EQ(theme->fillColor(), Color(0.2, 0.6, 0.4, 1.0));
    EXPECT_EQ(map->undoManager()->undoActionName(), localized("undoable_op_change_style"));
}

TEST_F(CanvasDropTest, TextIsTakenAnywhereAndClearsTheHighlight)
{
    for (const Point at : {onTheme(), onEmptyCanvas()}) {
        DraggingInfo info = drag(DraggingInfo::StringKind, at);
        map->setDropTarget(theme);
        EXPECT_EQ(editor->draggingUpdated(info), DragOperationCopy);
        EXPECT_EQ(map->dropTarget(), nullptr);
    }
    const size_t before = map->nodes().size();
    DraggingInfo info = drag(DraggingInfo::StringKind, onTheme());
    info.string = "Dropped idea";
    EXPECT_TRUE(editor->performDragOperation(info));
    ASSERT_EQ(map->nodes().size(), before + 1);
    EXPECT_EQ(map->selectedNode()->text(), "Dropped idea");
    EXPECT_EQ(map->selectedNode()->parent(), theme);
}

TEST_F(CanvasDropTest, AFileLinksTheTopicAndOverTheEmptyCanvasOnlyItsTextIsTaken)
{
    DraggingInfo info = drag(DraggingInfo::UriListKind, onTheme());
    info.fileNames = {{folder.file("report.pdf")}};
    EXPECT_EQ(editor->draggingUpdated(info), DragOperationLink);
    EXPECT_TRUE(editor->performDragOperation(info));
    ASSERT_NE(theme->diagramLink(), nullptr);
    EXPECT_EQ(theme->diagramLink()->linkID(), folder.file("report.pdf"));

    info.location = onEmptyCanvas();
    EXPECT_EQ(editor->draggingUpdated(info), DragOperationNone);
    EXPECT_FALSE(editor->canPerformDragOperation(info));
    EXPECT_FALSE(editor->performDragOperation(info));

    info.kinds |= DraggingInfo::StringKind;
    info.string = folder.file("report.pdf");
    EXPECT_EQ(editor->draggingUpdated(info), DragOperationCopy);
    EXPECT_TRUE(editor->performDragOperation(info));
    EXPECT_EQ(map->selectedNode()->text(), folder.file("report.pdf"));
}

TEST_F(CanvasDropTest, AURLLinksTheTopicItIsDroppedOn)
{
    DraggingInfo info = drag(DraggingInfo::URLKind, onTheme());
    info.url = "https://example.com/plan";
    EXPECT_EQ(editor->draggingUpdated(info), DragOperationLink);
    EXPECT_TRUE(editor->performDragOperation(info));
    EXPECT_EQ(theme->diagramLink()->linkID(), "https://example.com/plan");
    EXPECT_EQ(theme->diagramLink()->linkType(), DiagramLink::LinkTypeURL);

    info.location = onEmptyCanvas();
    EXPECT_EQ(editor->draggingUpdated(info), DragOperationNone);
    EXPECT_FALSE(editor->performDragOperation(info));
}

TEST_F(CanvasDropTest, AReadOnlyOrDisabledEditorTakesNothing)
{
    DraggingInfo info = drag(DraggingInfo::StringKind, onTheme());
    info.string = "text";
    editor->setReadOnly(true);
    EXPECT_EQ(editor->draggingUpdated(info), DragOperationNone);
    EXPECT_FALSE(editor->prepareForDragOperation());
    EXPECT_FALSE(editor->performDragOperation(info));
    editor->setReadOnly(false);
    map->setEnabled(false);
    EXPECT_EQ(editor->draggingUpdated(info), DragOperationNone);
    EXPECT_FALSE(editor->performDragOperation(info));
}

TEST_F(CanvasDropTest, TheImageMenuOffersItemsByTargetAndOrigin)
{
    struct Case {
        const char* what;
        bool onTopic;
        bool fromFile;
        bool somethingSelected;
        std::vector<std::string> keys;
    };
    const Case cases[] = {
        {"file on a topic",
         true,
         true,
         false,
         {"topic_menu_custom_image", "topic_menu_embedded_image", "image_drop_handler_add_as_icon",
          "hyperlink_link_local_file"}},
        {"data on a topic",
         true,
         false,
         false,
         {"topic_menu_custom_image", "topic_menu_embedded_image", "image_drop_handler_add_as_icon"}},
        {"file on the empty canvas, nothing selected", false, true, false, {"topic_menu_image_as_topic"}},
        {"data on the empty canvas, a topic selected",
         false,
         false,
         true,
         {"topic_menu_custom_image", "topic_menu_image_as_topic"}},
    };
    for (const Case& c : cases) {
        map->setSelectedElement(c.somethingSelected ? child : nullptr);
        DraggingInfo info = drag(c.fromFile ? DraggingInfo::UriListKind : DraggingInfo::ImageKind,
                                 c.onTopic ? onTheme() : onEmptyCanvas());
        if (c.fromFile) info.fileNames = {{folder.file("photo.png")}};
        else info.imageData = pictureData(200, 150);
        EXPECT_EQ(editor->draggingUpdated(info), DragOperationCopy) << c.what;
        ASSERT_TRUE(editor->performDragOperation(info)) << c.what;
        std::vector<std::string> expected;
        for (const std::string& key : c.keys) expected.push_back(localized(key));
        EXPECT_EQ(menuTitles(), expected) << c.what;
        EXPECT_EQ(menus.popups.back().point, info.location) << c.what;
        if (c.onTopic) {
            EXPECT_EQ(map->selectedNode(), theme) << c.what;
        }
    }
}

TEST_F(CanvasDropTest, TheImageMenuEmbedsAddsAsIconLinksAndAddsAsImage)
{
    DraggingInfo info = drag(DraggingInfo::UriListKind, onTheme());
    info.fileNames = {{folder.file("photo.png")}};

    editor->performDragOperation(info);
    choose("topic_menu_embedded_image");
    ASSERT_FALSE(theme->embeddedImageName().empty());
    EXPECT_EQ(Image::fromFile(store->customImageFilePath(theme->embeddedImageName())).pixelSize(), Size(200, 150));

    editor->performDragOperation(info);
    choose("image_drop_handler_add_as_icon");
    ASSERT_EQ(theme->iconName().front(), '#');
    EXPECT_FALSE(store->customImageFilePath(theme->iconName().substr(1)).empty());

    editor->performDragOperation(info);
    choose("hyperlink_link_local_file");
    EXPECT_EQ(theme->diagramLink()->linkID(), folder.file("photo.png"));

    editor->performDragOperation(info);
    choose("topic_menu_custom_image");
    ASSERT_EQ(theme->containedElements().size(), 1u);
    EXPECT_NE(dynamic_cast<MindMapImage*>(theme->containedElements().front()), nullptr);
}

TEST_F(CanvasDropTest, AnImageDroppedOnTheEmptyCanvasBecomesAnImageTopicThere)
{
    map->setSelectedElement(nullptr);
    DraggingInfo info = drag(DraggingInfo::ImageKind, onEmptyCanvas());
    info.imageData = pictureData(1000, 500);
    const size_t before = map->nodes().size();
    editor->performDragOperation(info);
    choose("topic_menu_image_as_topic");
    ASSERT_EQ(map->nodes().size(), before + 1);
    MindMapNode* topic = map->selectedNode();
    ASSERT_NE(topic, nullptr);
    EXPECT_EQ(topic->location(), Point(700, 150));
    EXPECT_EQ(Image::fromFile(store->customImageFilePath(topic->embeddedImageName())).pixelSize(), Size(320, 160));
}

TEST_F(CanvasDropTest, TheMenuOfATopicThatWentMeanwhileDoesNothing)
{
    DraggingInfo info = drag(DraggingInfo::ImageKind, editor->mapToViewSpace(child->location()));
    info.imageData = pictureData(100, 100);
    editor->performDragOperation(info);
    map->setSelectedElement(child);
    map->delete_();
    const size_t before = map->nodes().size();
    choose("topic_menu_embedded_image");
    EXPECT_EQ(map->nodes().size(), before);
    EXPECT_TRUE(theme->embeddedImageName().empty());
}

TEST_F(CanvasDropTest, ACloudPictureOnATopicIsFetchedFromTheCurrentStorage)
{
    scope.useCloudMap();
    DraggingInfo info = drag(DraggingInfo::CloudImageKind, onTheme());
    info.cloudImagePath = "/Pics/beach.png";
    EXPECT_EQ(editor->draggingUpdated(info), DragOperationCopy);
    EXPECT_TRUE(editor->performDragOperation(info));
    EXPECT_EQ(scope.cloud->fetched, std::vector<std::string>{"/Pics/beach.png"});
    scope.cloud->pendingFetch(folder.file("photo.png"), "/Pics/beach.png");
    ASSERT_EQ(theme->containedElements().size(), 1u);
}

} // namespace
