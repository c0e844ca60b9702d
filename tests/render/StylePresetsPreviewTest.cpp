// The preview pictures of the three preset collections, drawn by this library's painter.

#include "render/StylePresetsPreview.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StylePresets.h"
#include "MindMaps/TextStyle.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class StylePresetsPreviewTest : public ::testing::Test {
protected:
    void SetUp() override { StylePresetPainter::install(&painter); }
    void TearDown() override { StylePresetPainter::install(nullptr); }

    StylePresetsPreview painter;
    TempDir folder;
};

} // namespace

TEST_F(StylePresetsPreviewTest, PreviewsAreFortyPixelsSquare)
{
    TextStylePresets text(folder.path());
    NodeStylePresets nodes(folder.path());
    RelationStylePresets relations(folder.path());
    for (StylePresets* presets : std::vector<StylePresets*>{&text, &nodes, &relations}) {
        for (const auto& preset : presets->presets()) {
            EXPECT_TRUE(preset->image().isNull());
            preset->updateImage(nullptr);
            ASSERT_FALSE(preset->image().isNull());
            EXPECT_EQ(preset->image().pixelWidth(), 40);
            EXPECT_EQ(preset->image().pixelHeight(), 40);
        }
    }
}
