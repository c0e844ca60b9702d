#pragma once

// A map of topics measured by the fake measurer, with an image store of its own, for the tests of
// a topic's validation, styling and geometry.

#include "MindMapTestSupport.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/StyleSheet.h"
#include "platform/Image.h"
#include "platform/NotificationCenter.h"
#include "support/FakeTextMeasurer.h"
#include "support/MemoryImageStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <string>
#include <vector>

namespace nodetest {

using maptest::CountingNodeEditor;

// Puts a locale in force for LC_TIME and gives it back when destroyed.
class ScopedTimeLocale {
public:
    explicit ScopedTimeLocale(const char* locale)
    {
        const char* current = std::setlocale(LC_TIME, nullptr);
        _old = current ? current : "C";
        _applied = std::setlocale(LC_TIME, locale) != nullptr;
    }
    ~ScopedTimeLocale() { std::setlocale(LC_TIME, _old.c_str()); }
    ScopedTimeLocale(const ScopedTimeLocale&) = delete;
    ScopedTimeLocale& operator=(const ScopedTimeLocale&) = delete;

    bool applied() const { return _applied; }

private:
    std::string _old;
    bool _applied = false;
};

// With the fake measurer a character of a font of size s is 0.6 s wide and a line 1.2 s high.
// The style sheets give topics of every level the test font (size 10): 6 x 12 per character, and
// a minimum size ("Wyg") of 18 x 12.
class NodeTest : public ::testing::Test {
protected:
    static constexpr double CharWidth = 6;
    static constexpr double LineHeight = 12;
    static constexpr double MinWidth = 18;
    static constexpr double MinHeight = 12;
    // Auto-number and date labels: Arial 12, so 7.2 per character and 14.4 per line.
    static constexpr double LabelCharWidth = 7.2;
    static constexpr double LabelHeight = 14.4;

    void SetUp() override
    {
        TextMeasurer::setShared(&measurer);
        _userFonts = {StyleSheet::centralThemeFont(), StyleSheet::mainBranchFont(), StyleSheet::subBranchFont()};
        StyleSheet::changeStyleSheetFonts(testFont(), testFont(), testFont(), std::nullopt, std::nullopt);
        postFontsChanged();
        map.setNodeEditor(&editor);
    }

    void TearDown() override
    {
        map.setNodeEditor(nullptr);
        StyleSheet::changeStyleSheetFonts(_userFonts[0], _userFonts[1], _userFonts[2], std::nullopt, std::nullopt);
        TextMeasurer::setShared(nullptr);
        // Sizes kept for the user fonts must not outlive the measurer they came from.
        postFontsChanged();
    }

    static void postFontsChanged() { NotificationCenter::defaultCenter().post(StyleSheet::FontsChangeNotification); }

    static Font testFont(double size = 10) { return Font("Sans", size); }

    MindMapNode* theme(const std::string& text = {}) { return map.internalAddCentralTheme(text); }
    MindMapNode* child(MindMapNode* parent, Point location = {}) { return map.addMindMapNodeAsChild(parent, location); }

    // Given a border (a plain rectangle unless said) and validated.
    static void settle(MindMapNode* node, int32_t borderStyle = 4)
    {
        node->style()->changeBorderStyle(borderStyle);
        node->validateNodeState();
    }

    // That many topics read from a document, each the child of the one before; not yet loaded.
    std::vector<MindMapNode*> loadingChain(size_t depth)
    {
        std::vector<MindMapNode*> chain{map.addNodeLoadingAtLocation({0, 0})};
        for (size_t i = 1; i < depth; ++i) {
            MindMapNode* node = map.addNodeLoadingAtLocation({0, 0});
            node->linkToParent(chain.back());
            chain.push_back(node);
        }
        return chain;
    }

    // A picture of that many pixels in the map's image store; its hash.
    std::string storeImage(int pixelWidth, int pixelHeight)
    {
        Image image(pixelWidth, pixelHeight);
        auto png = image.pngData();
        if (!png) return std::string();
        return imageStore->storeImagePngData(*png);
    }

    FakeTextMeasurer measurer;
    std::shared_ptr<MemoryImageStore> imageStore = std::make_shared<MemoryImageStore>();
    MindMap map{imageStore};
    CountingNodeEditor editor;

private:
    std::vector<Font> _userFonts;
};

} // namespace nodetest
