#include "panels/gtk/ModalDialog.h"

#include "platform/gtk/GtkModalRun.h"

#include <gtkmm.h>

int ModalDialog::run(Gtk::Dialog& dialog, int closedCode)
{
    Gtk::Window* remembered = GtkModalRun::activeWindow();
    if (remembered == &dialog) remembered = nullptr;
    const int response = GtkModalRun::run(dialog);
    // GTK's own answers (Cancel, Escape, the close button, a destroyed dialog) are all negative.
    const int result = response > 0 ? response : closedCode;
    if (remembered && remembered->get_visible()) remembered->present();
    return result;
}

void EmbedViewInContainer(Gtk::Widget& view, Gtk::Container& container, bool pinTop)
{
    view.set_margin_start(20);
    view.set_margin_end(20);
    view.set_margin_bottom(20);
    if (pinTop) view.set_margin_top(12);
    view.set_halign(Gtk::ALIGN_CENTER);
    view.set_valign(Gtk::ALIGN_START);
    container.add(view);
    view.show_all();
    container.queue_resize();
}
