#include "layout/WordWrapState.h"

#include "MindMaps/TextSizeCalculator.h"
#include "support/FakeTextMeasurer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// Measures its text in its font and records every wrapped text it is given.
class TestElement : public WordWrappableElement {
public:
    TestElement(std::string text, Font font, Size minSize = {})
        : _text(std::move(text)), _font(std::move(font)), _minSize(minSize)
    {
    }

    const std::string& text() const override { return _text; }
    Size textSize() override { return calcTextSize(_text); }
    Size minTextSize() override { return _minSize; }
    Size calcTextSize(const std::string& text) override
    {
        return TextSizeCalculator::instance().sizeForText(text, _font);
    }
    void applyWrappedText(const std::string& text) override
    {
        applied.push_back(text);
        _text = text;
    }

    std::vector<std::string> applied;

private:
    std::string _text;
    Font _font;
    Size _minSize;
};

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> wordsOf(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream stream(text);
    for (std::string word; stream >> word;) words.push_back(word);
    return words;
}

// With the fake measurer at 10 points every UTF-16 unit is 6 wide.
class WordWrapStateTest : public ::testing::Test {
protected:
    void SetUp() override { TextMeasurer::setShared(&_measurer); }
    void TearDown() override { TextMeasurer::setShared(nullptr); }

    const Font _font{"Sans", 10};
    FakeTextMeasurer _measurer;
};

} // namespace

TEST_F(WordWrapStateTest, MinimumTextWidthBoundsTheRange)
{
    TestElement element("a b", _font, {40.4, 12});
    WordWrapState state(&element);
    EXPECT_EQ(40, state.minWrapWith());
    EXPECT_EQ(40, state.maxWrapWith()); // "a b" is only 18 wide
}

TEST_F(WordWrapStateTest, CurrentWidthOrUnchangedTextHandsNothingBack)
{
    TestElement element("a\n\nb", _font);
    WordWrapState state(&element);
    state.setWrapWidth(1);
    state.setWrapWidth(500);
    EXPECT_TRUE(element.applied.empty()) << "paragraphs and empty lines survive rewrapping";
}

TEST_F(WordWrapStateTest, NegativeWidthEndsWrappingWithoutTouchingTheText)
{
    TestElement element("aa bb cc", _font);
    WordWrapState state(&element);
    state.setWrapWidth(-5);
    EXPECT_EQ(-1, state.wrapWidth());
    EXPECT_TRUE(element.applied.empty());
    // After that any width counts as new.
    state.setWrapWidth(12);
    EXPECT_EQ("aa\nbb\ncc", element.text());
}

TEST_F(WordWrapStateTest, RewrapsFromTheWordsItStartedWith)
{
    TestElement element("one two three four five", _font);
    WordWrapState state(&element);
    state.setWrapWidth(1);
    EXPECT_EQ("one\ntwo\nthree\nfour\nfive", element.text());
    state.setWrapWidth(60);
    EXPECT_EQ("one two\nthree four\nfive", element.text());
    state.setWrapWidth(1000);
    EXPECT_EQ("one two three four five", element.text());
}

TEST_F(WordWrapStateTest, ManyWordsAtEveryWidthKeepTheirOrderAndFit)
{
    std::string text;
    for (int i = 0; i < 60; ++i) text += std::string(1 + (i * 7) % 9, char('a' + i % 26)) + " ";
    const std::vector<std::string> words = wordsOf(text);
    for (int64_t width = 54; width <= 400; width += 17) {
        TestElement element(text, _font);
        WordWrapState state(&element);
        state.setWrapWidth(width);
        EXPECT_EQ(words, wordsOf(element.text())) << width;
        const std::vector<std::string> lines = linesOf(element.text());
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_LE(element.calcTextSize(lines[i]).width, double(width)) << width << ": " << lines[i];
            // Each line takes every word that fits: the next line's first word would not.
            if (i + 1 < lines.size()) {
                const std::string longer = lines[i] + " " + wordsOf(lines[i + 1]).front();
                EXPECT_GT(element.calcTextSize(longer).width, double(width)) << width << ": " << longer;
            }
        }
    }
}
