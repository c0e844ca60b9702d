#pragma once

#include "MindMaps/StyleSheet.h"
#include "platform/Error.h"

#include <pugixml.hpp>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class CustomColorScheme;

// A user's own style sheet: a palette of fill/stroke pairs, background, text and shadow colours,
// border and line styles and any map-style customisation, kept in its own ".twkstyle" file in the
// custom styles folder and registered with the style manager after the built-in sheets. Its key,
// which is also its name in menus, is its file name without extension.
//
// Sheets are always owned by std::shared_ptr (registering hands the sheet itself to the style
// manager); make them with std::make_shared.
class CustomStyleSheet : public StyleSheet, public std::enable_shared_from_this<CustomStyleSheet> {
public:
    using Timestamp = std::chrono::system_clock::time_point;

    static constexpr const char* FileExtension = "twkstyle";
    static constexpr const char* RootElementName = "mindmap-colorscheme";
    // A style file is a few kilobytes; anything far larger is not one, and is not read into memory.
    static constexpr uint64_t MaximumFileSize = uint64_t(16) << 20;

    // A root sheet with a new, empty custom colour scheme.
    CustomStyleSheet();
    // Loaded from the file (nothing is read for an empty path).
    explicit CustomStyleSheet(const std::string& path);
    // A copy of the sheet's map style and colour scheme.
    explicit CustomStyleSheet(const StyleSheet& style);
    ~CustomStyleSheet() override;

    bool isCustomStyle() const override;
    // The key.
    std::string description() const override;
    void setStyleKeyName(const std::string& key) { StyleSheet::setStyleKeyName(key); }
    CustomColorScheme& customColors() const;
    // At least two fill and two stroke colours.
    bool isValid() const;

    // The map style reset, the palette emptied, gray shadow, black text, white background and no
    // time stamp. Whether the palette is level-based stays.
    void clear();
    // Takes over the sheet's map style and colour scheme, its font colour as the text colour.
    void assign(const StyleSheet* style);

    const std::string& fileName() const { return _fileName; }
    bool hasFileName() const { return !_fileName.empty(); }
    // A non-empty path also makes the file name without extension the key.
    void setFileName(const std::string& path);
    const std::optional<Timestamp>& timestamp() const { return _timestamp; }
    void setTimestamp(const std::optional<Timestamp>& timestamp) { _timestamp = timestamp; }

    // The sheet from a "mindmap-colorscheme" element: "general", "style" and "palette".
    void loadFromXmlElement(pugi::xml_node root);
    // Clears the sheet and reads the file. A file that cannot be read, is no XML or has another
    // root leaves the sheet cleared with the file name it had. Without a time stamp in the file,
    // the file's modification time is taken.
    void loadFromFile(const std::string& path);
    // Reads the own file again (keeping the key the file names in "description"), repairs a
    // palette of fewer than two pairs and reports the change.
    void reloadFromFile();
    // "general", "style" and "palette" into the element.
    void saveToXmlElement(pugi::xml_node root) const;
    // The whole file, written atomically: a failed save leaves the old file as it was. Reports the
    // change on success.
    bool saveToFile(Error* error = nullptr);

    // Saves the sheet as a new file at the path and registers it. Refused for an empty path, a
    // sheet that already has a file, or a path where something exists already. When the save fails
    // the sheet keeps its former file name and key.
    bool registerWithFileName(const std::string& path, Error* error = nullptr);

    // For a sheet read from a document: the sheet the document should use, or nullptr.
    // - A key unknown here: the sheet is saved into the custom styles folder under its key and
    //   registered. Keys that are not a plain file name, and a name already taken in the folder,
    //   are refused (nullptr): a document never chooses where a file goes or what it replaces.
    // - A built-in key: nullptr.
    // - A registered custom sheet: that sheet, first rewritten and reloaded from this one when this
    //   one is newer; this sheet itself (unregistered) when only this one has a time stamp.
    std::shared_ptr<StyleSheet> registerInlineStyleSheet();

    // Deletes the sheet's file (a regular file only) and unregisters it.
    // Waits for its caller in the panels.
    void unregister();

    // For a style file brought into the custom styles folder: a new sheet loaded and registered
    // from it, or the registered custom sheet of its key reloaded; nullptr for a built-in key and
    // for a file that gives no valid sheet.
    static std::shared_ptr<StyleSheet> customStyleImported(const std::string& path);
    // Whether a key or name from outside may name a style file: one visible plain file name.
    static bool isSafeStyleKey(const std::string& key);
    // Remembers the folder as the custom styles folder and registers a sheet from each valid file
    // with the exact extension "twkstyle", in name order. A key already registered is passed over.
    static void loadCustomStylesFromDirectory(const std::string& directory);
    // The folder given to loadCustomStylesFromDirectory; before that (or after an empty one), the
    // local store's "Mind Maps" folder.
    static std::string customStylesDirectory();

    // "%4ld-%.2ld-%.2ld+%.2ld:%.2ld:%.2ld" in the local time zone, and back; nothing for text of
    // another form.
    static std::string formatTimestamp(Timestamp timestamp);
    static std::optional<Timestamp> parseTimestamp(const std::string& text);

private:
    bool loadFile(const std::string& path, bool keyFromFileName);
    // Saves under the path; on failure the file name and key go back to what they were.
    bool saveAs(const std::string& path, Error* error);

    std::string _fileName;
    std::optional<Timestamp> _timestamp;
    // Also the sheet's colour scheme; held here so that it stays a custom scheme.
    std::shared_ptr<CustomColorScheme> _customColors;
};
