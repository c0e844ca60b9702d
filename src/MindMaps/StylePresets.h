#pragma once

#include "platform/Color.h"
#include "platform/Error.h"
#include "platform/Image.h"

#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ElementStyle;
class NodeStyle;
class RelationStyle;
class TextStyle;

// A saved partial style that the user applies to selected topics, free texts or relations with
// one click. Its style has no parent: only its customised properties carry meaning. Each kind
// keeps a style of its own class and ignores styles of other classes.
class StylePreset {
public:
    // The side of the square preview image, in pixels and points.
    static constexpr int PreviewSide = 40;

    virtual ~StylePreset();
    StylePreset(const StylePreset&) = delete;
    StylePreset& operator=(const StylePreset&) = delete;

    // Draws a new preview: each property from the preset's style when it customises it, else
    // from the reference style (the style of the element being styled; nullptr for none).
    virtual void updateImage(const ElementStyle* referenceStyle);
    // 24 upper-case hexadecimal digits of random data, made on first use and kept for the
    // preset's life; not stored in the file.
    const std::string& UID();
    // Copies a style of the preset's own class into the preset's style.
    virtual void assignStyle(const ElementStyle* style);
    // The style as a "style" child of the element (left out when the style stores nothing), and
    // back, through the installed style file format.
    void writeToElement(pugi::xml_node element) const;
    void readFromElement(pugi::xml_node element);

    const ElementStyle* style() const { return _style.get(); }
    ElementStyle* style() { return _style.get(); }
    // Null until the first preview was drawn.
    const Image& image() const { return _image; }
    void setImage(Image image) { _image = std::move(image); }

protected:
    explicit StylePreset(std::unique_ptr<ElementStyle> style);

private:
    std::unique_ptr<ElementStyle> _style;
    Image _image;
    std::string _UID;
};

class TextStylePreset : public StylePreset {
public:
    TextStylePreset();
    TextStyle* textStyle() const;
    void updateImage(const ElementStyle* referenceStyle) override;
    void assignStyle(const ElementStyle* style) override;
};

class NodeStylePreset : public StylePreset {
public:
    NodeStylePreset();
    NodeStyle* nodeStyle() const;
    void updateImage(const ElementStyle* referenceStyle) override;
    void assignStyle(const ElementStyle* style) override;
};

class RelationStylePreset : public StylePreset {
public:
    RelationStylePreset();
    RelationStyle* relationStyle() const;
    void updateImage(const ElementStyle* referenceStyle) override;
    void assignStyle(const ElementStyle* style) override;
};

// One ordered collection of presets of one kind, kept in its own file: an XML document in UTF-8
// without byte-order mark, root "style-presets", one "preset" element per preset in collection
// order. A missing, unreadable or foreign file, or one without presets, gives the built-in
// defaults, which are written with the next change. Every add, move and delete saves the file,
// all or nothing: a failed save leaves the file as it was. Indexes outside the collection are
// ignored. Main thread only.
class StylePresets {
public:
    static constexpr const char* RootElementName = "style-presets";
    static constexpr const char* PresetElementName = "preset";
    // Files larger than this are not presets files and read as missing.
    static constexpr uint64_t MaximumFileSize = uint64_t(8) << 20;

    // The store's documents folder, where the collections keep their files: the "Mind Maps"
    // folder of the user data folder.
    static std::string presetsDirectory();

    virtual ~StylePresets();
    StylePresets(const StylePresets&) = delete;
    StylePresets& operator=(const StylePresets&) = delete;

    // The file's name inside the directory; the base has none.
    virtual std::string getPresetsFileName() const;
    // Appends the built-in defaults without saving; the base has none.
    virtual void insertDefaultPresets();
    // Inserts a new preset at index 0 holding the style (a style of another class leaves it
    // empty), saves, and answers 0.
    int64_t addPreset(const ElementStyle* style);
    // Moves a preset to a drop position between items (0 before the first, count after the
    // last; larger positions count as the end). Dropping it just before or after itself saves
    // without a change; dropping it on its own position does nothing.
    // Both answer false, with the error, when the file could not be written; the collection keeps
    // the change, so that the user can be told and nothing looks saved that is not.
    bool movePresetFromIndex(size_t fromIndex, size_t toIndex, Error* error = nullptr);
    bool deletePresetAtIndex(size_t index, Error* error = nullptr);
    // A new empty preset of the collection's kind; the base makes none.
    virtual std::unique_ptr<StylePreset> createPresetInstance() const;
    // Replaces the presets by the file's, or by the defaults.
    void loadFromFile();
    // Writes every preset to the file atomically; false, with the file untouched, on failure.
    bool saveToFile(Error* error = nullptr) const;
    // The file's content as saveToFile() writes it; empty when serialising fails.
    std::string presetsFileText() const;

    const std::vector<std::unique_ptr<StylePreset>>& presets() const { return _presets; }
    size_t count() const { return _presets.size(); }
    // nullptr for an index outside the collection.
    StylePreset* presetAtIndex(size_t index) const;
    const std::string& fileName() const { return _fileName; }

protected:
    // Sets the file path from the directory and the subclass's file name, then loads; to be
    // called by the subclasses' constructors, when their virtual functions answer.
    void openInDirectory(const std::string& directory);
    // Appends a new empty preset without saving and answers it.
    StylePreset* appendNewPreset();
    StylePresets() = default;

private:
    std::vector<std::unique_ptr<StylePreset>> _presets;
    std::string _fileName;
};

class TextStylePresets : public StylePresets {
public:
    // The collection of the presets folder, made and loaded on first use.
    static TextStylePresets& textStylePresets();
    explicit TextStylePresets(const std::string& directory);

    std::string getPresetsFileName() const override;
    void insertDefaultPresets() override;
    std::unique_ptr<StylePreset> createPresetInstance() const override;
    // Appends a new preset without saving and answers its style.
    TextStyle* internalAddPreset();
};

class NodeStylePresets : public StylePresets {
public:
    static NodeStylePresets& nodeStylePresets();
    explicit NodeStylePresets(const std::string& directory);

    std::string getPresetsFileName() const override;
    void insertDefaultPresets() override;
    std::unique_ptr<StylePreset> createPresetInstance() const override;
    NodeStyle* internalAddPreset();
    // Appends, without saving, a preset with the fill, black text and the stroke colour
    // (customised properties 35).
    void addPresetWithFillColor(const Color& fillColor, const Color& strokeColor);
    // The stroke is the fill with reduced luminance.
    void addPresetWithFillColor(const Color& fillColor);
};

class RelationStylePresets : public StylePresets {
public:
    static RelationStylePresets& relationStylePresets();
    explicit RelationStylePresets(const std::string& directory);

    std::string getPresetsFileName() const override;
    void insertDefaultPresets() override;
    std::unique_ptr<StylePreset> createPresetInstance() const override;
    RelationStyle* internalAddPreset();
};
