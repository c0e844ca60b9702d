#include "editor-view/TextPastes.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// A pasteboard whose owner answers when the test says, as another program does.
class LatePasteboard : public MemoryPasteboard {
public:
    void read(const std::vector<std::string>&, const PasteboardRequester& requester, ReadCompletion done) const override
    {
        _waiting.emplace_back(requester.token(), std::move(done));
    }
    void answer(const std::string& text)
    {
        MemoryPasteboard contents;
        contents.declareTypes({StringType});
        contents.setString(text, StringType);
        for (auto& [requester, done] : std::exchange(_waiting, {}))
            if (!requester.expired()) done(contents);
    }

private:
    mutable std::vector<std::pair<std::weak_ptr<const void>, ReadCompletion>> _waiting;
};

TEST(TextPastesTest, AnAimedRangeMovesWithTheEditsMadeBeforeTheTextComes)
{
    struct Case {
        const char* name;
        TextRange aim;
        TextEdit edit;
        TextRange moved;
    };
    const Case cases[] = {
        {"typed before", {4, 2}, {1, "", "ab"}, {6, 2}},
        {"typed at its start", {4, 0}, {4, "", "ab"}, {6, 0}},
        {"typed at its end", {4, 2}, {6, "", "ab"}, {4, 2}},
        {"typed after", {4, 2}, {9, "", "ab"}, {4, 2}},
        {"deleted before", {4, 2}, {0, "abc", ""}, {1, 2}},
        {"deleted up to its start", {4, 2}, {2, "ab", ""}, {2, 2}},
        {"replaced within", {4, 2}, {5, "x", "yz"}, {7, 0}},
        {"deleted across its start", {4, 2}, {3, "ab", ""}, {3, 0}},
        {"counted in UTF-16 units", {4, 0}, {0, "", "\xF0\x9F\x98\x80\xC3\xA9"}, {7, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(TextPastes::rangeAfterEdit(c.aim, c.edit), c.moved) << c.name;
}

TEST(TextPastesTest, TheTextGoesWhereItWasAimedWhileItsTextIsStillEdited)
{
    LatePasteboard source;
    TextPastes pastes;
    std::vector<std::pair<std::optional<TextRange>, std::string>> inserted;
    const auto insert = [&](std::optional<TextRange> range, const std::string& text) {
        inserted.emplace_back(range, text);
    };
    pastes.read(source, TextRange{3, 1}, insert);
    pastes.read(source, std::nullopt, insert);
    pastes.textDidChange({0, "", "ab"});
    source.answer("late");
    ASSERT_EQ(inserted.size(), 2u);
    EXPECT_EQ(inserted[0].first, (TextRange{5, 1}));
    EXPECT_EQ(inserted[1].first, std::nullopt) << "the selection when the text comes";

    inserted.clear();
    pastes.read(source, TextRange{0, 0}, insert);
    pastes.dropReads();
    pastes.textDidChange({0, "", "ab"});
    source.answer("after the text was left");
    EXPECT_TRUE(inserted.empty());
}

} // namespace
