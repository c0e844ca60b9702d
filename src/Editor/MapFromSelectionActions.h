#pragma once

#include "Editor/ExportToCloudAction.h"
#include "Editor/MapFromSelection.h"
#include "Editor/TopicLinkActions.h"

class EditorDocument;
class EditorWindowController;

// The window's actions on branches, links and cloud copies of the map, registered on its
// controller with the validation of their items.
class MapFromSelectionActions {
public:
    explicit MapFromSelectionActions(WindowMapContext window);
    MapFromSelectionActions(const MapFromSelectionActions&) = delete;
    MapFromSelectionActions& operator=(const MapFromSelectionActions&) = delete;

    // The context of the controller's document: its storage, map and commits; the canvas and the
    // keyboard test come from the window.
    static WindowMapContext contextForController(EditorWindowController& controller);

    void registerOn(EditorWindowController& controller);
    std::optional<ItemValidation> validate(const ValidatedUserInterfaceItem& item) const;

    MapFromSelection& mapFromSelection() { return _mapFromSelection; }
    TopicLinkActions& topicLinks() { return _topicLinks; }
    ExportToCloudAction& exportToCloud() { return _exportToCloud; }

private:
    WindowMapContext _window;
    MapFromSelection _mapFromSelection;
    TopicLinkActions _topicLinks;
    ExportToCloudAction _exportToCloud;
};
