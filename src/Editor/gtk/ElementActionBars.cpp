#include "Editor/gtk/ElementActionBars.h"

#include "Editor/CheckboxMenuHandler.h"
#include "Editor/CommandRouter.h"
#include "Editor/gtk/SegmentedControlWidget.h"
#include "platform/gtk/GtkPopoverPresenter.h"

#include <gdk/gdkkeysyms.h>
#include <glibmm/main.h>

namespace {

constexpr ElementActionBarPresenter::Kind Kinds[] = {
    ElementActionBarPresenter::Kind::Node, ElementActionBarPresenter::Kind::Relation,
    ElementActionBarPresenter::Kind::Image, ElementActionBarPresenter::Kind::Text};

// The check box states belong to the handler at the end of the responder chain; the bar's menu is
// one more of its menus.
std::shared_ptr<Menu> checkboxSetupMenu()
{
    for (Responder* responder : CommandRouter::shared().responderChain())
        if (auto* handler = dynamic_cast<CheckboxMenuHandler*>(responder)) return handler->makeCheckboxSetupMenu("");
    return nullptr;
}

// A bar may close from one of its own buttons' clicks: its widgets go once that click is over.
void releaseLater(std::shared_ptr<PopoverPresenter::Popover> popover)
{
    Glib::signal_idle().connect_once([popover = std::move(popover)]() mutable { popover.reset(); });
}

} // namespace

EditorActionBar::EditorActionBar(std::unique_ptr<EditorActionBarController> controller, std::function<void()> close)
    : _controller(std::move(controller)), _close(std::move(close))
{
    set_can_focus(false);
    get_style_context()->add_class("editor-action-bar");
    _controller->loadView();
    for (const auto& item : _controller->controls()) {
        auto widget = std::make_unique<SegmentedControlWidget>(*item);
        widget->set_halign(Gtk::ALIGN_CENTER);
        _column.pack_start(*widget, Gtk::PACK_SHRINK);
        _widgets.push_back(std::move(widget));
    }
    _column.set_border_width(2);
    add(_column);
    _controller->validateSegments();
    show_all();
}

EditorActionBar::~EditorActionBar()
{
    // The buttons go before the controls they show.
    for (auto& widget : _widgets) _column.remove(*widget);
    _widgets.clear();
}

void EditorActionBar::cancelOperation()
{
    if (_close) _close();
}

bool EditorActionBar::on_key_press_event(GdkEventKey* event)
{
    if (event->keyval == GDK_KEY_Escape) {
        cancelOperation();
        return true;
    }
    return Gtk::EventBox::on_key_press_event(event);
}

const char* ElementActionBars::contentName(Kind kind)
{
    switch (kind) {
    case Kind::Node:
        return "NodeActionBar";
    case Kind::Relation:
        return "RelationActionBar";
    case Kind::Image:
        return "ImageActionBar";
    case Kind::Text:
        break;
    }
    return "TextActionBar";
}

std::unique_ptr<EditorActionBarController> ElementActionBars::makeController(Kind kind)
{
    switch (kind) {
    case Kind::Node:
        return std::make_unique<NodeActionBarController>(checkboxSetupMenu);
    case Kind::Relation:
        return std::make_unique<RelationActionBarController>();
    case Kind::Image:
        return std::make_unique<ImageActionBarController>();
    case Kind::Text:
        break;
    }
    return std::make_unique<TextActionBarController>();
}

ElementActionBars::ElementActionBars(MindMapEditor& editor, GtkPopoverPresenter& presenter)
    : _editor(editor), _presenter(presenter)
{
    for (Kind kind : Kinds)
        _presenter.registerContent(contentName(kind), [this, kind]() -> Gtk::Widget* { return makeBar(kind); });
    _editor.setActionBarPresenter(this);
}

ElementActionBars::~ElementActionBars()
{
    _editor.setActionBarPresenter(nullptr);
    for (Kind kind : Kinds) _presenter.registerContent(contentName(kind), [] { return nullptr; });
    _shownBar = nullptr;
    _popover.reset();
}

EditorActionBar* ElementActionBars::makeBar(Kind kind)
{
    auto* bar = new EditorActionBar(makeController(kind), [this] { closeActionBars(); });
    _shownBar = bar;
    return bar;
}

Size ElementActionBars::contentSize(Kind kind)
{
    auto known = _sizes.find(kind);
    if (known != _sizes.end()) return known->second;
    // Measured once on a bar of its own: the one on screen keeps its controls.
    EditorActionBar bar(makeController(kind), nullptr);
    int minimumWidth = 0, naturalWidth = 0, minimumHeight = 0, naturalHeight = 0;
    bar.get_preferred_width(minimumWidth, naturalWidth);
    bar.get_preferred_height_for_width(naturalWidth, minimumHeight, naturalHeight);
    const Size size{double(naturalWidth), double(naturalHeight)};
    _sizes[kind] = size;
    return size;
}

Rect ElementActionBars::elementPopupBounds(Kind kind, MindMapElement* element)
{
    if (!element) return {};
    return makeController(kind)->elementPopupBounds(*element);
}

void ElementActionBars::showActionBar(Kind kind, const Rect& viewRect)
{
    closeActionBars();
    PopoverPresenter::Request request;
    request.content = contentName(kind);
    request.relativeTo = viewRect;
    request.preferredEdge = PopoverPresenter::Edge::Top;
    // Not modal: the canvas keeps the keyboard, and its Escape closes the bar.
    request.behavior = PopoverPresenter::Behavior::Semitransient;
    request.contentSize = contentSize(kind);
    auto shown = std::make_shared<std::weak_ptr<PopoverPresenter::Popover>>();
    _popover = _presenter.showPopover(request, [this, shown] {
        if (_popover && _popover == shown->lock()) {
            _shownBar = nullptr;
            releaseLater(std::move(_popover));
        }
    });
    *shown = _popover;
}

bool ElementActionBars::isActionBarShown() const
{
    return _popover && _popover->isShown();
}

void ElementActionBars::closeActionBars()
{
    std::shared_ptr<PopoverPresenter::Popover> popover = std::move(_popover);
    _popover.reset();
    _shownBar = nullptr;
    if (!popover) return;
    popover->close();
    releaseLater(std::move(popover));
}
