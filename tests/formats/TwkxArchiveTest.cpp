#include "ArchiveTestSupport.h"

#include "formats/TwkxArchiveReader.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ArchiveTest;

namespace {

const std::string Document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><tarnwick-mindmaps doc-version=\"3\"/>";

TEST(TwkxArchiveReader, FindsTheDocumentOfAnotherToolIgnoringCase)
{
    if (!toolAvailable(PythonTool)) GTEST_SKIP() << "python3 is not installed";
    TempDir dir;
    ASSERT_TRUE(writePythonZip(dir.file("other.zip"), {{"Document/MindMap.xml", bytesOf(Document), false}}));
    TwkxArchiveReader reader(dir.file("other.zip"));
    EXPECT_EQ(reader.files(), std::vector<std::string>{"Document/MindMap.xml"});
    EXPECT_EQ(reader.extractMindMapDocument(), bytesOf(Document));
}

} // namespace
