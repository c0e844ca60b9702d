#include "FilerTestSupport.h"
#include "PdfTestSupport.h"

#include "MindMaps/DiagramLink.h"
#include "formats/PdfConverter.h"
#include "formats/TwkxMindMapReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace filertest;
using namespace pdftest;
namespace fs = std::filesystem;

namespace {

constexpr auto NoFlags = cairo_pdf_outline_flags_t(0);

class PdfBookmarks : public ::testing::Test {
protected:
    void SetUp() override { registerNativeFormat(); }

    // The map the converter's native data reads back as; false when there was none.
    bool convert(MindMap& map, const Bytes& pdf, const std::string& path, bool isCloud = false)
    {
        const MindMapData native = PdfConverter::twkxDataFromPdf(pdf, path, isCloud);
        if (native.empty()) return false;
        return map.readFromData(native, "", int32_t(MindMapReadFormat::Native));
    }

    // Long labels come wrapped: a line break stands where a blank was.
    static MindMapNode* named(MindMap& map, const std::string& text)
    {
        for (MindMapNode* node : map.nodes()) {
            std::string unwrapped = node->text();
            std::replace(unwrapped.begin(), unwrapped.end(), '\n', ' ');
            if (unwrapped == text) return node;
        }
        return nullptr;
    }

    static std::string linkOf(MindMapNode* node)
    {
        return node && node->diagramLink() ? node->diagramLink()->linkID() : "(none)";
    }

    ScopedFakeMeasurer measurer;
};

TEST_F(PdfBookmarks, OutlineBecomesTopicsLinkedToTheirPages)
{
    const Bytes pdf = cairoPdf(4, [](cairo_surface_t* surface) {
        cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, "Intro", "page=1", NoFlags);
        const int chapter = cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, "Chapter", "page=3",
                                                          CAIRO_PDF_OUTLINE_FLAG_OPEN);
        cairo_pdf_surface_add_outline(surface, chapter, "Section", "dest='page2'", NoFlags);
        const int deeper = cairo_pdf_surface_add_outline(surface, chapter, "Part", "page=4", NoFlags);
        cairo_pdf_surface_add_outline(surface, deeper, "Appendix", "dest='page4'", NoFlags);
    });
    ASSERT_FALSE(pdf.empty());
    const std::string path = "/tmp/reports/Report.PDF";
    MindMap map;
    ASSERT_TRUE(convert(map, pdf, path));
    EXPECT_EQ(treeOf(map), "Report\n  Intro\n  Chapter\n    Section\n    Part\n      Appendix\n");
    MindMapNode* root = map.centralThemes().at(0);
    EXPECT_EQ(root->diagramLink()->linkType(), 1);
    EXPECT_EQ(linkOf(root), path);
    EXPECT_EQ(root->layoutMode(), 1);
    EXPECT_EQ(linkOf(named(map, "Chapter")), path + "#page=3");
    EXPECT_EQ(linkOf(named(map, "Section")), path + "#page=2");
    EXPECT_EQ(linkOf(named(map, "Appendix")), path + "#page=4");
}

TEST_F(PdfBookmarks, ItemsWithoutAPageKeepTheirChildren)
{
    // Written by hand: cairo gives every bookmark a destination. One item has none, one names a
    // destination the document lacks, one a page it does not have.
    std::vector<std::string> objects = rawPdfStart("<< /Type /Outlines /First 5 0 R /Last 7 0 R /Count 3 >>");
    objects.push_back("<< /Title (Plain) /Parent 4 0 R /Next 6 0 R /First 8 0 R /Last 8 0 R /Count 1 >>");
    objects.push_back("<< /Title (Unknown name) /Parent 4 0 R /Prev 5 0 R /Next 7 0 R /Dest (nowhere) >>");
    objects.push_back("<< /Title (Page nine) /Parent 4 0 R /Prev 6 0 R /Dest [9 /Fit] >>");
    objects.push_back("<< /Title (Child) /Parent 5 0 R /Dest [3 0 R /Fit] >>");
    MindMap map;
    ASSERT_TRUE(convert(map, rawPdf(objects), "/tmp/x.pdf"));
    EXPECT_EQ(treeOf(map), "x\n  Plain\n    Child\n  Unknown name\n  Page nine\n");
    for (const char* unlinked : {"Plain", "Unknown name", "Page nine"})
        EXPECT_EQ(linkOf(named(map, unlinked)), "(none)") << unlinked;
    EXPECT_EQ(linkOf(named(map, "Child")), "/tmp/x.pdf#page=1");
}

TEST_F(PdfBookmarks, WithoutOutlineOneTopicAndUnreadableNothing)
{
    MindMap map;
    ASSERT_TRUE(convert(map, cairoPdf(2, nullptr), "/tmp/Plain.pdf"));
    EXPECT_EQ(treeOf(map), "Plain\n");

    const Bytes good = cairoPdf(1, nullptr);
    for (const Bytes& bad :
         {Bytes(), Bytes{'%', 'P', 'D', 'F'}, Bytes(good.begin(), good.begin() + 40), Bytes(100, 'x')}) {
        EXPECT_TRUE(PdfConverter::twkxDataFromPdf(bad, "/tmp/Bad.pdf", false).empty()) << bad.size();
    }
}

TEST_F(PdfBookmarks, LoopingAndAbsurdlyDeepOutlinesEnd)
{
    // An item that is its own child and its own sibling.
    std::vector<std::string> loop = rawPdfStart("<< /Type /Outlines /First 5 0 R /Last 5 0 R /Count 1 >>");
    loop.push_back("<< /Title (Again) /Parent 4 0 R /First 5 0 R /Last 5 0 R /Next 5 0 R /Count 1 >>");
    MindMap looped;
    ASSERT_TRUE(convert(looped, rawPdf(loop), "/tmp/loop.pdf"));
    EXPECT_LE(looped.nodes().size(), 3u);

    // 100,000 levels, each bookmark the only child of the one before.
    constexpr int Levels = 100000;
    std::vector<std::string> deep = rawPdfStart("<< /Type /Outlines /First 5 0 R /Last 5 0 R /Count 1 >>");
    for (int level = 0; level < Levels; ++level) {
        const int self = 5 + level;
        std::string item = "<< /Title (L" + std::to_string(level) + ") /Parent " + std::to_string(self - 1) +
            " 0 R /Dest [3 0 R /Fit]";
        if (level + 1 < Levels)
            item += " /First " + std::to_string(self + 1) + " 0 R /Last " + std::to_string(self + 1) + " 0 R /Count 1";
        deep.push_back(item + " >>");
    }
    MindMap map;
    ASSERT_TRUE(convert(map, rawPdf(deep), "/tmp/deep.pdf"));
    EXPECT_EQ(map.nodes().size(), 1 + PdfConverter::MaximumOutlineDepth);
    EXPECT_EQ(deepestLevel(map), static_cast<int64_t>(PdfConverter::MaximumOutlineDepth));
}

// Hand-written outlines whose entries lead back to items met before. Every bookmark becomes one
// topic, read where it is first met; an entry that leads back ends its list.
TEST_F(PdfBookmarks, LoopsAndSharedBranchesGiveEachBookmarkOneTopic)
{
    auto item = [](const std::string& title, const std::string& entries) {
        return "<< /Title (" + title + ") /Dest [3 0 R /Fit] " + entries + " >>";
    };
    auto ref = [](int object) { return std::to_string(object) + " 0 R"; };

    // 20,000 top bookmarks; the children of every thousandth are the top list again.
    constexpr int Bookmarks = 20000;
    std::vector<std::string> wide = rawPdfStart("<< /Type /Outlines /First 5 0 R /Last " + ref(4 + Bookmarks) + " >>");
    for (int i = 0; i < Bookmarks; ++i) {
        std::string entries = i + 1 < Bookmarks ? "/Next " + ref(6 + i) : "";
        if (i % 1000 == 999) entries += " /First 5 0 R /Last " + ref(4 + Bookmarks);
        wide.push_back(item("B" + std::to_string(i), entries));
    }

    struct Case {
        const char* what;
        std::vector<std::string> objects;
        std::string tree; // empty: only counted
        size_t topics;
    };
    const std::vector<Case> cases = {
        {"every thousandth bookmark's children are the top list", wide, "", Bookmarks + 1},
        {"two bookmarks share one list of children",
         [&] {
             auto objects = rawPdfStart("<< /Type /Outlines /First 5 0 R /Last 6 0 R >>");
             objects.push_back(item("A", "/Next 6 0 R /First 7 0 R /Last 8 0 R"));
             objects.push_back(item("B", "/First 7 0 R /Last 8 0 R"));
             objects.push_back(item("C", "/Next 8 0 R"));
             objects.push_back(item("D", ""));
             return objects;
         }(),
         "x\n  A\n    C\n    D\n  B\n", 5},
        {"a list that runs back to its start",
         [&] {
             auto objects = rawPdfStart("<< /Type /Outlines /First 5 0 R /Last 7 0 R >>");
             objects.push_back(item("A", "/Next 6 0 R"));
             objects.push_back(item("B", "/Next 7 0 R"));
             objects.push_back(item("C", "/Next 5 0 R /First 6 0 R"));
             return objects;
         }(),
         "x\n  A\n  B\n  C\n", 4},
        {"an item whose children are its ancestors",
         [&] {
             auto objects = rawPdfStart("<< /Type /Outlines /First 5 0 R /Last 5 0 R >>");
             objects.push_back(item("A", "/First 6 0 R"));
             objects.push_back(item("B", "/First 5 0 R /Next 5 0 R"));
             return objects;
         }(),
         "x\n  A\n    B\n", 3},
        {"entries that lead into the outline dictionary",
         [&] {
             auto objects = rawPdfStart("<< /Type /Outlines /First 5 0 R /Last 5 0 R >>");
             objects.push_back(item("A", "/First 4 0 R /Next 4 0 R"));
             return objects;
         }(),
         "x\n  A\n", 2},
    };
    for (const Case& c : cases) {
        MindMap map;
        ASSERT_TRUE(convert(map, rawPdf(c.objects), "/tmp/x.pdf")) << c.what;
        EXPECT_EQ(map.nodes().size(), c.topics) << c.what;
        if (!c.tree.empty()) {
            EXPECT_EQ(treeOf(map), c.tree) << c.what;
        }
    }
}

// A flat list of many bookmarks: every one a main branch of the one central theme.
TEST_F(PdfBookmarks, AFlatOutlineOfFortyThousandBookmarksImports)
{
    constexpr int Bookmarks = 40000;
    const Bytes pdf = cairoPdf(10, [](cairo_surface_t* surface) {
        for (int i = 0; i < Bookmarks; ++i) {
            const std::string page = "page=" + std::to_string(i % 10 + 1);
            cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, ("Bookmark " + std::to_string(i)).c_str(),
                                          page.c_str(), NoFlags);
        }
    });
    MindMap map;
    ASSERT_TRUE(convert(map, pdf, "/tmp/Flat.pdf"));
    ASSERT_EQ(map.nodes().size(), size_t{Bookmarks} + 1);
    const MindMapNode* theme = map.centralThemes().at(0);
    ASSERT_EQ(theme->childCount(), size_t{Bookmarks});
    EXPECT_EQ(theme->children().back()->text(), "Bookmark 39999");
    EXPECT_EQ(linkOf(theme->children().back()), "/tmp/Flat.pdf#page=10");
}

// A manual from a Debian documentation package, written by another program (skipped when the
// package cannot be fetched).
TEST_F(PdfBookmarks, ARealManual)
{
    const char* sourceFolder = std::getenv("TARNWICK_TEST_SOURCE_DIR");
    const fs::path source = sourceFolder ? fs::path(sourceFolder) : fs::path(TARNWICK_SOURCE_DIR);
    const fs::path folder = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "test-data" / "real-files";
    const std::string command = "bash '" + (source / "tests/formats/data/fetch-real-pdf.sh").string() + "' '" +
        folder.string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) GTEST_SKIP() << "the PDF of another program could not be fetched";
    const fs::path file = folder / "pdf" / "live-manual.pdf";
    std::ifstream in(file, std::ios::binary);
    const Bytes pdf{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    MindMap map;
    ASSERT_TRUE(convert(map, pdf, file.string()));
    EXPECT_EQ(treeOf(map).substr(0, 12), "live-manual\n");
    ASSERT_NE(named(map, "1. About this manual"), nullptr);
    // The manual's 143 bookmarks, each naming one of its 31 pages or nothing.
    EXPECT_EQ(map.nodes().size(), 144u);
    for (MindMapNode* node : map.nodes()) {
        const std::string link = linkOf(node);
        const size_t mark = link.find("#page=");
        if (mark != std::string::npos) {
            EXPECT_LE(std::atoi(link.c_str() + mark + 6), 31) << link;
        }
    }
}

} // namespace
