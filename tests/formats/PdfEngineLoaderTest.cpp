#include "PdfTestSupport.h"

#include "formats/PdfDocumentReader.h"
#include "formats/PdfEngine.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cairo.h>

using namespace pdftest;

namespace {

std::string builtModule()
{
    const std::vector<std::string> paths = PdfEngineLoader::modulePaths();
    return paths.empty() ? std::string() : paths.front();
}

TEST(PdfEngineLoader, ExplainsEveryPathThatHoldsNoModule)
{
    TempDir dir;
    writeTestFile(dir.file("text.so"), "not a shared object");
    const struct {
        const char* name;
        std::vector<std::string> paths;
        std::vector<std::string> inError;
    } cases[] = {
        {"nowhere to look", {}, {"no place to look"}},
        {"missing file", {dir.file("absent.so")}, {dir.file("absent.so")}},
        {"not a shared object", {dir.file("text.so")}, {dir.file("text.so")}},
        // A real library, but none of ours: it has no entry point.
        {"another library", {"libm.so.6"}, {"libm.so.6: not a PDF module"}},
        {"every reason, in order", {dir.file("absent.so"), "libm.so.6"}, {dir.file("absent.so"), "; libm.so.6"}},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(PdfEngineLoader::load(c.paths, error), nullptr) << c.name;
        for (const std::string& part : c.inError)
            EXPECT_NE(error.find(part), std::string::npos) << c.name << ": " << error;
    }
}

TEST(PdfEngineLoader, TakesTheFirstPathThatHoldsTheModule)
{
    TempDir dir;
    std::string error;
    const PdfEngine* engine = PdfEngineLoader::load({dir.file("absent.so"), "libm.so.6", builtModule()}, error);
    ASSERT_NE(engine, nullptr) << error;
    EXPECT_EQ(engine->version, PdfEngine::CurrentVersion);
    EXPECT_TRUE(error.empty());
    // The program's own loading finds the same module, once.
    EXPECT_EQ(PdfEngineLoader::get(), engine);
    EXPECT_EQ(PdfDocumentReader::unavailableReason(), "");
}

TEST(PdfEngineLoader, RendererAgreesWithTheReaderAndDrawsThePage)
{
    const Bytes bytes = cairoPdf(3, nullptr);
    const auto reader = PdfDocumentReader::openData(bytes);
    ASSERT_NE(reader, nullptr);
    const auto renderer = reader->pageRenderer();
    ASSERT_NE(renderer, nullptr);
    EXPECT_EQ(renderer->pageCount(), 3);

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 40, 40);
    cairo_t* context = cairo_create(surface);
    // Pages out of range draw nothing and leave the context as it was.
    for (int page : {0, 4, -1}) renderer->renderPage(page, context, 40, 40);
    cairo_matrix_t matrix;
    cairo_get_matrix(context, &matrix);
    EXPECT_EQ(matrix.xx, 1.0);
    EXPECT_EQ(matrix.yy, 1.0);
    renderer->renderPage(1, context, 40, 40);
    cairo_get_matrix(context, &matrix);
    EXPECT_EQ(matrix.xx, 1.0) << "a drawn page restores the context's scale";
    cairo_surface_flush(surface);
    const unsigned char* pixels = cairo_image_surface_get_data(surface);
    size_t inked = 0;
    for (int i = 0; i < cairo_image_surface_get_stride(surface) * 40; ++i) inked += pixels[i] != 0;
    EXPECT_GT(inked, 0u) << "the page is drawn";
    cairo_destroy(context);
    cairo_surface_destroy(surface);

    for (const Bytes& bad : {Bytes(), Bytes{'%', 'P', 'D', 'F'}})
        EXPECT_EQ(PdfEngineLoader::get()->openRenderer(bad.data(), bad.size()), nullptr) << bad.size();
}

} // namespace
