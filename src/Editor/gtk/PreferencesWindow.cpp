#include "Editor/gtk/PreferencesWindow.h"

#include "platform/Localizer.h"

#include <gtkmm/label.h>

#include <map>

namespace {

PreferencesWindow::PaneContents& paneContents()
{
    static PreferencesWindow::PaneContents contents;
    return contents;
}

std::map<std::string, std::function<Gtk::Widget*()>>& singlePaneContents()
{
    static std::map<std::string, std::function<Gtk::Widget*()>> contents;
    return contents;
}

Gtk::Widget* contentsOfPane(const std::string& identifier)
{
    const auto single = singlePaneContents().find(identifier);
    if (single != singlePaneContents().end() && single->second)
        if (Gtk::Widget* contents = single->second()) return contents;
    return paneContents() ? paneContents()(identifier) : nullptr;
}

} // namespace

void PreferencesWindow::setPaneContents(PaneContents contents)
{
    paneContents() = std::move(contents);
}

void PreferencesWindow::addPaneContents(const std::string& identifier, std::function<Gtk::Widget*()> contents)
{
    singlePaneContents()[identifier] = std::move(contents);
}

PreferencesWindow::PreferencesWindow(std::span<const PreferencePaneInfo> panes, double minimumWidth,
                                     Gtk::Window* parent)
{
    set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
    set_resizable(false);
    if (parent) set_transient_for(*parent);
    set_position(parent ? Gtk::WIN_POS_CENTER_ON_PARENT : Gtk::WIN_POS_CENTER);
    set_size_request(static_cast<int>(minimumWidth), -1);
    _switcher.set_stack(_stack);
    _switcher.set_halign(Gtk::ALIGN_CENTER);
    _switcher.set_border_width(6);
    _stack.set_transition_type(Gtk::STACK_TRANSITION_TYPE_NONE);
    for (const PreferencePaneInfo& pane : panes) {
        Gtk::Widget* contents = contentsOfPane(pane.identifier);
        if (!contents) {
            auto* placeholder = Gtk::make_managed<Gtk::Label>(localized("preferences_pane_placeholder"));
            placeholder->set_line_wrap(true);
            placeholder->set_margin_top(48);
            placeholder->set_margin_bottom(48);
            placeholder->set_margin_start(24);
            placeholder->set_margin_end(24);
            placeholder->get_style_context()->add_class("dim-label");
            contents = placeholder;
        }
        _stack.add(*contents, pane.identifier, localized(pane.labelKey));
        _titles.emplace_back(pane.identifier, localized(pane.labelKey));
    }
    _stack.property_visible_child_name().signal_changed().connect([this] { updateTitle(); });
    _box.pack_start(_switcher, Gtk::PACK_SHRINK);
    _box.pack_start(_stack, Gtk::PACK_EXPAND_WIDGET);
    add(_box);
    _box.show_all();
    updateTitle();
}

std::string PreferencesWindow::selectedPane() const
{
    return _stack.get_visible_child_name();
}

std::vector<std::string> PreferencesWindow::paneIdentifiers() const
{
    std::vector<std::string> identifiers;
    for (const auto& [identifier, title] : _titles) identifiers.push_back(identifier);
    return identifiers;
}

void PreferencesWindow::updateTitle()
{
    const std::string shown = selectedPane();
    for (const auto& [identifier, title] : _titles)
        if (identifier == shown) set_title(title);
}

void PreferencesWindow::selectPane(const std::string& identifier)
{
    // An identifier no pane has leaves the pane shown.
    if (_stack.get_child_by_name(identifier)) _stack.set_visible_child(identifier);
}

void PreferencesWindow::show()
{
    present();
}

void PreferencesWindow::close()
{
    hide();
}
