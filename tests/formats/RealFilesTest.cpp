// Files written by other programs: OPML feed lists and outlines fetched from the Debian packages
// that ship them (tests/formats/data/fetch-real-files.sh; skipped when they cannot be fetched).

#include "FilerTestSupport.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "formats/MindMapConverter.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace filertest;
namespace fs = std::filesystem;

namespace {

std::string fileText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The tree an OPML reader should find, worked out from the document itself: the "outline"
// elements under "body", nested, with "text" (or "unnamed") and "_note".
std::string expectedOpmlTree(const std::string& document)
{
    pugi::xml_document parsed;
    if (!parsed.load_string(document.c_str())) return "not XML";
    std::string tree;
    std::vector<std::pair<pugi::xml_node, size_t>> pending;
    auto addOutlines = [&](pugi::xml_node parent, size_t level) {
        std::vector<pugi::xml_node> outlines;
        for (pugi::xml_node outline : parent.children("outline")) outlines.push_back(outline);
        for (auto it = outlines.rbegin(); it != outlines.rend(); ++it) pending.emplace_back(*it, level);
    };
    addOutlines(parsed.document_element().child("body"), 0);
    while (!pending.empty()) {
        auto [outline, level] = pending.back();
        pending.pop_back();
        const pugi::xml_attribute text =
            outline.attribute("text") ? outline.attribute("text") : outline.attribute("title");
        tree += std::string(level * 2, ' ') + (text ? text.value() : "unnamed");
        if (*outline.attribute("_note").value()) tree += std::string(" | ") + outline.attribute("_note").value();
        tree += '\n';
        addOutlines(outline, level + 1);
    }
    return tree;
}

class RealOpmlFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const char* sourceFolder = std::getenv("TARNWICK_TEST_SOURCE_DIR");
        const fs::path source = sourceFolder ? fs::path(sourceFolder) : fs::path(TARNWICK_SOURCE_DIR);
        // Kept in the build tree beside the test programs, fetched once for every later run.
        const fs::path folder =
            fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "test-data" / "real-files";
        const std::string command = "bash '" + (source / "tests/formats/data/fetch-real-files.sh").string() + "' '" +
            folder.string() + "' >/dev/null 2>&1";
        files.clear();
        if (std::system(command.c_str()) != 0) return;
        for (const auto& entry : fs::directory_iterator(folder / "opml")) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
    }
    void SetUp() override
    {
        if (files.empty()) GTEST_SKIP() << "the OPML files of other programs could not be fetched";
    }

    static inline std::vector<fs::path> files;
    ScopedFakeMeasurer measurer;
};

TEST_F(RealOpmlFiles, EveryFileImportsWithItsTree)
{
    size_t topics = 0;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::string document = fileText(file);
        MindMap map;
        Error error;
        ASSERT_TRUE(readAs(map, document, MindMapReadFormat::Opml, &error)) << error.localizedDescription;
        // Long topics are wrapped when imported; the wrap breaks lines where blanks were.
        EXPECT_EQ(treeOf(map, ' '), expectedOpmlTree(document));
        topics += map.nodes().size();
    }
    EXPECT_GE(files.size(), 20u);
    EXPECT_GT(topics, 500u);
}

TEST_F(RealOpmlFiles, ExportedAndReadAgainKeepTheirTree)
{
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        MindMap map;
        ASSERT_TRUE(readAs(map, fileText(file), MindMapReadFormat::Opml));
        const std::string tree = treeOf(map);
        // FreeMind has one root: several central themes come back under one named after the map
        // (whose long name the import wraps as it likes).
        const bool severalThemes = map.centralThemes().size() > 1;
        std::string underOneRoot;
        for (size_t start = 0; start < tree.size();) {
            const size_t end = tree.find('\n', start);
            underOneRoot += "  " + tree.substr(start, end + 1 - start);
            start = end + 1;
        }
        MindMap fromOpml;
        ASSERT_TRUE(readAs(fromOpml, textOf(MindMapConverter::exportToOpml(map)), MindMapReadFormat::Opml));
        EXPECT_EQ(treeOf(fromOpml), tree);
        MindMap fromFreemind;
        ASSERT_TRUE(readAs(fromFreemind, textOf(MindMapConverter::exportToFreemind(map)), MindMapReadFormat::FreeMind));
        const std::string readBack = treeOf(fromFreemind);
        if (severalThemes) {
            EXPECT_EQ(fromFreemind.centralThemes().size(), 1u);
            EXPECT_EQ(readBack.substr(readBack.find('\n') + 1), underOneRoot);
        } else {
            EXPECT_EQ(readBack, tree);
        }
    }
}

} // namespace
