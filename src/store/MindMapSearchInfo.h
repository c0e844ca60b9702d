#pragma once

#include <any>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class MindMapProvider;

// One map in a provider's search cache: its title, the provider's own information about it, the
// modification date the entry describes and, once a full-text search needed it, the map's texts.
// Matching ignores case and diacritics.
class MindMapSearchInfo {
public:
    using Date = std::chrono::system_clock::time_point;
    // Reads a map's texts (topics, free texts, relation notes) out of its native document data;
    // nothing when the data does not read.
    using FullTextScanner = std::function<std::optional<std::vector<std::string>>(const std::vector<uint8_t>& data)>;

    // provider: not owned; it must outlive the entry (its search cache owns the entries).
    MindMapSearchInfo(const std::string& mindMapId, MindMapProvider* provider);

    // The scanner that turns document data into full text, installed by whoever can read
    // documents; without one no map has any full text and full-text search matches by title only.
    static void setFullTextScanner(FullTextScanner scanner);

    void clearFullText();
    // True for a native match, for a title that contains the search text and, with fullTextSearch,
    // for any text of the map that contains it; the map's texts are read on the first such search.
    bool isSearchMatch(const std::string& searchText, bool fullTextSearch);

    const std::string& mindMapId() const { return _id; }
    const std::string& title() const { return _title; }
    void setTitle(const std::string& title) { _title = title; }
    const std::any& info() const { return _info; }
    void setInfo(std::any info) { _info = std::move(info); }
    // Nothing until loaded; possibly empty afterwards.
    const std::optional<std::vector<std::string>>& fullText() const { return _fullText; }
    const std::optional<Date>& timestamp() const { return _timestamp; }
    void setTimestamp(const std::optional<Date>& timestamp) { _timestamp = timestamp; }
    MindMapProvider* provider() const { return _provider; }
    bool nativeMatch() const { return _nativeMatch; }
    void setNativeMatch(bool nativeMatch) { _nativeMatch = nativeMatch; }

    // The form in which texts are compared: case-folded, decomposed, without combining marks.
    // Text that is not UTF-8 is made valid first.
    static std::string foldForSearch(const std::string& text);

private:
    friend class MindMapSearchCache;

    bool matchesFolded(const std::string& foldedSearchText, bool fullTextSearch);
    void loadFullText();

    std::string _id;
    std::string _title;
    std::optional<std::vector<std::string>> _fullText;
    std::any _info;
    std::optional<Date> _timestamp;
    MindMapProvider* _provider = nullptr;
    bool _nativeMatch = false;
    // _fullText in foldForSearch() form, made once when it is loaded.
    std::vector<std::string> _foldedFullText;
};
