#pragma once

#include "Editor/PopoverColorPicker.h"
#include "platform/Responder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class MindMap;
class MindMapEditor;
class MindMapElement;
class StylePreset;
class StylePresets;
class WindowModes;

// What the window's styling, zoom and mode actions reach outside the map and its editor. Every
// part may be missing; what needs it then does nothing.
struct EditorWindowActionsServices {
    // The map editor of the window; nullptr while none shows a map.
    std::function<MindMapEditor*()> editor;
    // The editor has the keyboard focus (not a text field or a panel of the window).
    std::function<bool()> editorIsFirstResponder;
    // Made once, on the first colour pick.
    std::function<std::unique_ptr<PopoverColorPicker>()> makeColorPicker;
    // Lets the user pick a preset for the element; calls back only when one was picked.
    std::function<void(MindMapElement& element, std::function<void(const StylePreset& preset)> picked)> pickStylePreset;
    // The preset collection of an element type (node 1, cross link 2 and parent relation 4, text
    // 16); the shared collections when not given.
    std::function<StylePresets*(int32_t elementType)> presetsForElementType;
    // The toolbar's zoom label.
    std::function<void(const std::string& text)> setZoomFactorText;
    // An editor notification; the feedback centre's when not given.
    std::function<void(const std::string& title, const std::string& message, unsigned state)> showNotification;
    // Full screen and presentation; their actions are left out without it.
    WindowModes* modes = nullptr;
};

// The main window's actions on the map that the menus, the toolbar and the style toolbar send:
// style sheet, colours, font size and font style, presets, zoom and scrolling, auto focus, and the
// two full-screen modes, with the validation of their items. The window controller registers them
// and asks validate() before the map's own validation.
class EditorWindowActions : public PopoverColorPickerDelegate {
public:
    // Colour aspects, as the map takes them and the picker's tag carries them.
    static constexpr int64_t TextColorAspect = 1;
    static constexpr int64_t FillColorAspect = 2;
    static constexpr int64_t StrokeColorAspect = 32;
    // Font style bits.
    static constexpr uint64_t BoldFontStyle = 1;
    static constexpr uint64_t ItalicFontStyle = 2;
    static constexpr uint64_t StrikeThroughFontStyle = 4;
    static constexpr uint64_t UnderlineFontStyle = 8;

    static constexpr const char* ErrorCaptionKey = "error_caption";
    static constexpr const char* UncustomizedPresetKey = "style_preset_uncustomized_style_not_added";
    static constexpr const char* ZoomFactorFormat = "%ld%%";

    explicit EditorWindowActions(EditorWindowActionsServices services);
    ~EditorWindowActions() override;
    EditorWindowActions(const EditorWindowActions&) = delete;
    EditorWindowActions& operator=(const EditorWindowActions&) = delete;

    using ActionRegistrar = std::function<void(const std::string& action, Responder::ActionHandler handler)>;
    void registerActions(const ActionRegistrar& add);
    // The state of an item whose action is one of these; nothing for the others.
    std::optional<ItemValidation> validate(const ValidatedUserInterfaceItem& item) const;

    // A style sheet the sender carries becomes the map's.
    void changeStyleSheet(const ActionSender* sender);
    // Pops the colour chooser up at the selected topic or free text; anything else is left alone.
    void pickColorAspect(int64_t aspect);
    void popoverColorPicked(PopoverColorPicker& picker, const Color& color) override;
    PopoverColorPicker* colorPicker() const { return _colorPicker.get(); }
    // The size in points the sender's tag names.
    void fontSizeSelected(const ActionSender* sender);
    void toggleFontStyle(uint64_t bits);
    void applyPreset();
    void addPresetFromSelection();
    // The sender's tag is the zoom in percent.
    void zoomFactorSelected(const ActionSender* sender);
    // The editor's zoom changed: the toolbar shows it.
    void zoomFactorChangedNotification();
    // The toolbar's text for a zoom factor: whole percent, rounded to the nearest.
    static std::string zoomFactorText(double userScaleFactor);

private:
    MindMapEditor* editor() const;
    MindMap* mindMap() const;
    bool editorIsFirstResponder() const;
    // The map shows, is enabled and is not read-only.
    bool editable() const;
    StylePresets* presetsFor(int32_t elementType) const;
    void showNotification(const std::string& title, const std::string& message, unsigned state) const;

    EditorWindowActionsServices _services;
    std::unique_ptr<PopoverColorPicker> _colorPicker;
};
