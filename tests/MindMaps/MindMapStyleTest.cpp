#include "ElementStyleTestSupport.h"

#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/TextStyle.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const Color Red(1, 0, 0);
const Color Blue(0, 0, 1);

} // namespace

TEST(MindMapStyleCascade, OwnValuesAndTheParentsValues)
{
    auto root = std::make_shared<MindMapStyle>();
    root->setConnectionStyle(2);
    root->setBackgroundColor(Red);
    root->setCheckboxColor(Blue);
    MindMapStyle custom(root);
    custom.setConnectionStyle(1);
    custom.setBackgroundColor(Blue);
    custom.setCheckboxColor(Red);
    EXPECT_EQ(custom.connectionStyle(), 2);
    EXPECT_EQ(custom.backgroundColor(), Red);

    custom.setCustomizedProps(1 | 2 | 4);
    EXPECT_EQ(custom.connectionStyle(), 1);
    EXPECT_EQ(custom.backgroundColor(), Blue);

    EXPECT_FALSE(root->isPropDefined(MindMapStyle::BackgroundColorMask));
    root->setPropCustomized(MindMapStyle::BackgroundColorMask, true);
    custom.setCustomizedProps(0);
    EXPECT_TRUE(custom.isPropDefined(MindMapStyle::BackgroundColorMask));
    EXPECT_FALSE(custom.isPropDefined(MindMapStyle::CheckboxColorMask));
}

TEST(MindMapStyleCascade, NilColoursFallBackToWhiteAndMaterialGreen)
{
    MindMapStyle root;
    EXPECT_EQ(root.backgroundColor(), Color(1, 1, 1, 1));
    EXPECT_EQ(root.checkboxColor(), Color(67 / 255.0, 160 / 255.0, 71 / 255.0, 1));

    auto parent = std::make_shared<MindMapStyle>();
    MindMapStyle custom(parent);
    custom.setCustomizedProps(MindMapStyle::BackgroundColorMask | MindMapStyle::CheckboxColorMask);
    EXPECT_EQ(custom.backgroundColor(), Color::white());
    EXPECT_EQ(custom.checkboxColor(), Color::rgb255(67, 160, 71));

    custom.setCustomizedProps(0);
    parent->setBackgroundColor(Color::normalizedClearColor());
    EXPECT_TRUE(custom.backgroundColor().isNormalizedClearColor());
}

TEST(MindMapStyleReports, APartThatOutlivesItsMapStyleReportsToNobody)
{
    std::shared_ptr<NodeStyle> part;
    {
        MindMapStyle style;
        part = style.nodeStyle();
    }
    EXPECT_EQ(part->listener(), nullptr);
    part->setBorderStyle(4);
    EXPECT_EQ(part->borderStyle(), 4);
}
