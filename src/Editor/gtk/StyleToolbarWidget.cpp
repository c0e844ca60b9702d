#include "Editor/gtk/StyleToolbarWidget.h"

#include "Editor/EditorDocument.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/ToolbarImageFactory.h"

namespace {

class CurrentDocument : public Responder {
public:
    explicit CurrentDocument(std::function<EditorDocument*()> document) : _document(std::move(document)) {}

    bool respondsToAction(const std::string& action) const override
    {
        EditorDocument* document = current();
        return document && document->respondsToAction(action);
    }
    bool performAction(const std::string& action, const ActionSender* sender) override
    {
        EditorDocument* document = current();
        return document && document->performAction(action, sender);
    }
    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override
    {
        EditorDocument* document = current();
        return document ? document->validateUserInterfaceItem(item) : ItemValidation::enabledIf(false);
    }

private:
    EditorDocument* current() const { return _document ? _document() : nullptr; }

    std::function<EditorDocument*()> _document;
};

} // namespace

StyleToolbarWidget::StyleToolbarWidget(const StyleToolsOwner& owner)
{
    build(owner);
}

StyleToolbarWidget::StyleToolbarWidget(Responder& windowController, std::function<EditorDocument*()> document)
    : _document(std::make_unique<CurrentDocument>(document))
{
    StyleToolsOwner owner;
    owner.windowController = &windowController;
    owner.document = _document.get();
    owner.currentMindMap = [document]() -> MindMap* {
        EditorDocument* current = document ? document() : nullptr;
        return current ? current->mindMap() : nullptr;
    };
    build(owner);
}

StyleToolbarWidget::~StyleToolbarWidget() = default;

void StyleToolbarWidget::build(const StyleToolsOwner& owner)
{
    // The segments and their menus name their pictures through the one image table.
    ToolbarImageFactory::install();
    setShrinkable(true);
    addSegmentedControlItems(StyleToolsBuilder::buildStyleTools(owner));
}

void StyleToolbarWidget::install(MainWindow& window, std::function<EditorDocument*()> document)
{
    // The window's widget tree owns the strip.
    auto* strip = Gtk::manage(new StyleToolbarWidget(window.controller(), std::move(document)));
    window.setStyleToolbar(*strip);
    window.addValidator([strip] { strip->validate(); });
}
