#include "platform/TextExcerpt.h"

#include "platform/Graphemes.h"
#include "platform/Utf8.h"

namespace {

bool isLineEnd(char32_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

} // namespace

namespace TextExcerpt {

std::string excerpt(std::string_view text, Bounds bounds)
{
    const size_t end = Graphemes::offsetAfter(text, bounds.characters, Graphemes::StreamSafeCodePoints);
    bool cut = end < text.size();
    std::string shown;
    shown.reserve(end + Ellipsis.size());
    size_t lines = 1;
    size_t pos = 0;
    while (pos < end) {
        size_t next = pos;
        const char32_t c = Utf8::decodeNext(text, next);
        if (isLineEnd(c)) {
            if (c == '\r' && next < text.size() && text[next] == '\n') ++next;
            if (bounds.lines <= 1) {
                shown += ' ';
                pos = next;
                continue;
            }
            // A line end with nothing after it leaves out nothing the user would miss.
            if (lines == bounds.lines) {
                cut = next < text.size();
                break;
            }
            ++lines;
        }
        shown.append(text.substr(pos, next - pos));
        pos = next;
    }
    if (cut) shown += Ellipsis;
    return shown;
}

} // namespace TextExcerpt
