#include "Editor/MapFromSelectionActions.h"

#include "Editor/EditorDocument.h"
#include "Editor/EditorWindowController.h"

MapFromSelectionActions::MapFromSelectionActions(WindowMapContext window)
    : _window(window), _mapFromSelection(window), _topicLinks(window), _exportToCloud(window)
{
}

WindowMapContext MapFromSelectionActions::contextForController(EditorWindowController& controller)
{
    WindowMapContext context;
    context.currentStorage = [&controller]() -> MindMapStorage* {
        EditorDocument* document = controller.document();
        return document ? document->storage() : nullptr;
    };
    context.mindMap = [&controller]() -> MindMap* {
        EditorDocument* document = controller.document();
        return document ? document->mindMap() : nullptr;
    };
    context.editor = [&controller] { return controller.editor(); };
    context.commitEditor = [&controller] {
        EditorDocument* document = controller.document();
        return document && document->commitEditor();
    };
    context.commitModelessEditors = [&controller] {
        if (EditorDocument* document = controller.document()) document->commitModelessEditors();
    };
    return context;
}

void MapFromSelectionActions::registerOn(EditorWindowController& controller)
{
    controller.addWindowAction(MapFromSelection::MapFromSelectionAction,
                               [this](const ActionSender*) { _mapFromSelection.mindMapFromSelection(); });
    controller.addWindowAction(MapFromSelection::LinkedMapFromSelectionAction,
                               [this](const ActionSender*) { _mapFromSelection.linkedMindMapFromSelection(); });
    _topicLinks.registerActions([&controller](const std::string& action, Responder::ActionHandler handler) {
        controller.addWindowAction(action, std::move(handler));
    });
    controller.addWindowAction(ExportToCloudAction::Action,
                               [this](const ActionSender*) { _exportToCloud.exportToCloud(); });
    controller.addValidationRule([this](const ValidatedUserInterfaceItem& item) { return validate(item); });
}

std::optional<ItemValidation> MapFromSelectionActions::validate(const ValidatedUserInterfaceItem& item) const
{
    const std::string action = item.action();
    if (action == MapFromSelection::MapFromSelectionAction || action == MapFromSelection::LinkedMapFromSelectionAction)
        return ItemValidation::enabledIf(_window.storage() && _window.canvasHasKeyboard() &&
                                         MapFromSelection::canCreateMapFromSelection(_window.map(), action));
    if (std::optional<ItemValidation> validation = _exportToCloud.validate(item)) return validation;
    return _topicLinks.validate(item);
}
