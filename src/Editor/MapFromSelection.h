#pragma once

#include "platform/Error.h"
#include "platform/Responder.h"

#include <functional>
#include <optional>
#include <string>

class MindMap;
class MindMapEditor;
class MindMapNode;
class MindMapProvider;
class MindMapStorage;

// What the window's map, link and cloud actions reach of the window they run in. Every part may be
// missing; what needs it then does nothing (or, for the reporting parts, uses the shared sinks).
struct WindowMapContext {
    // The storage and map the editor shows; nullptr while none is open.
    std::function<MindMapStorage*()> currentStorage;
    std::function<MindMap*()> mindMap;
    // The canvas; nullptr in tests without one.
    std::function<MindMapEditor*()> editor;
    // Writes the open map to its storage; false when that failed (the document has reported it).
    std::function<bool()> commitEditor;
    std::function<void()> commitModelessEditors;
    // The canvas has the keyboard; true when not given.
    std::function<bool()> editorIsFirstResponder;
    // Switches the editor to another map; the editor interface's when not given.
    std::function<void(const std::string& providerId, const std::string& mindMapId)> openMindMap;
    // An editor notification; the feedback sink's when not given.
    std::function<void(const std::string& title, const std::string& message, unsigned state)> showNotification;
    // A line for the program's log; standard error when not given.
    std::function<void(const std::string& line)> log;

    MindMapStorage* storage() const { return currentStorage ? currentStorage() : nullptr; }
    MindMap* map() const { return mindMap ? mindMap() : nullptr; }
    MindMapEditor* canvas() const { return editor ? editor() : nullptr; }
    bool canvasHasKeyboard() const { return !editorIsFirstResponder || editorIsFirstResponder(); }
    void notify(const std::string& title, const std::string& message, unsigned state) const;
    void writeLog(const std::string& line) const;
    // Ends in-place editing and the other modes so that their edits reach the map.
    void commitModeless() const;
};

// A branch of the open map as a map of its own: "New Map from selection" copies the selected topic
// with its subtree into a new map beside the current one and opens it; the linked variant keeps the
// user in the current map, links the topic to the new map and removes the topic's children there.
//
// The selection travels in a parcel of the clipboard's format that lives only during the action:
// the user's clipboard is left alone. The new map is checked after it was written; when that fails
// the half-made map is deleted again and the current map is not touched.
class MapFromSelection {
public:
    static constexpr const char* MapFromSelectionAction = "mindMapFromSelection:";
    static constexpr const char* LinkedMapFromSelectionAction = "linkedMindMapFromSelection:";
    static constexpr const char* DefaultMapNameKey = "mindmap_default_mind_map_name";
    static constexpr const char* LinkedMapUndoKey = "editor_menu_linked_map_from_selection";
    static constexpr const char* FailedErrorKey = "map_from_selection_failed_error";

    explicit MapFromSelection(WindowMapContext window) : _window(std::move(window)) {}

    void mindMapFromSelection();
    void linkedMindMapFromSelection();
    // Whether the action (one of the two above) can run on the map and its selection now.
    static bool canCreateMapFromSelection(const MindMap* mindMap, const std::string& action);

    // The new map's title from the topic's text: line feeds become blanks; an empty text gives the
    // default map name.
    static std::string titleForNodeText(const std::string& text);

    // What makeMapFromSelection() made: the new map's id with its provider.
    struct NewMap {
        MindMapProvider* provider = nullptr;
        std::string mindMapId;
    };
    // Copies the selected branch of the map into a new map of the storage's provider, beside the
    // storage's map, and writes it. On failure nothing is left behind and the error says why.
    static std::optional<NewMap> makeMapFromSelection(MindMap& mindMap, MindMapStorage& storage, Error* error);

private:
    // Commits the open editors, makes the new map and reports a failure; nothing on failure.
    std::optional<NewMap> makeReportedMap(MindMap& mindMap, MindMapStorage& storage);

    WindowMapContext _window;
};
