#pragma once

#include "platform/Image.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ElementStyle;
struct Error;
class MindMapElement;
class StylePreset;
class StylePresets;

// One preset as the grid shows it. The collection owns the preset and outlives the item.
class PresetBrowserItem {
public:
    // Shown, and kept, for a preset that has no preview of its own.
    static constexpr const char* FallbackImageName = "globe_32";

    explicit PresetBrowserItem(StylePreset& preset) : _preset(preset) {}
    StylePreset& preset() const { return _preset; }
    // The preset's preview; a preset without one is given the fallback picture, which it keeps.
    const Image& imageRepresentation() const;
    const std::string& imageUID() const;

private:
    StylePreset& _preset;
};

// What the browser's window shows; the widgets implement it.
class StylePresetsBrowserView {
public:
    virtual ~StylePresetsBrowserView() = default;
    // The grid shows the browser's items again.
    virtual void reloadBrowser() = 0;
    virtual std::optional<size_t> selectedIndex() const = 0;
    virtual void setOkEnabled(bool enabled) = 0;
    virtual void setDeleteEnabled(bool enabled) = 0;
    virtual void setEditModeShown(bool on) = 0;
    virtual void setReorderingAllowed(bool allowed) = 0;
    // Hides the grid before the modal session ends, so that it draws nothing for a closing window.
    virtual void passivateBrowser() = 0;
    virtual void stopModal(int result) = 0;
};

// The decisions of the style presets browser: which presets an element gets, what a click, a drop,
// a delete and the buttons do, and what the modal session answers.
class StylePresetsBrowser {
public:
    static constexpr int OkResult = 1;
    static constexpr int AbortResult = -1001;
    static constexpr int CellSide = 40;

    static constexpr const char* WindowLayoutName = "StylePresetsBrowser";
    static constexpr const char* TitleKey = "style_presets";
    static constexpr const char* OkTitleKey = "ok_button_title";
    static constexpr const char* CancelTitleKey = "cancel_button_title";
    static constexpr const char* EditModeTitleKey = "editor_menu_edit_group";
    static constexpr const char* EditModeHintKey = "preset_browser_edit_mode_hint";
    static constexpr const char* DeleteImageName = "delete";
    static constexpr const char* DeleteHintKey = "presets_browser_delete_preset";
    // What a drag carries; nothing reads it back, the grid reorders by itself.
    static constexpr const char* DragDataType = "PresetBrowserDragDropData";
    static constexpr const char* DragDataMarker = "Hello";
    // The alert when a delete or a move could not be written to the presets file.
    static constexpr const char* SaveFailedKey = "presets_browser_save_failed";

    // The collection of an element type (topic 1, relations 2 and 4, free text 16); nullptr for
    // a type without presets.
    using PresetsLookup = std::function<StylePresets*(int32_t elementType)>;
    // The shared collections.
    static StylePresets* sharedPresetsForElementType(int32_t elementType);

    // A browser for the element's kind, its reference style copied from the element; nullptr for
    // a kind without presets (an image, a map).
    static std::unique_ptr<StylePresetsBrowser> forElement(const MindMapElement& element,
                                                           const PresetsLookup& lookup = sharedPresetsForElementType);

    StylePresetsBrowser(StylePresets& presets, std::unique_ptr<ElementStyle> referenceStyle);
    ~StylePresetsBrowser();
    StylePresetsBrowser(const StylePresetsBrowser&) = delete;
    StylePresetsBrowser& operator=(const StylePresetsBrowser&) = delete;

    // Not owned; set before the window shows, nullptr when it goes.
    void setView(StylePresetsBrowserView* view) { _view = view; }

    // Lists the collection again; with redraw, every preview is drawn anew against the reference
    // style first.
    void reloadPresets(bool redraw);
    size_t numberOfItems() const { return _items.size(); }
    const PresetBrowserItem& itemAtIndex(size_t index) const { return _items.at(index); }
    StylePreset* selectedPreset() const;
    void updateButtonStates();
    bool editMode() const { return _editMode; }
    StylePresets& stylePresets() const { return _presets; }
    const ElementStyle* referenceStyle() const { return _referenceStyle.get(); }

    void okButtonClicked();
    void cancelButtonClicked();
    void windowWillClose();
    void deleteButtonClicked();
    void editModeButtonClicked();
    void cellWasDoubleClicked(size_t index);
    void selectionDidChange();
    // A drop of the dragged items at a position between items; only the first one moves.
    bool moveItems(const std::vector<size_t>& indexes, size_t toIndex);

    // The session's answer, once it has ended.
    std::optional<int> modalResult() const { return _result; }
    // The picked preset for a session that ended with the result; nullptr for any other.
    StylePreset* chosenPreset(int result) const;

private:
    void finish(int result);
    void reportSaveFailure(const Error& error) const;

    StylePresets& _presets;
    std::unique_ptr<ElementStyle> _referenceStyle;
    std::vector<PresetBrowserItem> _items;
    StylePresetsBrowserView* _view = nullptr;
    bool _editMode = false;
    std::optional<int> _result;
};
