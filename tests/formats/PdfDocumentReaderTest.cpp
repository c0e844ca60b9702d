#include "PdfTestSupport.h"

#include "formats/PdfDocumentReader.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace pdftest;

namespace {

constexpr auto NoFlags = cairo_pdf_outline_flags_t(0);

TEST(PdfDocumentReader, RefusesWhatIsNoPdf)
{
    const Bytes good = cairoPdf(2, nullptr);
    ASSERT_FALSE(good.empty());
    const std::string header = "%PDF-1.5\n";
    const struct {
        const char* name;
        Bytes data;
    } cases[] = {
        {"empty", Bytes()},
        {"text", Bytes{'h', 'e', 'l', 'l', 'o'}},
        {"header only", Bytes(header.begin(), header.end())},
        {"first bytes of a PDF", Bytes(good.begin(), good.begin() + good.size() / 8)},
        {"NUL bytes", Bytes(4096, 0)},
    };
    for (const auto& c : cases) EXPECT_EQ(PdfDocumentReader::openData(c.data), nullptr) << c.name;
}

TEST(PdfDocumentReader, OpensOnlyExistingRegularFiles)
{
    TempDir dir;
    const std::filesystem::path pdf = std::filesystem::path(dir.path()) / "Report.pdf";
    const Bytes bytes = cairoPdf(3, nullptr);
    std::ofstream(pdf, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    const std::filesystem::path broken = std::filesystem::path(dir.path()) / "broken.pdf";
    std::ofstream(broken) << "%PDF-1.4\nnothing else";

    const auto reader = PdfDocumentReader::openFile(pdf.string());
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->pageCount(), 3);
    for (const std::string& path : {std::string(), (std::filesystem::path(dir.path()) / "missing.pdf").string(),
                                    dir.path(), broken.string(), pdf.string() + std::string(1, '\0') + "x"})
        EXPECT_EQ(PdfDocumentReader::openFile(path), nullptr) << path;
}

TEST(PdfDocumentReader, PagesAndOutline)
{
    const Bytes pdf = cairoPdf(4, [](cairo_surface_t* surface) {
        cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, "Intro", "page=1", NoFlags);
        const int chapter =
            cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, "Chapter", "page=3", NoFlags);
        cairo_pdf_surface_add_outline(surface, chapter, "Section", "page=4", NoFlags);
    });
    const auto reader = PdfDocumentReader::openData(pdf);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->pageCount(), 4);
    ASSERT_TRUE(reader->pageSize(1));
    EXPECT_DOUBLE_EQ(reader->pageSize(1)->width, 200);
    EXPECT_DOUBLE_EQ(reader->pageSize(4)->height, 200);
    EXPECT_FALSE(reader->pageSize(0));
    EXPECT_FALSE(reader->pageSize(5));

    EXPECT_TRUE(reader->hasOutline());
    const auto outline = reader->outline();
    ASSERT_EQ(outline.size(), 3u);
    EXPECT_EQ(outline[0].label, "Intro");
    EXPECT_EQ(outline[0].page, 1);
    EXPECT_EQ(outline[0].parent, PdfDocumentReader::NoParent);
    EXPECT_EQ(outline[1].label, "Chapter");
    EXPECT_EQ(outline[1].page, 3);
    EXPECT_EQ(outline[2].label, "Section");
    EXPECT_EQ(outline[2].parent, 1u);
    EXPECT_EQ(outline[2].depth, 2u);
    EXPECT_EQ(outline[2].page, 4);
}

TEST(PdfDocumentReader, NoOutlineAndOutlineLoopingBack)
{
    const auto plain = PdfDocumentReader::openData(cairoPdf(1, nullptr));
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->hasOutline());
    EXPECT_TRUE(plain->outline().empty());

    // The second item's Next leads back to the first, and the first's First into the outline.
    std::vector<std::string> objects = rawPdfStart("<< /Type /Outlines /First 5 0 R /Last 6 0 R >>");
    objects.push_back("<< /Title (A) /Parent 4 0 R /Next 6 0 R /First 4 0 R >>");
    objects.push_back("<< /Title (B) /Parent 4 0 R /Next 5 0 R /Dest [3 0 R /Fit] >>");
    const auto looping = PdfDocumentReader::openData(rawPdf(objects));
    ASSERT_NE(looping, nullptr);
    const auto outline = looping->outline();
    ASSERT_EQ(outline.size(), 2u);
    EXPECT_EQ(outline[1].label, "B");
    EXPECT_EQ(outline[1].page, 1);
    EXPECT_FALSE(outline[0].page);
    EXPECT_TRUE(looping->hasOutline());

    // An outline whose first entry is the outline itself has no bookmark, and says so.
    const auto selfish =
        PdfDocumentReader::openData(rawPdf(rawPdfStart("<< /Type /Outlines /First 4 0 R /Last 4 0 R >>")));
    ASSERT_NE(selfish, nullptr);
    EXPECT_TRUE(selfish->outline().empty());
    EXPECT_FALSE(selfish->hasOutline());
}

} // namespace

namespace {

// A damaged file may have its objects repaired while its outline is read: the answers before and
// after that reading are those of the reading itself.
TEST(PdfDocumentReader, AnswersAboutTheOutlineAgreeWhateverTheOrderAsked)
{
    const std::filesystem::path corpus = std::filesystem::path(TARNWICK_SOURCE_DIR) / "fuzz/corpus/PdfOutline";
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        const std::string name = entry.path().filename().string();
        for (bool outlineFirst : {false, true}) {
            const auto reader = PdfDocumentReader::openFile(entry.path().string());
            if (!reader) continue;
            if (outlineFirst) {
                const size_t items = reader->outline().size();
                EXPECT_EQ(reader->hasOutline(), items > 0) << name;
            } else {
                const bool has = reader->hasOutline();
                EXPECT_EQ(reader->outline().empty(), !has) << name;
                EXPECT_EQ(reader->hasOutline(), has) << name;
            }
            ++files;
        }
    }
    EXPECT_GE(files, 2 * 7u) << "the corpus's PDFs were read";
}

} // namespace
