#include "render/CloudShape.h"

#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using Type = BezierPath::ElementType;

// The default point's normalised form: the raw point (79, 224).
constexpr double DefaultX = -0.3907103825136612;
constexpr double DefaultY = -0.2932692307692308;

// The rectangle into which the normalised table maps unchanged.
const Rect UnitRect(-0.5, -0.5, 1, 1);

// The 28 table points, read back through a path fitted to the unit rectangle.
std::vector<Point> tablePoints()
{
    BezierPath path;
    AppendCloudShape(path, UnitRect);
    std::vector<Point> points;
    for (const BezierPath::Element& element : path.elements()) {
        if (element.type == Type::MoveTo) points.push_back(element.points[0]);
        if (element.type == Type::CurveTo) {
            points.push_back(element.points[0]);
            points.push_back(element.points[1]);
            points.push_back(element.points[2]);
        }
    }
    return points;
}

Point rawNormalised(double x, double y)
{
    return {(x - 222) / 366, (163 - y) / 208};
}

Point cubicAt(Point p0, Point p1, Point p2, Point p3, double t)
{
    const double u = 1 - t;
    return {u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
            u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y};
}

// Each test loads the table from a resources folder of its own; afterwards the shipped outline is
// loaded again for whatever draws a cloud next.
class CloudShapeResourceTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        _environment.reset();
        LoadCloudShapePoints();
    }

    // Loads the table from a resource file with these contents; nullopt leaves the file out.
    // Answers what was written to the log.
    std::string load(const std::optional<std::string>& contents)
    {
        std::filesystem::create_directories(_resources.file("shapes"));
        if (contents) writeTestFile(_resources.file(CloudShapeResource), *contents);
        _environment.emplace("TARNWICK_RESOURCES", _resources.path());
        testing::internal::CaptureStderr();
        LoadCloudShapePoints();
        return testing::internal::GetCapturedStderr();
    }

    static std::vector<Point> builtInOutline()
    {
        ScopedEnvironment nowhere("TARNWICK_RESOURCES", "/nonexistent/tarnwick-resources");
        testing::internal::CaptureStderr();
        LoadCloudShapePoints();
        testing::internal::GetCapturedStderr();
        return tablePoints();
    }

    static void expectBuiltIn()
    {
        std::vector<Point> points = tablePoints();
        std::vector<Point> expected = builtInOutline();
        EXPECT_EQ(expected, points);
    }

    TempDir _resources;
    std::optional<ScopedEnvironment> _environment;
};

std::string lines(int count, const std::string& separator = "\n")
{
    std::string text;
    for (int i = 0; i < count; ++i) text += std::to_string(100 + i) + "," + std::to_string(50 + 2 * i) + separator;
    return text;
}

} // namespace

TEST(CloudShape, AppendsOneClosedChainOfNineCurvesWithRoundJoins)
{
    EXPECT_EQ(9u, CloudShapeSegmentCount);
    EXPECT_EQ(28u, CloudShapePointCount);
    BezierPath path;
    AppendCloudShape(path, Rect(10, 20, 200, 100));
    const auto& elements = path.elements();
    ASSERT_EQ(11u, elements.size());
    EXPECT_EQ(Type::MoveTo, elements.front().type);
    EXPECT_EQ(Type::ClosePath, elements.back().type);
    for (size_t i = 1; i + 1 < elements.size(); ++i) EXPECT_EQ(Type::CurveTo, elements[i].type) << i;
    EXPECT_EQ(LineJoinStyle::Round, path.lineJoinStyle());

    AppendCloudShape(path, Rect(10, 20, 200, 100)); // appends to what the path holds
    EXPECT_EQ(22u, path.elements().size());
    EXPECT_EQ(Type::MoveTo, path.elements()[11].type);
}

TEST(CloudShape, ShippedOutlineIsClosedAndFillsItsRectangle)
{
    LoadCloudShapePoints();
    const Rect rect(30, -40, 366, 208);
    BezierPath path;
    AppendCloudShape(path, rect);
    const auto& e = path.elements();
    ASSERT_EQ(11u, e.size());
    EXPECT_EQ(e[0].points[0], e[9].points[2]); // the last curve ends where the outline starts

    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    Point start = e[0].points[0];
    for (size_t i = 1; i <= 9; ++i) {
        for (int step = 0; step <= 200; ++step) {
            Point p = cubicAt(start, e[i].points[0], e[i].points[1], e[i].points[2], step / 200.0);
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
        start = e[i].points[2];
    }
    // The curves reach each side of the rectangle and stay within it, give or take a point.
    EXPECT_NEAR(rect.minX(), minX, 1.5);
    EXPECT_NEAR(rect.maxX(), maxX, 1.5);
    EXPECT_NEAR(rect.minY(), minY, 1.5);
    EXPECT_NEAR(rect.maxY(), maxY, 1.5);
}

TEST(CloudShape, TextInsetIsTheInnerEdgeOfTheRightBumps)
{
    EXPECT_NEAR(10 + 183 + 133, CloudTextInsetX(Rect(10, 0, 366, 208)), 1e-9);
    EXPECT_DOUBLE_EQ(100 + 50 + 100 * 0.3633879781420765, CloudTextInsetX(Rect(100, 7, 100, 30)));
    EXPECT_DOUBLE_EQ(0, CloudTextInsetX(Rect(0, 0, 0, 0)));
}

TEST_F(CloudShapeResourceTest, CentreAndFarCornerNormaliseToZeroAndOne)
{
    load("222,163\n588,-45\n12.9,5\n");
    std::vector<Point> points = tablePoints();
    ASSERT_EQ(28u, points.size());
    EXPECT_EQ((Point{0, 0}), points[0]);
    EXPECT_EQ((Point{1, 1}), points[1]);
    EXPECT_EQ(rawNormalised(12, 5), points[2]) << "a fraction is cut off";

    BezierPath path;
    AppendCloudShape(path, Rect(10, 20, 200, 100));
    EXPECT_EQ((Point{110, 70}), path.elements()[0].points[0]);
    EXPECT_EQ((Point{310, 170}), path.elements()[1].points[0]);
}

TEST_F(CloudShapeResourceTest, LineEndsEmptyLinesAndAByteOrderMarkReadTheSame)
{
    load(lines(28, "\n"));
    std::vector<Point> unix = tablePoints();
    for (const char* separator : {"\r\n", "\r", "\xE2\x80\xA8"}) {
        std::string log = load(lines(28, separator));
        EXPECT_EQ(unix, tablePoints()) << separator;
        EXPECT_EQ("", log);
    }
    std::string log = load("\xEF\xBB\xBF\n\n222,163\n\r\n\n588,-45\n\n");
    EXPECT_EQ("", log);
    EXPECT_EQ((Point{0, 0}), tablePoints()[0]);
    EXPECT_EQ((Point{1, 1}), tablePoints()[1]);
}

TEST_F(CloudShapeResourceTest, OnlyTheFirstTwentyEightPointsAreRead)
{
    std::string log = load(lines(28) + "999,999\n1,2,3\n");
    std::vector<Point> points = tablePoints();
    EXPECT_EQ(rawNormalised(100, 50), points[0]);
    EXPECT_EQ(rawNormalised(127, 104), points[27]);
    EXPECT_EQ(std::string::npos, log.find("Invalid line")) << "lines after the 28th are not read";
}

TEST_F(CloudShapeResourceTest, MalformedLinesAreLoggedAndSkipped)
{
    std::string log = load("1,2,3\nabc,5\n5,\n  \n5;6\n\x1b[31m,red\x07,1\n222,163\n");
    for (const char* line : {"1,2,3", "  ", "5;6", "?[31m,red?,1"}) // control characters are not logged raw
        EXPECT_NE(std::string::npos, log.find(std::string("Invalid line: ") + line + "\n")) << line;
    EXPECT_EQ(std::string::npos, log.find('\x1b'));
    // Two parts make a point, even where a part holds no digit: it reads as 0.
    EXPECT_EQ(std::string::npos, log.find("abc"));
    const std::vector<Point> points = tablePoints();
    EXPECT_EQ(rawNormalised(0, 5), points[0]);
    EXPECT_EQ(rawNormalised(5, 0), points[1]);
    EXPECT_EQ((Point{0, 0}), points[2]);
    EXPECT_DOUBLE_EQ(DefaultX, points[3].x);
}

TEST_F(CloudShapeResourceTest, HugeNumbersStayFinite)
{
    load("99999999999999999999999,-99999999999999999999999\n-2147483649,2147483648\n");
    BezierPath path;
    AppendCloudShape(path, Rect(0, 0, 100, 100));
    for (const BezierPath::Element& element : path.elements()) {
        EXPECT_TRUE(std::isfinite(element.points[0].x));
        EXPECT_TRUE(std::isfinite(element.points[0].y));
    }
    EXPECT_EQ(rawNormalised(2147483647.0, -2147483648.0), tablePoints()[0]);
    EXPECT_EQ(rawNormalised(-2147483648.0, 2147483647.0), tablePoints()[1]);
}

TEST_F(CloudShapeResourceTest, LongInvalidLineIsLoggedShortWithoutCuttingACharacter)
{
    std::string line;
    for (int i = 0; i < 300; ++i) line += "\xC3\xA9"; // é
    std::string log = load(line + "\n");
    EXPECT_LT(log.size(), 300u);
    EXPECT_NE(std::string::npos, log.find("\xC3\xA9\n"));
}

// Resources that give no outline fall back to the built-in one instead of a cloud that vanishes.

TEST_F(CloudShapeResourceTest, ResourceWithoutAnyPointGivesTheBuiltInOutline)
{
    EXPECT_NE(std::string::npos, load(std::nullopt).find("cloud shape"));
    expectBuiltIn();
    load("\n\r\n\n");
    expectBuiltIn();
    std::string log = load("garbage\nmore garbage\n1;2\n");
    EXPECT_NE(std::string::npos, log.find("Invalid line: garbage"));
    expectBuiltIn();
}

TEST_F(CloudShapeResourceTest, UnreadableResourcesGiveTheBuiltInOutline)
{
    load(std::string("222,163\n\xFF\xFE"
                     "5,5\n")); // not UTF-8
    expectBuiltIn();
    load(lines(28) + std::string(70 * 1024, '\n')); // far larger than any outline
    expectBuiltIn();

    std::filesystem::remove(_resources.file(CloudShapeResource));
    std::filesystem::create_directories(_resources.file(CloudShapeResource)); // a folder in its place
    testing::internal::CaptureStderr();
    LoadCloudShapePoints();
    testing::internal::GetCapturedStderr();
    expectBuiltIn();
}

TEST_F(CloudShapeResourceTest, TruncatedResourceKeepsWhatItHas)
{
    std::string text = lines(28);
    load(text.substr(0, text.size() / 2 + 3)); // cut in the middle of a line
    std::vector<Point> points = tablePoints();
    EXPECT_EQ(rawNormalised(100, 50), points[0]);
    EXPECT_DOUBLE_EQ(DefaultX, points[27].x);
    EXPECT_DOUBLE_EQ(DefaultY, points[27].y);
}
