#pragma once

#include "platform/AttributedString.h"
#include "platform/Font.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Span types of the markup, by marker: "*" bold, "_" italic, "~" underline, "~~" strikethrough,
// "^^" superscript, ",," subscript.
enum MarkdownSpanType : unsigned {
    MarkdownSpanBold = 1,
    MarkdownSpanItalic = 2,
    MarkdownSpanUnderline = 3,
    MarkdownSpanStrikethrough = 4,
    MarkdownSpanSuperscript = 5,
    MarkdownSpanSubscript = 6,
};

// Font-effect bits of a text style that the conversion applies to a whole text.
enum MarkdownBaseEffect : unsigned {
    MarkdownStrikethroughEffect = 4,
    MarkdownUnderlineEffect = 8,
};

// One recognised span. Positions count UTF-16 units: startPos and endPos are those of the opening
// and closing markers in the raw text, resultStartPos and resultEndPos those of the span's content
// in the filtered text.
class MarkdownSpanNode {
public:
    explicit MarkdownSpanNode(unsigned spanType) : _spanType(spanType) {}

    unsigned spanType() const { return _spanType; }
    int64_t startPos() const { return _startPos; }
    void setStartPos(int64_t position) { _startPos = position; }
    int64_t endPos() const { return _endPos; }
    void setEndPos(int64_t position) { _endPos = position; }
    int64_t resultStartPos() const { return _resultStartPos; }
    void setResultStartPos(int64_t position) { _resultStartPos = position; }
    int64_t resultEndPos() const { return _resultEndPos; }
    void setResultEndPos(int64_t position) { _resultEndPos = position; }

    bool isFontSpanType() const { return _spanType == MarkdownSpanBold || _spanType == MarkdownSpanItalic; }
    bool isFontEffectSpanType() const
    {
        return _spanType == MarkdownSpanUnderline || _spanType == MarkdownSpanStrikethrough;
    }
    bool isScriptSpanType() const { return _spanType == MarkdownSpanSuperscript || _spanType == MarkdownSpanSubscript; }
    bool isEmptyResultSpan() const { return _resultEndPos <= _resultStartPos; }

private:
    unsigned _spanType;
    int64_t _startPos = 0;
    int64_t _endPos = 0;
    int64_t _resultStartPos = 0;
    int64_t _resultEndPos = 0;
};

// One end of a span. The span belongs to the parser's span list.
class MarkdownSpanToken {
public:
    MarkdownSpanToken(MarkdownSpanNode* spanNode, bool isStartToken) : _isStartToken(isStartToken), _spanNode(spanNode)
    {
    }
    static MarkdownSpanToken markdownSpanToken(MarkdownSpanNode* spanNode, bool isStartToken)
    {
        return MarkdownSpanToken(spanNode, isStartToken);
    }

    bool isStartToken() const { return _isStartToken; }
    MarkdownSpanNode* spanNode() const { return _spanNode; }
    int64_t position() const { return _isStartToken ? _spanNode->startPos() : _spanNode->endPos(); }
    int64_t resultPosition() const { return _isStartToken ? _spanNode->resultStartPos() : _spanNode->resultEndPos(); }

private:
    bool _isStartToken;
    MarkdownSpanNode* _spanNode;
};

// One parse of one raw text with span markup, into an attributed display text (markers removed,
// fonts, effects and superscript levels applied) or into plain filtered text. Positions count
// UTF-16 units, as the attributed text's ranges do. While the markup is switched off
// (MarkdownSettingsNexus), raw text is shown as it stands.
class MarkdownSpanParser {
public:
    // baseFont may be absent when only filtering. baseEffects: MarkdownBaseEffect bits.
    MarkdownSpanParser(std::string text, std::optional<Font> baseFont, unsigned baseEffects);

    // Makes the settings holder; called once at start-up.
    // Waits for its caller in the shell.
    static void initMarkdownSupport();

    static AttributedString markdownToAttributedString(const std::string& text, const Font& baseFont,
                                                       unsigned baseEffects);
    // The text without markers; the raw text itself when there is nothing to remove.
    static std::string markdownFilteredString(const std::string& text);
    // Whether the text has a character that may open or close a span ("*", "_", "~", "^^", ",,").
    static bool mayHoldSpans(std::string_view text);
    // The last byte offset at or before the given one where the text can be cut without cutting
    // into a span or a two-character marker ("^^", ",,", "~~"): a cut inside a span goes back to
    // before its opening marker, as the span would not close in what is kept. Spans are those of
    // the whole text, whether or not the markup is switched on now.
    static size_t offsetOutsideSpans(std::string_view text, size_t offset);
    // The text whole in the base font and effects, as a text without spans is shown.
    static AttributedString withoutSpans(const std::string& text, const std::optional<Font>& baseFont,
                                         unsigned baseEffects);

    // The steps, in the order in which they run.
    void parseText();
    void buildFilteredText();
    void scanUsedTraits(unsigned& traits) const;   // ORs FontTraitMask bits
    void scanUsedEffects(unsigned& effects) const; // ORs MarkdownBaseEffect bits
    void insertFontAttributes(unsigned usedTraits);
    void insertSuperscriptAttributes();
    void insertAttributes();
    void parseAndConvert();
    std::string parseAndFilter();

    const std::vector<MarkdownSpanToken>& tokens() const { return _tokens; }
    std::string filteredText() const;

private:
    void convertWithoutSpans();

    std::string _text;
    std::u16string _units; // _text in UTF-16 units, the unit of every position
    std::optional<Font> _baseFont;
    unsigned _baseEffects = 0;
    std::vector<std::unique_ptr<MarkdownSpanNode>> _spanNodes; // in the order they closed
    std::vector<MarkdownSpanToken> _tokens;                    // sorted by position
    std::u16string _filteredText;
    AttributedString _attributedString;
};
