#include "Editor/gtk/TerminationWindow.h"

#include "platform/Folders.h"

#include <gtkmm/image.h>

#include <filesystem>

TerminationWindow::TerminationWindow(TerminationWindowController& controller, Gtk::Window* parent)
    : _controller(controller)
{
    set_title(_controller.windowTitle());
    set_modal(true);
    set_deletable(false);
    set_resizable(false);
    set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
    set_default_size(360, -1);
    if (parent) {
        set_transient_for(*parent);
        set_position(Gtk::WIN_POS_CENTER_ON_PARENT);
    } else {
        set_position(Gtk::WIN_POS_CENTER);
    }
    _box.set_border_width(18);
    _message.set_text(_controller.message());
    _message.set_line_wrap(true);
    _message.set_xalign(0.0f);
    _header.pack_start(_spinner, Gtk::PACK_SHRINK);
    _header.pack_start(_message, Gtk::PACK_EXPAND_WIDGET);
    _box.pack_start(_header, Gtk::PACK_SHRINK);
    _list.set_selection_mode(Gtk::SELECTION_NONE);
    _box.pack_start(_list, Gtk::PACK_EXPAND_WIDGET);
    add(_box);
    _spinner.start();
    _controller.setView(this);
    show_all();
}

TerminationWindow::~TerminationWindow()
{
    _controller.setView(nullptr);
}

void TerminationWindow::reloadRows()
{
    for (Gtk::Widget* row : _list.get_children()) {
        _list.remove(*row);
        delete row;
    }
    for (const TerminationWindowController::Row& row : _controller.rows()) {
        auto* line = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_HORIZONTAL, 8);
        std::string picture =
            row.iconImage.empty() ? std::string() : Folders::resourcePath("images/" + row.iconImage + ".png");
        std::error_code ec;
        if (!picture.empty() && std::filesystem::is_regular_file(picture, ec))
            line->pack_start(*Gtk::make_managed<Gtk::Image>(picture), Gtk::PACK_SHRINK);
        auto* text = Gtk::make_managed<Gtk::Label>(row.text);
        text->set_xalign(0.0f);
        line->pack_start(*text, Gtk::PACK_EXPAND_WIDGET);
        _list.append(*line);
    }
    _list.show_all();
}

std::vector<std::string> TerminationWindow::rowTexts() const
{
    std::vector<std::string> texts;
    for (const Gtk::Widget* row : _list.get_children()) {
        const auto* listRow = dynamic_cast<const Gtk::ListBoxRow*>(row);
        const auto* line = listRow ? dynamic_cast<const Gtk::Box*>(listRow->get_child()) : nullptr;
        if (!line) continue;
        for (const Gtk::Widget* child : line->get_children())
            if (const auto* label = dynamic_cast<const Gtk::Label*>(child)) texts.push_back(label->get_text());
    }
    return texts;
}

void TerminationWindow::closeWindow()
{
    _spinner.stop();
    hide();
    if (_closed) _closed();
}

bool TerminationWindow::on_delete_event(GdkEventAny*)
{
    // The quit cannot be cancelled; the window goes when the work is done.
    return true;
}
