// The native document written as bytes, as text and handed on in pieces: the same document every
// way, whatever size the map is and however far it outgrows the room reserved for it.

#include "TwkxTestSupport.h"

#include "MindMaps/MindMapNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

using namespace twkxtest;

TEST(TwkxDocumentBytesTest, BytesAndTextAreTheSameDocument)
{
    struct Case {
        const char* name;
        size_t topics;
        size_t textLength;
    };
    // Room is reserved by the number of topics: a few topics of very long texts outgrow it many
    // times over, many short ones fill it step by step.
    const Case cases[] = {
        {"only the theme", 0, 4},
        {"a few topics", 3, 10},
        {"long texts beyond the room", 4, 300000},
        {"many topics", 5000, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MindMap map;
        MindMapNode* theme = map.internalAddCentralTheme("Theme");
        for (size_t i = 0; i < c.topics; ++i) {
            MindMapNode* topic = map.addMindMapNodeAsChild(theme, {});
            topic->setText(std::string(c.textLength, static_cast<char>('a' + i % 26)) + " & <" + std::to_string(i));
        }
        const MindMapData bytes = TwkxMindMapWriter::writeMindMap(map);
        const std::string text = TwkxMindMapWriter::captureUndoState(map);
        ASSERT_EQ(textOf(bytes), text);
        std::string joined;
        size_t pieces = 0;
        size_t largest = 0;
        TwkxMindMapWriter::writeMindMapInPieces(map, [&](std::string_view piece) {
            joined += piece;
            ++pieces;
            largest = std::max(largest, piece.size());
        });
        EXPECT_EQ(joined, text);
        // A large document is never held whole; a long text is one piece at most.
        if (text.size() > 1024 * 1024) {
            EXPECT_GT(pieces, 3u);
            EXPECT_LT(largest, c.textLength + 512 * 1024);
        }
        ASSERT_GE(bytes.size(), 3u);
        EXPECT_EQ(textOf(MindMapData(bytes.begin(), bytes.begin() + 3)), "\xEF\xBB\xBF");

        MindMap reread;
        ASSERT_TRUE(loadDocument(reread, text));
        EXPECT_EQ(reread.nodes().size(), c.topics + 1);
    }
}
