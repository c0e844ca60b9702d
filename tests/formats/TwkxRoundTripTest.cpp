#include "TwkxTestSupport.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace twkxtest;

namespace {

TEST(TwkxRoundTrip, EveryElementAndAttributeGivesTheSameDocument)
{
    MindMap original;
    buildFullMap(original);
    const std::string first = writeDocument(original);

    MindMap copy;
    Error error;
    ASSERT_TRUE(loadDocument(copy, first, &error)) << error.localizedDescription;
    const std::string second = writeDocument(copy);
    EXPECT_TRUE(first == second);
    if (first != second) {
        writeTestFile("/tmp/n1-first.xml", first);
        writeTestFile("/tmp/n1-second.xml", second);
    }
}

} // namespace
