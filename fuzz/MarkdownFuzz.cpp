#include "FuzzHome.h"

// Markdown span markup over arbitrary bytes: the conversion and the filter must not crash, and every
// attribute run of the display text must lie inside the text.
#include "MindMaps/MarkdownSpanParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    // The first byte picks the base effects and font, the rest is the raw text.
    const unsigned effects = data[0] & 0x0F;
    const Font font("Helvetica", 12, (data[0] & 0x10) != 0, (data[0] & 0x20) != 0);
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    AttributedString attributed = MarkdownSpanParser::markdownToAttributedString(text, font, effects);
    const size_t length = attributed.length();
    if (length != utf16Length(attributed.string())) abort();
    size_t previousEnd = 0;
    for (const AttributedString::Run& run : attributed.runs()) {
        if (run.range.length == 0 || run.range.location < previousEnd || run.range.end() > length) abort();
        previousEnd = run.range.end();
    }

    std::string filtered = MarkdownSpanParser::markdownFilteredString(text);
    // Only markers are ever taken out; invalid bytes may grow into three-byte replacement characters.
    if (filtered.size() > text.size() * 3) abort();
    return 0;
}
