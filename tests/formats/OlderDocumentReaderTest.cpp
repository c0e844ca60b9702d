// The older property-list document, written by Python's plistlib in both of its forms.

#include "FilerTestSupport.h"
#include "PythonPlist.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/DiagramLink.h"

#include <gtest/gtest.h>

using namespace filertest;
using namespace plisttest;

namespace {

class OlderDocumentReader : public ::testing::TestWithParam<PlistForm> {
protected:
    void SetUp() override { registerForeignFormats(); }

    std::optional<bool> read(MindMap& map, const std::string& expression, Error* error = nullptr)
    {
        std::optional<std::vector<uint8_t>> data = pythonPlist(expression, GetParam());
        if (!data) return std::nullopt;
        return map.readFromData(*data, "", int32_t(MindMapReadFormat::PropertyList), error);
    }

    static MindMapNode* named(MindMap& map, const std::string& text)
    {
        for (MindMapNode* node : map.nodes())
            if (node->text() == text) return node;
        return nullptr;
    }

    ScopedFakeMeasurer measurer;
};

const char* const Document = R"({
 'meta': {'generator': 'TarnwickOSX', 'main-centraltheme': 3, 'selected': 1},
 'nodes': [
   {'name': 'Root', 'id': 0, 'location': {'X': 30, 'Y': 60}},
   {'name': 'Red', 'id': 1, 'parent': 0, 'location': {'X': 1, 'Y': 2}, 'fillInfo': -1,
    'fillColor': {'r': 255, 'g': 0, 'b': 0}, 'diagramref': 'ABCDEFABCDEFABCDEFABCDEF', 'ishotlink': True},
   {'name': 'Minus two', 'id': 2, 'parent': 0, 'location': {'X': 1, 'Y': 2}, 'fillInfo': -2},
   {'name': 'No parent', 'id': 3, 'parent': INT64_MAX, 'location': {'X': 5, 'Y': 5}},
   {'name': 'Self', 'id': 4, 'parent': 4, 'location': {'X': 5, 'Y': 5}},
   {'name': 'Loop A', 'id': 5, 'parent': 6, 'location': {'X': 5, 'Y': 5}},
   {'name': 'Loop B', 'id': 6, 'parent': 5, 'location': {'X': 5, 'Y': 5}},
   {'name': 'No location', 'id': 7},
   {'name': 'Wrong types', 'id': 'x', 'parent': [], 'location': {'X': 1e300, 'Y': 2}, 'note': 5, 'icon': {}},
 ],
 'relations': [{'source': 0, 'target': 3}, {'source': 0, 'target': 99}, {'source': 4, 'target': 4}, 7, 'x'],
})";

TEST_P(OlderDocumentReader, ReadsTopicsLinksAndMapData)
{
    MindMap map;
    const std::optional<bool> read = this->read(map, Document);
    if (!read) GTEST_SKIP() << "python3 could not write the property list";
    ASSERT_TRUE(*read);
    EXPECT_EQ(map.nodes().size(), 8u);
    // Written by generator 1: positions grow by a third.
    EXPECT_EQ(named(map, "Root")->location(), Point({40, 80}));
    EXPECT_EQ(named(map, "Wrong types")->location(), Point({1e9, 8.0 / 3}));
    MindMapNode* red = named(map, "Red");
    EXPECT_EQ(red->fillColor(), Color(1, 0, 0, 1));
    EXPECT_EQ(red->diagramLink()->linkID(), "ABCDEFABCDEFABCDEFABCDEF");
    EXPECT_TRUE(red->isHotLinked());
    // A parent of its own or a loop of parents ends as central themes, as INT64_MAX (none) does.
    std::vector<std::string> themes;
    for (MindMapNode* theme : map.centralThemes()) themes.push_back(theme->text());
    EXPECT_EQ(themes, (std::vector<std::string>{"Root", "No parent", "Self", "Loop B", "Wrong types"}));
    ASSERT_EQ(map.crossLinks().size(), 1u);
    EXPECT_EQ(map.crossLinks()[0]->targetNode(), named(map, "No parent"));
    EXPECT_EQ(map.mainCentralTheme(), named(map, "No parent"));
    EXPECT_EQ(map.selectedElement(), red);

    // Palette entry -2 reads as none: colored as a topic that never had an entry.
    std::string withoutEntry = Document;
    withoutEntry.replace(withoutEntry.find("'fillInfo': -2"), 14, "'fillInfo': 0");
    MindMap reference;
    ASSERT_TRUE(this->read(reference, withoutEntry).value_or(false));
    EXPECT_EQ(named(map, "Minus two")->paletteInfo(), named(reference, "Minus two")->paletteInfo());

    // Other generators keep the positions; an empty dictionary is an empty map.
    for (const char* meta : {"{'generator': 'TarnwickOSXN'}", "{'generator': 1}", "[]"}) {
        MindMap other;
        ASSERT_TRUE(
            this->read(other,
                       std::string("{'meta': ") + meta + ", 'nodes': [{'name': 'A', 'location': {'X': 30, 'Y': 60}}]}")
                .value_or(false));
        EXPECT_EQ(other.nodes().at(0)->location(), Point({30, 60})) << meta;
    }
    MindMap empty;
    EXPECT_TRUE(this->read(empty, "{}").value_or(false));
    EXPECT_TRUE(empty.nodes().empty());
}

INSTANTIATE_TEST_SUITE_P(BothForms, OlderDocumentReader, ::testing::Values(PlistForm::Xml, PlistForm::Binary),
                         [](const auto& info) { return std::string(formName(info.param)); });

TEST(OlderDocumentReaderBadInput, DataThatIsNoDictionaryFailsWithErrorTen)
{
    registerForeignFormats();
    std::vector<std::vector<uint8_t>> cases = {bytes("garbage"), bytes("<plist><dict><key>nodes</key>"),
                                               bytes("<plist><array><string>a</string></array></plist>")};
    if (auto binary = pythonPlist("{'nodes': [{'name': 'A'}]}", PlistForm::Binary)) {
        cases.emplace_back(binary->begin(), binary->end() - 10);
        // The trailer's offset table pointing far outside the data.
        for (size_t i = binary->size() - 8; i < binary->size(); ++i) (*binary)[i] = 0x7F;
        cases.push_back(*binary);
    }
    for (const std::vector<uint8_t>& data : cases) {
        MindMap map;
        Error error;
        EXPECT_FALSE(map.readFromData(data, "", int32_t(MindMapReadFormat::PropertyList), &error));
        EXPECT_EQ(error.code, 10);
        EXPECT_EQ(error.domain, "TarnwickErrorDomain");
    }
}

} // namespace
