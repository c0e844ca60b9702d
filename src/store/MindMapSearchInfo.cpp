#include "store/MindMapSearchInfo.h"

#include "platform/Utf8.h"
#include "store/MindMapProvider.h"

#include <glib.h>

#include <memory>

namespace {

struct GFreeDeleter {
    void operator()(gchar* p) const { g_free(p); }
};
using GText = std::unique_ptr<gchar, GFreeDeleter>;

MindMapSearchInfo::FullTextScanner& fullTextScanner()
{
    static MindMapSearchInfo::FullTextScanner scanner;
    return scanner;
}

// Invalid sequences and NUL characters become U+FFFD, so that GLib sees the whole text.
std::string repairedText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t start = pos;
        const char32_t c = Utf8::decodeNext(text, pos);
        if (c == Utf8::Invalid || c == 0) {
            Utf8::append(out, 0xFFFD);
        } else {
            out.append(text, start, pos - start);
        }
    }
    return out;
}

bool containsFolded(const std::string& haystack, const std::string& foldedNeedle)
{
    return MindMapSearchInfo::foldForSearch(haystack).find(foldedNeedle) != std::string::npos;
}

} // namespace

MindMapSearchInfo::MindMapSearchInfo(const std::string& mindMapId, MindMapProvider* provider)
    : _id(mindMapId), _provider(provider)
{
}

void MindMapSearchInfo::setFullTextScanner(FullTextScanner scanner)
{
    fullTextScanner() = std::move(scanner);
}

std::string MindMapSearchInfo::foldForSearch(const std::string& text)
{
    if (text.empty()) return {};
    GText folded(g_utf8_casefold(repairedText(text).c_str(), -1));
    GText decomposed(g_utf8_normalize(folded.get(), -1, G_NORMALIZE_NFD));
    const gchar* source = decomposed ? decomposed.get() : folded.get();
    std::string out;
    for (const gchar* p = source; *p; p = g_utf8_next_char(p)) {
        if (g_unichar_ismark(g_utf8_get_char(p))) continue;
        out.append(p, static_cast<size_t>(g_utf8_next_char(p) - p));
    }
    return out;
}

void MindMapSearchInfo::clearFullText()
{
    _fullText.reset();
    _foldedFullText.clear();
}

bool MindMapSearchInfo::isSearchMatch(const std::string& searchText, bool fullTextSearch)
{
    return matchesFolded(foldForSearch(searchText), fullTextSearch);
}

bool MindMapSearchInfo::matchesFolded(const std::string& foldedSearchText, bool fullTextSearch)
{
    if (_nativeMatch) return true;
    // An empty search text is contained nowhere.
    if (foldedSearchText.empty()) return false;
    if (containsFolded(_title, foldedSearchText)) return true;
    if (!fullTextSearch) return false;
    if (!_fullText) {
        if (!_timestamp) return false;
        loadFullText();
    }
    for (const std::string& text : _foldedFullText) {
        if (text.find(foldedSearchText) != std::string::npos) return true;
    }
    return false;
}

void MindMapSearchInfo::loadFullText()
{
    // Loaded once, even when nothing could be read, until clearFullText().
    _fullText.emplace();
    _foldedFullText.clear();
    const FullTextScanner& scanner = fullTextScanner();
    if (!scanner || !_provider) return;
    const std::optional<std::vector<uint8_t>> data = _provider->getMindMapXmlScanData(_id);
    if (!data) return;
    std::optional<std::vector<std::string>> texts = scanner(*data);
    if (!texts) return;
    _fullText = std::move(*texts);
    _foldedFullText.reserve(_fullText->size());
    for (const std::string& text : *_fullText) _foldedFullText.push_back(foldForSearch(text));
}
