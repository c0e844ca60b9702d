#include "MindMaps/TopicTextLimit.h"

#include "MindMaps/MarkdownSpanParser.h"
#include "platform/Graphemes.h"
#include "platform/Localizer.h"
#include "platform/NumberText.h"

#include <algorithm>

namespace {

std::string characters(size_t count)
{
    return formatInteger(static_cast<int64_t>(count));
}

// The cut at or before the offset that leaves neither a character nor a span in pieces. Moving
// back to a span's start may land inside a character only after a prefix mark, and the span rule
// is then asked again.
size_t wholeCut(std::string_view text, size_t offset)
{
    for (;;) {
        const size_t outside = MarkdownSpanParser::offsetOutsideSpans(text, offset);
        const size_t cut = Graphemes::boundaryAtOrBefore(text, outside, Graphemes::StreamSafeCodePoints);
        if (cut == offset) return cut;
        offset = cut;
    }
}

// Bytes at the text's start before it differs from the other.
size_t commonPrefix(std::string_view text, std::string_view other)
{
    return static_cast<size_t>(std::mismatch(text.begin(), text.end(), other.begin(), other.end()).first -
                               text.begin());
}

} // namespace

size_t TopicTextLimit::characterCount(std::string_view text)
{
    return Graphemes::count(text, Graphemes::StreamSafeCodePoints);
}

size_t TopicTextLimit::allowedCharacters(std::string_view previous)
{
    // No text of fewer bytes can have more characters.
    if (previous.size() <= MaximumCharacters) return MaximumCharacters;
    return std::max(MaximumCharacters, characterCount(previous));
}

size_t TopicTextLimit::fitInsertion(std::string_view before, std::string_view inserted, std::string_view after,
                                    size_t allowed, Error* error)
{
    if (before.size() + inserted.size() + after.size() <= allowed) return inserted.size();
    // Counted part by part: a mark that would join the character before the insertion counts as a
    // character of its own, which errs on the limit's side.
    const size_t around = characterCount(before) + characterCount(after);
    const size_t fits =
        Graphemes::offsetAfter(inserted, allowed > around ? allowed - around : 0, Graphemes::StreamSafeCodePoints);
    if (fits >= inserted.size()) return inserted.size();
    const size_t kept = wholeCut(inserted, fits);
    const size_t total = around + characterCount(inserted);
    setError(error,
             MakeAppError(CutErrorCode, localized("topic_text_cut_title"),
                          localizedFormat("topic_text_cut_reason", {characters(total), characters(allowed)})));
    return kept;
}

bool TopicTextLimit::fitText(std::string& text, std::string_view previous, Error* error)
{
    if (text.size() <= MaximumCharacters) return true;
    // The new part lies between what the text shares with the previous one at its start (from a
    // whole character on) and at its end.
    const size_t prefix =
        Graphemes::boundaryAtOrBefore(text, commonPrefix(text, previous), Graphemes::StreamSafeCodePoints);
    const auto shared = static_cast<std::ptrdiff_t>(std::min(text.size(), previous.size()) - prefix);
    const auto differs =
        std::mismatch(text.rbegin(), text.rbegin() + shared, previous.rbegin(), previous.rbegin() + shared).first;
    size_t end = text.size() - static_cast<size_t>(differs - text.rbegin());
    // The part after starts with a whole UTF-8 sequence.
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    const std::string_view whole(text);
    const size_t kept = fitInsertion(whole.substr(0, prefix), whole.substr(prefix, end - prefix), whole.substr(end),
                                     allowedCharacters(previous), error);
    if (kept == end - prefix) return true;
    text.erase(prefix + kept, end - prefix - kept);
    return false;
}

bool TopicTextLimit::acceptsCharacters(size_t count, Error* error)
{
    return count <= MaximumCharacters ||
        setError(error,
                 MakeAppError(
                     CutErrorCode, localized("topic_text_refused_title"),
                     localizedFormat("topic_text_refused_reason", {characters(count), characters(MaximumCharacters)})));
}

Error TopicTextLimit::cutTextsError(size_t count)
{
    return MakeAppError(CutErrorCode, localized("topic_text_cut_title"),
                        localizedFormat(count == 1 ? "topic_text_cut_once_reason" : "topic_texts_cut_reason",
                                        {characters(count), characters(MaximumCharacters)}));
}
