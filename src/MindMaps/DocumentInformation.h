#pragma once

#include <cstdint>
#include <string>

// The identity of the document a map holds: the GUID under which the map is kept, and what the
// last document read into the map said about itself.
class DocumentInformation {
public:
    DocumentInformation() = default;

    // The format version read from the document; -1 when none was read.
    int64_t loadedVersion() const { return _loadedVersion; }
    void setLoadedVersion(int64_t version) { _loadedVersion = version; }

    // The GUID found in the loaded document; empty when none.
    const std::string& loadedGuid() const { return _loadedGuid; }
    void setLoadedGuid(const std::string& guid) { _loadedGuid = guid; }

    // The GUID under which the map is kept in its store or provider; empty when none.
    const std::string& guid() const { return _guid; }
    void setGuid(const std::string& guid) { _guid = guid; }

    // The loaded document is a new-map template: the editor document makes a new map from it when
    // the map is empty, with defaultTheme() as its central theme's text.
    bool isNewMap() const { return _isNewMap; }
    void setIsNewMap(bool isNewMap) { _isNewMap = isNewMap; }

    const std::string& defaultTheme() const { return _defaultTheme; }
    void setDefaultTheme(const std::string& text) { _defaultTheme = text; }
    // Waits for its caller in the editor.
    bool hasDefaultThemeText() const { return !_defaultTheme.empty(); }

    // Forgets what was read; the GUID under which the map is kept stays.
    void reset();

private:
    int64_t _loadedVersion = -1;
    std::string _loadedGuid;
    std::string _guid;
    bool _isNewMap = false;
    std::string _defaultTheme;
};
