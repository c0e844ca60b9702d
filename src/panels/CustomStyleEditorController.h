#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/NotificationCenter.h"
#include "render/CustomStylePreview.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CustomStyleSheet;
class StyleSheet;

// What the relation controls of one tab show.
struct CustomStyleRelationControls {
    int32_t lineStyle = 1;
    int32_t pathStyle = 0; // 0 bezier, 1 orthogonal, 2 straight
    int32_t sourceArrow = 0;
    int32_t targetArrow = 0;
    bool colorBox = false;
    Color color;
};

// The values the editor's controls show; the window copies widget values in before an action and
// shows them again after one (controlsChanged).
struct CustomStyleControls {
    Color fillWell = Color::white();
    bool transparent = false;
    Color strokeWell = Color::black();
    bool deriveStrokeColor = false;
    Color backgroundWell = Color::white();
    Color fontWell = Color::black();
    Color shadowWell = Color(0.5, 0.5, 0.5);
    bool enableShadow = false;
    bool levelBased = false;
    int32_t borderStyle = 0;
    bool borderWidthBox = false;
    double borderWidth = 2.0;
    std::optional<int32_t> alignment; // 0 centre, 1 left, 2 right
    int32_t connectionStyle = 0;
    CustomStyleRelationControls parent;
    CustomStyleRelationControls cross;
};

// The window side of the editor: alerts, questions and redrawing.
class CustomStyleEditorHost {
public:
    virtual ~CustomStyleEditorHost() = default;
    // An editor notification titled "error_caption".
    virtual void showError(const std::string& message) = 0;
    // The style name prompt; the rejection of the name given before sits under its message.
    // Nothing when the user cancels.
    virtual std::optional<std::string> askStyleName(const std::string& rejection) = 0;
    // Whether the edited style should be saved before the window closes.
    virtual bool askSaveChanges() = 0;
    virtual bool applicationRunning() const { return true; }
    virtual void closeWindow() = 0;
    virtual void previewChanged() = 0;
    virtual void controlsChanged() = 0;
    virtual void modifiedChanged(bool /*modified*/) {}
    virtual void titleChanged(const std::string& /*title*/) {}
};

// The questions and errors of the editor as the desktop asks them: the shared alert panel and the
// editor notifications. A window derives from it and adds the drawing.
class AlertingCustomStyleEditorHost : public CustomStyleEditorHost {
public:
    void showError(const std::string& message) override;
    std::optional<std::string> askStyleName(const std::string& rejection) override;
    bool askSaveChanges() override;
};

// The custom style editor: a palette of fill and stroke pairs shown as numbered shapes round a
// root, the map-wide colours and the topic and relation styles of one custom style sheet, saved to
// its own style file and registered so that maps can choose it.
class CustomStyleEditorController : public CustomStylePreviewBackgroundDelegate {
public:
    static constexpr const char* DeriveStrokeColorKey = "CustomStyleEditor.DeriveStrokeColor";
    static constexpr const char* FrameKey = "CustomStyleEditor.Frame";
    static constexpr double ShadowAlpha = 0.3;

    CustomStyleEditorController(CustomStyleEditorHost& host, std::string documentsDirectory);
    ~CustomStyleEditorController() override;

    void setPreviewSize(Size size);
    CustomStyleControls& controls() { return _controls; }
    const CustomStyleControls& controls() const { return _controls; }

    // Starts editing the sheet: a custom sheet in place, any other as an unnamed copy.
    void loadStyle(const std::shared_ptr<StyleSheet>& style);
    const std::shared_ptr<CustomStyleSheet>& customStyle() const { return _customStyle; }

    const std::vector<std::unique_ptr<MindMapPreviewShape>>& entries() const { return _entries; }
    MindMapPreviewShape* selectedEntry() const { return _selected; }
    void selectEntry(MindMapPreviewShape* entry);
    void addEntry();
    void deleteEntry();
    void moveEntryUp();
    void moveEntryDown();
    void rearrangeEntries();

    void fillColorSelected();
    void transparentClicked();
    void strokeColorSelected();
    void deriveStrokeColor();
    void backgroundColorSelected();
    void fontColorSelected();
    void shadowColorSelected();
    void borderStyleSelected();
    void penStyleSelected();
    void notifyStyleModified();
    void notifyPreviewModified();

    // The shadow as the preview and the file take it: none while shadows are off.
    std::optional<Color> shadowColor() const;
    void commitToStyle();
    bool saveStyle();
    bool saveStyleAs();
    bool saveToFile();
    // A full path for a new style file, or nothing when the user cancels.
    std::optional<std::string> getNewFileName();
    // The rejection of a name, or nothing for a usable one.
    static std::optional<std::string> isValidStyleName(const std::string& name);

    bool isModified() const { return _modified; }
    std::string title() const;
    // Always lets the window close; an edited style is offered for saving first.
    bool windowShouldClose();
    void windowWillClose();

    std::vector<const MindMapPreviewShape*> orderedPreviewEntries() const override;
    const MindMapPreviewShape* getRootEntry() const override;
    CustomStylePreviewBackground previewBackground() const override;
    void previewClicked(const MindMapPreviewShape* shape) override;

private:
    bool checkEntrySelected();
    void setModified(bool modified);
    MindMapPreviewShape* makeEntry(const Color& fill, const Color& stroke);
    void styleSheetRemoved(const void* sheet);

    CustomStyleEditorHost& _host;
    std::string _documentsDirectory;
    Size _previewSize;
    CustomStyleControls _controls;
    std::vector<std::unique_ptr<MindMapPreviewShape>> _entries;
    MindMapPreviewShape* _selected = nullptr;
    std::shared_ptr<CustomStyleSheet> _customStyle;
    // Only compared: the sheet last handed to loadStyle.
    const StyleSheet* _editedStyle = nullptr;
    bool _modified = false;
    ObservationToken _removal;
};
