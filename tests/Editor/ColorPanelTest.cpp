#include "Editor/ColorPanel.h"
#include "Editor/CommandRouter.h"
#include "Editor/DocumentTestSupport.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "platform/Localizer.h"
#include "platform/UndoManager.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"
#include "support/UndoSteps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>

using namespace storetest;

namespace {

const std::string Guid = "AAAAAAAAAAAAAAAAAAAAAAAA";
const Color Red(1, 0, 0);
const Color Green(0, 1, 0);
const Color Blue(0, 0, 1);

class RecordingColorPanelView : public ColorPanelView {
public:
    void show() override { visible = true; }
    void close() override { visible = false; }
    bool isVisible() const override { return visible; }
    void setColor(const Color& color) override { shown = color; }
    bool visible = false;
    Color shown;
};

// The panel sends through the router of a window whose chain ends at the editor's document, as in
// the running application.
class ColorPanelTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        placeFile(Guid + ".twkx", nativeDocument(Guid, "Alpha", "<topic text=\"Root\"/><topic text=\"Other\"/>"));
        start();
        document = std::make_unique<EditorDocument>(scheduler);
        document->setWindow(&window);
        ASSERT_TRUE(document->attachToStorage(MindMapProviders::localProvider()->createStorage(Guid)));
        router.setResponderChain([this] { return std::vector<Responder*>{document.get()}; });
        map = document->mindMap();
        map->undoManager()->removeAllActions();
        findTopics();
    }

    // An undo reads the map back: its topics are new ones.
    void findTopics()
    {
        for (MindMapNode* node : map->nodes()) {
            if (node->text() == "Root") root = node;
            if (node->text() == "Other") other = node;
        }
    }

    ColorPanel makePanel()
    {
        return ColorPanel(
            [this](ColorPanel&) {
                ++viewsMade;
                auto made = std::make_unique<RecordingColorPanelView>();
                view = made.get();
                return made;
            },
            [this](const std::string& action, const ActionSender& sender) {
                router.sendAction(action, nullptr, &sender);
            });
    }

    FakeDocumentScheduler scheduler;
    FakeDocumentWindow window;
    std::unique_ptr<EditorDocument> document;
    CommandRouter router;
    MindMap* map = nullptr;
    MindMapNode* root = nullptr;
    MindMapNode* other = nullptr;
    RecordingColorPanelView* view = nullptr;
    int viewsMade = 0;
};

TEST_F(ColorPanelTest, AChosenColourRecoloursTheSelectionAndADragIsOneStep)
{
    struct Pick {
        Color color;
        bool held;
    };
    struct Case {
        const char* what;
        std::function<void()> select;
        std::vector<Pick> picks;
        std::vector<std::string> recoloured; // texts of the topics
        size_t steps;
    };
    MindMapImage* image = root->addCustomImage("0123456789abcdef0123456789abcdef01234567", "");
    const Case cases[] = {
        {"a swatch", [&] { map->setSelectedElement(root); }, {{Red, false}}, {"Root"}, 1},
        {"two swatches", [&] { map->setSelectedElement(root); }, {{Red, false}, {Blue, false}}, {"Root"}, 2},
        {"two topics",
         [&] {
             map->setSelectedElement(root);
             map->toggleSelection(other, false);
         },
         {{Green, false}},
         {"Root", "Other"},
         1},
        {"a drag across the plane",
         [&] { map->setSelectedElement(root); },
         {{Red, true}, {Green, true}, {Blue, true}},
         {"Root"},
         1},
        {"a picture", [&] { map->setSelectedElement(image); }, {{Red, false}}, {}, 0},
        {"nothing", [&] { map->setSelectedElement(nullptr); }, {{Red, false}}, {}, 0},
        {"a read-only map",
         [&] {
             map->setSelectedElement(root);
             map->setReadOnly(true);
         },
         {{Red, false}},
         {},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ColorPanel panel = makePanel();
        const Color rootBefore = root->fillColor();
        const Color otherBefore = other->fillColor();
        c.select();
        for (const Pick& pick : c.picks) panel.userChoseColor(pick.color, pick.held);
        const bool held = c.picks.back().held;
        EXPECT_EQ(held, panel.holdsColorBack());
        if (held) {
            EXPECT_EQ(rootBefore, root->fillColor()) << "nothing while the pointer holds the chooser";
            panel.pointerReleased();
        }
        EXPECT_FALSE(panel.holdsColorBack());
        const Color last = c.picks.back().color;
        const auto recoloured = [&](MindMapNode* node) {
            return std::ranges::find(c.recoloured, node->text()) != c.recoloured.end();
        };
        EXPECT_EQ(recoloured(root) ? last : rootBefore, root->fillColor());
        EXPECT_EQ(recoloured(other) ? last : otherBefore, other->fillColor());
        EXPECT_EQ(c.steps, undoSteps(*map->undoManager()));
        if (c.steps) {
            EXPECT_EQ(localized("undoable_op_apply_custom_color"), map->undoManager()->undoActionName());
        }
        while (map->undoManager()->canUndo()) map->undoManager()->undo();
        map->setReadOnly(false);
        map->undoManager()->removeAllActions();
        findTopics();
        image = static_cast<MindMapImage*>(root->containedElements().front());
        EXPECT_EQ(0, viewsMade) << "choosing needs no window";
    }
}

TEST_F(ColorPanelTest, TheWindowIsMadeOnceShowsTheColourAndClosingDropsAHeldColour)
{
    ColorPanel panel = makePanel();
    EXPECT_FALSE(panel.isVisible());
    panel.setColor(Green);
    panel.orderFront();
    panel.orderFront();
    ASSERT_EQ(1, viewsMade);
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(Green, view->shown);
    EXPECT_EQ(Green, std::any_cast<Color>(panel.representedValue()));

    map->setSelectedElement(root);
    const Color before = root->fillColor();
    panel.userChoseColor(Red, true);
    panel.close();
    EXPECT_FALSE(panel.isVisible());
    panel.pointerReleased();
    EXPECT_EQ(before, root->fillColor()) << "a colour still held when the panel closed never goes";
    EXPECT_FALSE(map->undoManager()->canUndo());

    const double nan = std::numeric_limits<double>::quiet_NaN();
    panel.userChoseColor(Color(nan, 0, 0), false);
    panel.setColor(Color(0, nan, 0));
    EXPECT_EQ(Red, panel.color()) << "a colour that is no colour is ignored";
    EXPECT_FALSE(map->undoManager()->canUndo());
}

} // namespace
