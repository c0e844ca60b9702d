#include "platform/Graphemes.h"

#include "platform/Utf8.h"

#include <unicode/brkiter.h>
#include <unicode/utext.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace {

// The end of the character at pos when plain ASCII settles it, else 0. An ASCII character is
// never a mark, a joiner or a prefix, so one followed by ASCII (or by nothing) ends there; CR LF
// is one character, and a control character stands alone whatever follows.
size_t asciiEnd(std::string_view text, size_t pos)
{
    const auto c = static_cast<unsigned char>(text[pos]);
    if (c >= 0x80) return 0;
    const bool last = pos + 1 == text.size();
    if (c == '\r') return !last && text[pos + 1] == '\n' ? pos + 2 : pos + 1;
    if (c < 0x20 || c == 0x7F || last || static_cast<unsigned char>(text[pos + 1]) < 0x80) return pos + 1;
    return 0;
}

icu::BreakIterator* clusterIterator()
{
    thread_local const std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) made.reset();
        return made;
    }();
    return iterator.get();
}

// The end of at most maximum code points from pos, within the cluster up to end.
size_t cappedEnd(std::string_view text, size_t pos, size_t end, size_t maximum)
{
    size_t capped = pos;
    for (size_t i = 0; i < maximum && capped < end; ++i) Utf8::decodeNext(text, capped);
    return std::min(capped, end);
}

// Calls visit(end) with the end of each character in order, until it answers false.
template <typename Visit> void walk(std::string_view text, size_t maximumCodePoints, Visit visit)
{
    using UTextPointer = std::unique_ptr<UText, decltype(&utext_close)>;
    UTextPointer utext(nullptr, &utext_close);
    icu::BreakIterator* clusters = nullptr;
    bool prepared = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = asciiEnd(text, pos);
        if (end == 0) {
            if (!prepared) {
                prepared = true;
                UErrorCode status = U_ZERO_ERROR;
                clusters = text.size() < INT32_MAX ? clusterIterator() : nullptr;
                if (clusters) {
                    utext.reset(utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status));
                    if (U_SUCCESS(status)) clusters->setText(utext.get(), status);
                    if (U_FAILURE(status)) clusters = nullptr;
                }
            }
            if (clusters) {
                // Forward from where the iterator stands; after a run of ASCII it starts anew at pos.
                const int32_t next = clusters->current() == static_cast<int32_t>(pos)
                    ? clusters->next()
                    : clusters->following(static_cast<int32_t>(pos));
                end = next == icu::BreakIterator::DONE || next <= static_cast<int32_t>(pos) ? text.size()
                                                                                            : static_cast<size_t>(next);
            } else {
                // Without the break rules every code point is a character.
                end = pos;
                Utf8::decodeNext(text, end);
            }
            // No cluster of fewer bytes has more code points.
            if (end - pos > maximumCodePoints) end = cappedEnd(text, pos, end, maximumCodePoints);
        }
        if (!visit(end)) break;
        pos = end;
    }
    // The iterator outlives this text: it must not keep pointing into it.
    if (clusters) {
        UErrorCode status = U_ZERO_ERROR;
        UTextPointer empty(utext_openUTF8(nullptr, "", 0, &status), &utext_close);
        if (U_SUCCESS(status)) clusters->setText(empty.get(), status);
    }
}

} // namespace

namespace Graphemes {

size_t count(std::string_view text, size_t maximumCodePoints)
{
    size_t characters = 0;
    walk(text, maximumCodePoints, [&](size_t) {
        ++characters;
        return true;
    });
    return characters;
}

size_t offsetAfter(std::string_view text, size_t characters, size_t maximumCodePoints)
{
    if (characters == 0) return 0;
    size_t offset = text.size();
    size_t counted = 0;
    walk(text, maximumCodePoints, [&](size_t end) {
        if (++counted < characters) return true;
        offset = end;
        return false;
    });
    return offset;
}

size_t boundaryAtOrBefore(std::string_view text, size_t offset, size_t maximumCodePoints)
{
    if (offset >= text.size()) return text.size();
    if (offset == 0) return 0;
    // Between two ASCII characters other than CR LF there is always a boundary.
    const auto before = static_cast<unsigned char>(text[offset - 1]);
    const auto at = static_cast<unsigned char>(text[offset]);
    if (before < 0x80 && at < 0x80 && !(before == '\r' && at == '\n')) return offset;
    size_t boundary = 0;
    walk(text, maximumCodePoints, [&](size_t end) {
        if (end > offset) return false;
        boundary = end;
        return true;
    });
    return boundary;
}

} // namespace Graphemes
