// The older property-list document, written by Python's plistlib in both of its forms.

#include "FilerTestSupport.h"
#include "PythonPlist.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/DiagramLink.h"
#include "formats/TwkMindMapReader.h"

#include <gtest/gtest.h>

using namespace filertest;
using namespace plisttest;

namespace {

class OlderDocumentReader : public ::testing::TestWithParam<PlistForm> {
protected:
    void SetUp() override { registerForeignFormats(); }

    // Reads the plistlib document of the expression; a missing python3 skips the test.
    bool read(MindMap& map, const std::string& expression, Error* error = nullptr)
    {
        std::optional<std::vector<uint8_t>> data = pythonPlist(expression, GetParam());
        if (!data) {
            skipped = true;
            return false;
        }
        return map.readFromData(*data, "", int32_t(MindMapReadFormat::PropertyList), error);
    }

    MindMapNode* nodeNamed(MindMap& map, const std::string& text)
    {
        for (MindMapNode* node : map.nodes())
            if (node->text() == text) return node;
        return nullptr;
    }

    bool skipped = false;
    ScopedFakeMeasurer measurer;
};

#define READ_OR_SKIP(map, expression, ...)                                                                             \
    const bool readResult = read(map, expression, ##__VA_ARGS__);                                                      \
    if (skipped) GTEST_SKIP() << "python3 could not write the property list"

const char* const Document = R"({
 'meta': {'generator': 'TarnwickOSXN', 'gen-version': '1.2', 'stream-version': 3,
          'main-centraltheme': 3, 'selected': 1},
 'style': {'key': 'no.such.sheet'},
 'nodes': [
   {'name': 'Root', 'id': 0, 'location': {'X': 30, 'Y': 60.5}, 'collapsed': 0},
   {'name': 'Red', 'id': 1, 'parent': 0, 'location': {'X': 1, 'Y': 2}, 'fillInfo': -1,
    'fillColor': {'r': 255, 'g': 0, 'b': 0}, 'strokeColor': {'r': 0, 'g': 0}, 'note': 'A note',
    'icon': 'flag', 'diagramref': 'ABCDEFABCDEFABCDEFABCDEF', 'ishotlink': True},
   {'name': 'Minus two', 'id': 2, 'parent': 0, 'location': {'X': 1, 'Y': 2}, 'fillInfo': -2},
   {'name': 'No parent', 'id': 3, 'parent': INT64_MAX, 'location': {'X': 5, 'Y': 5}},
   {'name': 'Self', 'id': 4, 'parent': 4, 'location': {'X': 5, 'Y': 5}},
   {'name': 'Loop A', 'id': 5, 'parent': 6, 'location': {'X': 5, 'Y': 5}},
   {'name': 'Loop B', 'id': 6, 'parent': 5, 'location': {'X': 5, 'Y': 5}},
   {'name': 'Dangling', 'id': 7, 'parent': 99, 'location': {'X': 5, 'Y': 5}, 'collapsed': 1},
   {'name': 'No location', 'id': 8},
   {'id': 9, 'location': {'X': 5, 'Y': 5}},
   {'name': 'Only X', 'id': 10, 'location': {'X': 5}},
 ],
 'relations': [{'source': 0, 'target': 3}, {'source': 0, 'target': 99}, {'source': 1},
               {'source': 4, 'target': 4}, {'source': 3, 'target': 0}],
})";

TEST_P(OlderDocumentReader, ReadsTopicsLinksAndMapData)
{
    MindMap map;
    READ_OR_SKIP(map, Document);
    ASSERT_TRUE(readResult);
    EXPECT_EQ(map.nodes().size(), 8u);
    EXPECT_EQ(nodeNamed(map, "No location"), nullptr);
    EXPECT_EQ(nodeNamed(map, "Only X"), nullptr);

    MindMapNode* root = nodeNamed(map, "Root");
    MindMapNode* red = nodeNamed(map, "Red");
    ASSERT_TRUE(root && red);
    EXPECT_EQ(root->location(), Point({30, 60.5}));
    EXPECT_EQ(red->parent(), root);
    EXPECT_EQ(nodeNamed(map, "Minus two")->parent(), root);
    EXPECT_EQ(red->fillColor(), Color(1, 0, 0, 1));
    EXPECT_EQ(red->note(), "A note");
    EXPECT_EQ(red->iconName(), "flag");
    ASSERT_NE(red->diagramLink(), nullptr);
    EXPECT_EQ(red->diagramLink()->linkType(), 0);
    EXPECT_EQ(red->diagramLink()->linkID(), "ABCDEFABCDEFABCDEFABCDEF");
    EXPECT_TRUE(red->isHotLinked());
    EXPECT_TRUE(nodeNamed(map, "Dangling")->collapsed());

    // No parent, a parent of its own, a loop and a dangling parent all end as central themes.
    std::vector<std::string> themes;
    for (MindMapNode* theme : map.centralThemes()) themes.push_back(theme->text());
    EXPECT_EQ(themes, (std::vector<std::string>{"Root", "No parent", "Self", "Loop B", "Dangling"}));
    EXPECT_EQ(nodeNamed(map, "Loop A")->parent(), nodeNamed(map, "Loop B"));

    // Of the relations only the one between two known, different, unlinked topics stays.
    ASSERT_EQ(map.crossLinks().size(), 1u);
    EXPECT_EQ(map.crossLinks()[0]->sourceNode(), root);
    EXPECT_EQ(map.crossLinks()[0]->targetNode(), nodeNamed(map, "No parent"));
    EXPECT_EQ(map.mainCentralTheme(), nodeNamed(map, "No parent"));
    EXPECT_EQ(map.selectedElement(), red);

    // A negative palette entry other than -1 reads as none: the style sheet colours the topic as
    // one that never had an entry.
    std::string withoutEntry = Document;
    withoutEntry.replace(withoutEntry.find("'fillInfo': -2"), 14, "'fillInfo': 0");
    MindMap reference;
    ASSERT_TRUE(read(reference, withoutEntry));
    EXPECT_EQ(nodeNamed(map, "Minus two")->paletteInfo(), nodeNamed(reference, "Minus two")->paletteInfo());
    EXPECT_EQ(nodeNamed(map, "Minus two")->fillColor(), nodeNamed(reference, "Minus two")->fillColor());
}

TEST_P(OlderDocumentReader, TheOldestGeneratorsPositionsAreScaled)
{
    struct Case {
        const char* meta;
        Point location;
    };
    const Case cases[] = {
        {"{'generator': 'TarnwickOSX'}", {40, 80}},
        {"{'generator': 'TarnwickOSXN'}", {30, 60}},
        {"{}", {30, 60}},
        {"{'generator': 1}", {30, 60}}, // a number is no generator name
        {"'not a dictionary'", {30, 60}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.meta);
        MindMap map;
        READ_OR_SKIP(map,
                     std::string("{'meta': ") + c.meta +
                         ", 'nodes': [{'name': 'A', 'id': 0, 'location': {'X': 30.0, 'Y': 60}}]}");
        ASSERT_TRUE(readResult);
        ASSERT_EQ(map.nodes().size(), 1u);
        EXPECT_EQ(map.nodes()[0]->location(), c.location);
    }
}

TEST_P(OlderDocumentReader, ValuesOfTheWrongTypeAreSkipped)
{
    const char* const cases[] = {
        "{}",
        "{'nodes': 'text', 'relations': 5, 'style': [], 'meta': []}",
        "{'nodes': [1, 'two', [3], {'name': 4, 'location': {'X': 1, 'Y': 1}}]}",
        "{'nodes': [{'name': 'A', 'location': {'X': 'one', 'Y': 1}}], 'relations': [1, {'source': 'a'}]}",
        "{'nodes': [{'name': 'A', 'location': [1, 2]}], 'meta': {'selected': 'x', 'main-centraltheme': 1.5}}",
    };
    for (const char* expression : cases) {
        SCOPED_TRACE(expression);
        MindMap map;
        READ_OR_SKIP(map, expression);
        EXPECT_TRUE(readResult);
        EXPECT_TRUE(map.nodes().empty());
    }
    // A topic keeps what is usable of it.
    MindMap map;
    READ_OR_SKIP(map,
                 "{'nodes': [{'name': 'A', 'id': 'x', 'parent': 'y', 'location': {'X': 1e300, 'Y': -1e300},"
                 " 'fillInfo': -1, 'fillColor': {'r': 'red', 'g': 0, 'b': 0}, 'icon': 3, 'note': [],"
                 " 'collapsed': 'yes', 'diagramref': 7}]}");
    ASSERT_TRUE(readResult);
    ASSERT_EQ(map.nodes().size(), 1u);
    const MindMapNode* node = map.nodes()[0];
    EXPECT_EQ(node->location(), Point({1e9, -1e9}));
    EXPECT_EQ(node->diagramLink(), nullptr);
    EXPECT_TRUE(node->iconName().empty());
    EXPECT_FALSE(node->collapsed());
}

INSTANTIATE_TEST_SUITE_P(BothForms, OlderDocumentReader, ::testing::Values(PlistForm::Xml, PlistForm::Binary),
                         [](const auto& info) { return std::string(formName(info.param)); });

TEST(OlderDocumentReaderBadInput, DataThatIsNoDictionaryFailsWithErrorTen)
{
    registerForeignFormats();
    std::optional<std::vector<uint8_t>> binary = pythonPlist("{'nodes': [{'name': 'A'}]}", PlistForm::Binary);
    std::vector<std::vector<uint8_t>> cases = {
        bytes("garbage"),
        bytes("<?xml version=\"1.0\"?><plist><dict><key>nodes</key>"),
        bytes("<plist version=\"1.0\"><array><string>a</string></array></plist>"),
        bytes("bplist00"),
    };
    if (binary) {
        cases.emplace_back(binary->begin(), binary->end() - 10); // truncated
        std::vector<uint8_t> hostile = *binary;
        // The trailer's offset-table position pointing far outside the data.
        for (size_t i = hostile.size() - 8; i < hostile.size(); ++i) hostile[i] = 0x7F;
        cases.push_back(hostile);
    }
    for (const std::vector<uint8_t>& data : cases) {
        SCOPED_TRACE(std::string(data.begin(), data.begin() + std::min<size_t>(data.size(), 20)));
        MindMap map;
        Error error;
        EXPECT_FALSE(map.readFromData(data, "", int32_t(MindMapReadFormat::PropertyList), &error));
        EXPECT_EQ(error.code, 10);
        EXPECT_EQ(error.domain, "TarnwickErrorDomain");
        EXPECT_TRUE(map.nodes().empty());
    }
}

} // namespace
