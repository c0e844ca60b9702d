#include "Editor/gtk/MainWindowToolbar.h"

#include "Editor/CheckboxMenuHandler.h"
#include "Editor/CommandRouter.h"
#include "Editor/EditorWindowActions.h"
#include "Editor/StylingMenus.h"
#include "Editor/TwkDocumentController.h"
#include "Editor/gtk/MainWindow.h"
#include "editor-view/MindMapEditor.h"

MainWindowToolbar::MainWindowToolbar(MainWindow& window,
                                     const std::shared_ptr<TwkDocumentController>& documentController,
                                     CheckboxMenuHandler& checkboxMenuHandler)
    : _window(window), _document(documentController, [&window] { return window.explorerResponder(); })
{
    EditorWindowController& controller = window.controller();
    const auto currentMindMap = [&window]() -> MindMap* { return window.editor().mindMap(); };
    TwToolbar::Context context;
    context.controller = &controller;
    context.document = &_document;
    context.documentController = documentController.get();
    context.history = documentController;
    context.setSearchBar = [&controller](EditorSearchField* field) { controller.setSearchBar(field); };
    context.zoomFactorChanged = [this] { showZoomFactor(); };
    context.checkboxSetupMenu = [&checkboxMenuHandler](const std::string& title) {
        return checkboxMenuHandler.makeCheckboxSetupMenu(title);
    };
    context.styleSelectorMenu = [currentMindMap](const std::string& title) {
        return std::make_shared<StyleSelectorMenu>(currentMindMap, title);
    };
    context.addBranchWithPaletteIndexMenu = [currentMindMap](const std::string& title) {
        return std::make_shared<AddBranchWithPaletteIndexMenu>(currentMindMap, title);
    };
    // The drawn pictures are made as they are first shown: most belong to menus not yet opened.
    _toolbar = std::make_unique<TwToolbar>(std::move(context));
    _toolbar->loadConfiguration();
    _widget = std::make_unique<MainToolbar>(*_toolbar);
    window.setMainToolbar(*_widget);
    window.addValidator([this] { _widget->validate(); });
    _observations.push_back(
        NotificationCenter::defaultCenter().addObserver(MindMapEditor::UserScaleChangedNotification, &window.editor(),
                                                        [this](const Notification&) { showZoomFactor(); }));
    showZoomFactor();
}

MainWindowToolbar::~MainWindowToolbar()
{
    _observations.clear();
    // The widgets show the toolbar's items: they go first; the toolbar then takes its search field
    // back from the explorers.
    _widget.reset();
}

void MainWindowToolbar::showZoomFactor()
{
    if (_toolbar) _toolbar->setZoomFactorText(EditorWindowActions::zoomFactorText(_window.editor().userScaleFactor()));
}

Responder* MainWindowToolbar::CurrentDocument::document() const
{
    std::shared_ptr<TwkDocumentController> controller = _controller.lock();
    return controller ? controller->singletonDocument() : nullptr;
}

Responder* MainWindowToolbar::CurrentDocument::handler(const std::string& action) const
{
    // As the menus do: a responder ahead of the document that takes the action (the outline's
    // row, the note's text, the text edited in place) gets it, so that the button and the menu
    // item answer alike. The buttons act on the map alone: the side bar's Delete would send the
    // open map to the recycle bin, so with the side bar holding the keyboard the document answers,
    // for the canvas's selection.
    Responder* current = document();
    Responder* sideBar = _sideBar ? _sideBar() : nullptr;
    for (Responder* responder : CommandRouter::shared().responderChain()) {
        if (responder == current) break;
        if (responder && responder != sideBar && responder->respondsToAction(action)) return responder;
    }
    return current && current->respondsToAction(action) ? current : nullptr;
}

bool MainWindowToolbar::CurrentDocument::respondsToAction(const std::string& action) const
{
    return handler(action) != nullptr;
}

bool MainWindowToolbar::CurrentDocument::performAction(const std::string& action, const ActionSender* sender)
{
    Responder* target = handler(action);
    return target && target->performAction(action, sender);
}

ItemValidation MainWindowToolbar::CurrentDocument::validateUserInterfaceItem(const ValidatedUserInterfaceItem& item)
{
    Responder* target = handler(item.action());
    return target ? target->validateUserInterfaceItem(item) : ItemValidation::enabledIf(false);
}
