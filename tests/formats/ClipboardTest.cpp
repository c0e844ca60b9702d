#include "formats/MindMapClipboard.h"

#include "MindMaps/MindMapTestSupport.h"
#include "TwkxTestSupport.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/TopicDepthLimit.h"
#include "formats/TwkxNames.h"
#include "platform/Localizer.h"
#include "platform/Pasteboard.h"
#include "support/MemoryImageStore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

using namespace twkxtest;

namespace {

constexpr const char* NativeType = "Tarnwick MindMap type";

// A picture of its own colour, so that every call gives another hash.
std::string storeImage(MemoryImageStore& store, int side)
{
    const auto png = Image(side, side).pngData();
    return png ? store.storeImagePngData(*png) : std::string();
}

class ClipboardTest : public ::testing::Test {
protected:
    ClipboardTest()
        : sourceStore(std::make_shared<MemoryImageStore>()),
          clipboardStore(std::make_shared<MemoryImageStore>()),
          targetStore(std::make_shared<MemoryImageStore>()),
          source(sourceStore),
          target(targetStore)
    {
        registerNativeFormat();
        // Source: theme T with the child C, whose children are C1 and C2.
        source.newMindMap("", false, std::nullopt);
        t = source.internalAddCentralTheme("T");
        t->setLocation(Point{0, 0});
        c = source.addMindMapNodeAsChild(t, Point{150, -40});
        c->setText("C");
        c1 = source.addMindMapNodeAsChild(c, Point{300, -60});
        c1->setText("C1");
        c2 = source.addMindMapNodeAsChild(c, Point{300, -20});
        c2->setText("C2");
        target.newMindMap("", false, std::nullopt);
    }

    void copy(MindMap& map) { MindMapClipboard::copySelectionToClipboard(map, pasteboard, clipboardStore.get()); }
    bool paste(MindMap& map, bool asCentralTheme = false, Error* error = nullptr)
    {
        return MindMapClipboard::pasteFromClipboard(map, asCentralTheme, pasteboard, clipboardStore.get(), error);
    }
    std::string clipboardText() const
    {
        const auto data = pasteboard.dataForType(NativeType);
        return data ? std::string(data->begin(), data->end()) : std::string();
    }
    void putOnClipboard(const std::string& document)
    {
        pasteboard.declareTypes({NativeType, Pasteboard::StringType});
        pasteboard.setData(std::vector<uint8_t>(document.begin(), document.end()), NativeType);
    }
    MindMapNode* nodeWithText(MindMap& map, const std::string& text, size_t from = 0)
    {
        for (size_t i = from; i < map.nodes().size(); ++i) {
            if (map.nodes()[i]->text() == text) return map.nodes()[i];
        }
        return nullptr;
    }
    std::vector<std::string> childTexts(const MindMapNode* node)
    {
        std::vector<std::string> texts;
        for (const MindMapNode* child : node->children()) texts.push_back(child->text());
        return texts;
    }
    bool storeHas(const MemoryImageStore& store, const std::string& hash) { return store.hasImage(hash); }

    std::shared_ptr<MemoryImageStore> sourceStore;
    std::shared_ptr<MemoryImageStore> clipboardStore;
    std::shared_ptr<MemoryImageStore> targetStore;
    MemoryPasteboard pasteboard;
    MindMap source;
    MindMap target;
    MindMapNode* t = nullptr;
    MindMapNode* c = nullptr;
    MindMapNode* c1 = nullptr;
    MindMapNode* c2 = nullptr;
};

} // namespace

// ---- Copy ----

TEST_F(ClipboardTest, TheClipboardDocumentHoldsTheCopiedBranchUnderASelection)
{
    c->setText("two\nlines");
    source.setSelectedElement(c);
    copy(source);
    EXPECT_EQ(pasteboard.types(), (std::vector<std::string>{"Tarnwick MindMap type", Pasteboard::StringType}));
    EXPECT_EQ(pasteboard.stringForType(Pasteboard::StringType), "two\nlines");
    pugi::xml_document document;
    const std::string text = clipboardText();
    EXPECT_EQ(text.rfind("<?xml", 0), 0u) << "no byte-order mark in front";
    EXPECT_EQ(text.find('\n'), std::string::npos) << "no indentation";
    ASSERT_TRUE(document.load_string(text.c_str()));
    pugi::xml_node root = document.document_element();
    EXPECT_STREQ(root.name(), "tarnwick-mindmaps");
    EXPECT_STREQ(root.attribute("doc-version").value(), "3");
    EXPECT_STREQ(root.attribute("generator").value(), "TarnwickOSXN");
    pugi::xml_node selection = root.child("selection");
    ASSERT_TRUE(selection);
    EXPECT_STREQ(selection.attribute("type").value(), "node");

    std::vector<std::string> texts;
    for (pugi::xml_node topic : selection.child("topics").children("topic")) {
        texts.push_back(topic.attribute("text").value());
        EXPECT_TRUE(topic.attribute("original-level")) << "every copied topic carries its level";
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"two\\Nlines", "C1", "C2"})) << "line breaks escaped";
    EXPECT_STREQ(selection.child("topics").child("topic").attribute("parent").value(), "-1")
        << "the copied root's parent was not copied";
}

// ---- Paste topics ----

TEST_F(ClipboardTest, ATopicWithTwoChildrenPastedOntoATopicAddsThreeTopics)
{
    for (MindMapNode* node : {c, c1, c2}) node->guid();
    source.setSelectedElement(c);
    copy(source);

    MindMapNode* x = target.internalAddCentralTheme("X");
    target.setSelectedElement(x);
    Error error;
    ASSERT_TRUE(paste(target, false, &error)) << error.failureReason;
    ASSERT_EQ(target.nodes().size(), 4u);
    ASSERT_EQ(x->childCount(), 1u);
    MindMapNode* pasted = x->children()[0];
    EXPECT_EQ(pasted->text(), "C");
    EXPECT_EQ(childTexts(pasted), (std::vector<std::string>{"C1", "C2"}));
    EXPECT_EQ(target.selection(), std::vector<MindMapElement*>{pasted});
    for (const char* text : {"C", "C1", "C2"}) {
        MindMapNode* copyOfNode = nodeWithText(target, text);
        ASSERT_NE(copyOfNode, nullptr);
        EXPECT_NE(copyOfNode->guid(), nodeWithText(source, text)->guid()) << "copies get fresh GUIDs";
    }
}

TEST_F(ClipboardTest, PastedCentralThemesGoRightOfTheMapAndCentredOnIt)
{
    source.setSelectedElement(c);
    copy(source);
    MindMapNode* x = target.internalAddCentralTheme("X");
    x->setLocation(Point{-200, 100});
    MindMapNode* hidden = target.addMindMapNodeAsChild(x, Point{500, 300});
    hidden->setIsHidden(true);
    target.validateElementStates();
    const Rect before = target.getVisualArea(true);

    target.setSelectedElement(x);
    ASSERT_TRUE(paste(target, true));
    MindMapNode* pasted = nodeWithText(target, "C");
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->parent(), nullptr);
    std::vector<MindMapNode*> branch;
    pasted->collectNodeAndChildrenInArray(branch);
    // Measured as the map will show it: the branch was placed by its real size.
    target.validateElementStates();
    const Rect after = MindMapNode::boundsOfMindMapNodes(branch, true, true);
    EXPECT_NEAR(after.minX(), before.maxX() + 50, 1e-9);
    EXPECT_NEAR(after.midY(), before.midY(), 1e-9);
}

TEST_F(ClipboardTest, PastingTopicsWithNoTopicSelectedFails)
{
    source.setSelectedElement(c);
    copy(source);
    MindMapNode* x = target.internalAddCentralTheme("X");
    CrossLink* link = target.internalAddCrossLinkFromSource(x, target.addMindMapNodeAsChild(nullptr, Point{}));
    target.rethinkCentralThemes();
    target.setSelectedElement(link);
    const std::string before = TwkxMindMapWriter::captureUndoState(target);
    Error error;
    EXPECT_FALSE(paste(target, false, &error));
    EXPECT_EQ(error.domain, "TarnwickErrorDomain");
    EXPECT_EQ(error.code, 1);
    EXPECT_EQ(error.localizedDescription, localized("error_caption"));
    EXPECT_EQ(error.failureReason, localized("error_paste_no_topic_selected"));
    EXPECT_EQ(TwkxMindMapWriter::captureUndoState(target), before);
}

// ---- Images ----

TEST_F(ClipboardTest, ImagesTravelThroughTheClipboardStore)
{
    const std::string stale = storeImage(*clipboardStore, 30);
    const std::string hash = storeImage(*sourceStore, 32);
    ASSERT_FALSE(hash.empty());
    MindMapImage* image = c->addCustomImage(hash, "");
    source.setSelectedElement(image);
    copy(source);
    EXPECT_EQ(pasteboard.stringForType(Pasteboard::StringType), "");
    EXPECT_TRUE(storeHas(*clipboardStore, hash));
    EXPECT_FALSE(storeHas(*clipboardStore, stale)) << "the clipboard store is emptied first";

    MindMapNode* x = target.internalAddCentralTheme("X");
    target.setSelectedElement(x);
    ASSERT_TRUE(paste(target));
    ASSERT_EQ(x->containedElementCount(), 1u);
    auto* pasted = dynamic_cast<MindMapImage*>(x->containedElements()[0]);
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(target.selectedElement(), pasted);
    EXPECT_TRUE(storeHas(*targetStore, hash));
}

TEST_F(ClipboardTest, ImagesWithoutAUsableNamePasteNothing)
{
    MindMapNode* x = target.internalAddCentralTheme("X");
    target.setSelectedElement(x);
    putOnClipboard("<tarnwick-mindmaps><selection type=\"image\"><image/><image name=\"../../etc/passwd\"/>"
                   "</selection></tarnwick-mindmaps>");
    Error error;
    error.code = 99;
    EXPECT_FALSE(paste(target, false, &error));
    EXPECT_EQ(error.code, 99);
    EXPECT_FALSE(x->hasContainedElements());
}

// ---- Bad clipboard content ----

namespace {

struct BadClipboard {
    const char* name;
    std::optional<std::string> data; // none: the native type is not there at all
    int64_t code;                    // 0: fails without an error object
    // The failure reason: the text of this string key, or, for a document the parser refused,
    // the parser's own description and the offset where it stopped.
    const char* reasonKey = "db_unspecified_error";
};

} // namespace

TEST_F(ClipboardTest, BadClipboardContentPastesNothingAndLosesNothing)
{
    source.setSelectedElement(c);
    copy(source);
    const std::string good = clipboardText();
    const std::vector<BadClipboard> cases = {
        {"no native data", std::nullopt, 1},
        {"garbage", std::string("\x01\xff\xfe garbage <<>>", 15), 2, nullptr},
        {"truncated", good.substr(0, good.size() / 2), 2, nullptr},
        {"foreign root", "<opml version=\"2.0\"><body/></opml>", 2, "map_paste_not_a_map_reason"},
        {"unknown type", "<tarnwick-mindmaps><selection type=\"sound\"><topics/></selection></tarnwick-mindmaps>", 0},
    };
    MindMapNode* x = target.internalAddCentralTheme("X");
    target.setSelectedElement(x);
    const std::string before = TwkxMindMapWriter::captureUndoState(target);
    for (const BadClipboard& bad : cases) {
        SCOPED_TRACE(bad.name);
        if (bad.data) {
            putOnClipboard(*bad.data);
        } else {
            pasteboard.declareTypes({Pasteboard::StringType});
            pasteboard.setString("plain", Pasteboard::StringType);
        }
        Error error;
        error.code = 99;
        EXPECT_FALSE(paste(target, false, &error));
        if (bad.code == 0) {
            EXPECT_EQ(error.code, 99) << "no error object";
        } else {
            EXPECT_EQ(error.domain, "TarnwickErrorDomain");
            EXPECT_EQ(error.code, bad.code);
            EXPECT_EQ(error.localizedDescription, localized("error_caption"));
            if (bad.reasonKey) EXPECT_EQ(error.failureReason, localized(bad.reasonKey));
            else EXPECT_THAT(error.failureReason, ::testing::MatchesRegex(".+ \\(.+ at offset [0-9]+\\)"));
        }
        EXPECT_EQ(TwkxMindMapWriter::captureUndoState(target), before);
    }
}

TEST_F(ClipboardTest, HugeClipboardContentIsRefusedUnread)
{
    std::string huge = "<tarnwick-mindmaps><selection type=\"node\"><topics>";
    huge.resize(MindMapClipboard::MaximumDocumentSize + 1, ' ');
    putOnClipboard(huge);
    Error error;
    EXPECT_FALSE(paste(target, false, &error));
    EXPECT_EQ(error.code, 2);
    EXPECT_TRUE(target.isEmpty());
}

TEST_F(ClipboardTest, ParentCyclesInTheDocumentEndAsCentralThemes)
{
    putOnClipboard("<tarnwick-mindmaps><selection type=\"node\"><topics>"
                   "<topic id=\"0\" parent=\"1\" text=\"a\"/><topic id=\"1\" parent=\"0\" text=\"b\"/>"
                   "<topic id=\"2\" parent=\"2\" text=\"c\"/></topics></selection></tarnwick-mindmaps>");
    MindMapNode* x = target.internalAddCentralTheme("X");
    target.setSelectedElement(x);
    ASSERT_TRUE(paste(target));
    EXPECT_EQ(target.nodes().size(), 4u);
    for (MindMapNode* node : target.nodes()) {
        // Every pasted topic ends up under X, and no walk up the tree runs in a circle.
        EXPECT_EQ(node->getRootNode(), x);
    }
}

TEST_F(ClipboardTest, AVeryDeepBranchPastes)
{
    // Below a central theme: as deep as a map may be.
    constexpr int Depth = int(TopicDepthLimit::MaximumLevels) - 1;
    std::string document = "<tarnwick-mindmaps><selection type=\"node\"><topics>";
    for (int i = 0; i < Depth; ++i) {
        document += "<topic id=\"" + std::to_string(i) + "\" parent=\"" + std::to_string(i - 1) + "\" text=\"n" +
            std::to_string(i) + "\" original-level=\"" + std::to_string(i + 3) + "\"/>";
    }
    document += "</topics></selection></tarnwick-mindmaps>";
    putOnClipboard(document);
    MindMapNode* x = target.internalAddCentralTheme("X");
    target.setSelectedElement(x);
    ASSERT_TRUE(paste(target));
    EXPECT_EQ(target.nodes().size(), static_cast<size_t>(Depth + 1));
    EXPECT_EQ(target.nodes().back()->nodeLevel(), Depth);
}
