#include "FilerTestSupport.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapReader.h"

#include <gtest/gtest.h>

#include <string>

using namespace filertest;

namespace {

// What each export code starts with behind the byte-order mark.
struct ExportCase {
    MindMapExportFormat format;
    std::string start;
};

TEST(MindMapConverterRegistration, MapExportsByCodeWithTheMark)
{
    registerForeignFormats();
    MindMap map;
    const auto nodes = buildMap(map, "T\n  A\n  B\n");
    map.setSelectedElement(nodes[2]);
    for (const ExportCase& expected : {ExportCase{MindMapExportFormat::HtmlOutline, "<!DOCTYPE html>"},
                                       ExportCase{MindMapExportFormat::PlainText, "T\n\tA\n\tB\n"},
                                       ExportCase{MindMapExportFormat::Opml, "<?xml version=\"1.0\""},
                                       ExportCase{MindMapExportFormat::FreeMind, "<map version=\"0.9.0\">"}}) {
        const std::string text = withoutBom(map.exportDataOfFormat(static_cast<int32_t>(expected.format)));
        EXPECT_TRUE(text.starts_with(expected.start)) << static_cast<int>(expected.format) << ": " << text;
    }
    EXPECT_EQ(withoutBom(map.exportDataOfFormat(static_cast<int32_t>(MindMapExportFormat::PlainText), 1.0, true)),
              "\tB\n");
    EXPECT_TRUE(withoutBom(map.dataOfType(static_cast<int32_t>(MindMapReadFormat::Opml))).starts_with("<?xml"));
    EXPECT_TRUE(withoutBom(map.dataOfType(static_cast<int32_t>(MindMapReadFormat::FreeMind))).starts_with("<map"));
}

TEST(MindMapConverterRegistration, MapReadsEveryForeignCode)
{
    const std::string tree = "T\n  A | n\n";
    for (auto [format, document] :
         {std::pair<MindMapReadFormat, std::string>{
              MindMapReadFormat::Opml,
              "<opml><body><outline text=\"T\"><outline text=\"A\" _note=\"n\"/></outline></body></opml>"},
          {MindMapReadFormat::FreeMind,
           "<map><node TEXT=\"T\"><node TEXT=\"A\"><richcontent "
           "TYPE=\"NOTE\"><html><body><p>n</p></body></html></richcontent></node></node></map>"},
          {MindMapReadFormat::PlainText, "T\n\tA\n\t[\n\tn\n\t]\n"}}) {
        MindMap map;
        ASSERT_TRUE(readAs(map, document, format)) << static_cast<int>(format);
        EXPECT_EQ(treeOf(map), tree);
        // Loading selects the main central theme, as after opening any document; imported
        // branches are laid out strictly horizontally.
        EXPECT_EQ(map.selectedNode(), map.centralThemes().front());
        EXPECT_EQ(map.centralThemes().front()->layoutMode(), 1);
    }
}

TEST(MindMapConverterNative, TextBecomesANativeDocument)
{
    registerNativeFormat();
    const MindMapData native = MindMapConverter::twkxDataFromUTF8Data(bytes("\xEF\xBB\xBFT\n\tA\n\t\tB"));
    ASSERT_FALSE(native.empty());
    MindMap map;
    ASSERT_TRUE(map.readFromData(native, "", static_cast<int32_t>(MindMapReadFormat::Native)));
    EXPECT_EQ(treeOf(map), "T\n  A\n    B\n");
}

TEST(MindMapConverterNative, UnreadableTextGivesNothing)
{
    EXPECT_TRUE(MindMapConverter::twkxDataFromUTF8Data(bytes("\x81\x8D")).empty());
    EXPECT_TRUE(MindMapConverter::twkxDataFromUTF8Data(MindMapData()).empty());
}

} // namespace
