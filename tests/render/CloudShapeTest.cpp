#include "render/CloudShape.h"

#include <gtest/gtest.h>

TEST(CloudShape, AppendsOneClosedOutlineWithRoundJoins)
{
    BezierPath path;
    AppendCloudShape(path, Rect(10, 20, 200, 100));
    const auto& elements = path.elements();
    ASSERT_GE(elements.size(), 3u);
    EXPECT_EQ(BezierPath::ElementType::MoveTo, elements.front().type);
    EXPECT_EQ(BezierPath::ElementType::ClosePath, elements.back().type);
    for (size_t i = 1; i + 1 < elements.size(); ++i)
        EXPECT_EQ(BezierPath::ElementType::CurveTo, elements[i].type) << i;
    EXPECT_EQ(LineJoinStyle::Round, path.lineJoinStyle());
}
