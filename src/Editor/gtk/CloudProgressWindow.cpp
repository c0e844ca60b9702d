#include "Editor/gtk/CloudProgressWindow.h"

#include "platform/gtk/GtkModalRun.h"

CloudProgressWindow::CloudProgressWindow()
{
    set_resizable(false);
    set_skip_taskbar_hint(true);
    set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
    set_default_size(300, -1);
    _box.set_border_width(18);
    _label.set_xalign(0.0f);
    _box.pack_start(_spinner, Gtk::PACK_SHRINK);
    _box.pack_start(_label, Gtk::PACK_EXPAND_WIDGET);
    add(_box);
    _box.show_all();
}

void CloudProgressWindow::setLabel(const std::string& text)
{
    _label.set_text(text);
    set_title(text);
}

void CloudProgressWindow::startProgressIndicator()
{
    _spinner.start();
}

void CloudProgressWindow::showCentred()
{
    if (Gtk::Window* parent = GtkModalRun::activeWindow()) {
        set_transient_for(*parent);
        set_position(Gtk::WIN_POS_CENTER_ON_PARENT);
    } else {
        set_position(Gtk::WIN_POS_CENTER);
    }
    present();
}

void CloudProgressWindow::close()
{
    _spinner.stop();
    hide();
}

void installCloudProgressWindow()
{
    CloudProgressWindowController::install([] { return std::make_unique<CloudProgressWindow>(); });
}
