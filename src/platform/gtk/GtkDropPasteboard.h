#pragma once

#include "platform/Pasteboard.h"

#include <gtkmm/widget.h>

// What a drag dropped on a widget offers, as a pasteboard to read: the types the drag offers, and
// the data of one of them, which the source sends when asked, later, through the main loop. The
// read ends the drop: taken when its data reached a requester that still wanted it, refused
// otherwise, also when the source or the widget went away before the data came, and when no read
// was made at all.
// The source always keeps what it offered: a drop is taken as a copy.
class GtkDropPasteboard : public Pasteboard {
public:
    GtkDropPasteboard(Gtk::Widget& widget, const Glib::RefPtr<Gdk::DragContext>& context, guint time);
    ~GtkDropPasteboard() override;
    GtkDropPasteboard(const GtkDropPasteboard&) = delete;
    GtkDropPasteboard& operator=(const GtkDropPasteboard&) = delete;

    // A drop is only read: nothing can be declared or put.
    int64_t declareTypes(const std::vector<std::string>&) override { return 0; }
    std::vector<std::string> types() const override;
    int64_t changeCount() const override { return 0; }
    bool setData(const std::vector<uint8_t>&, const std::string&) override { return false; }
    std::optional<std::vector<uint8_t>> dataForType(const std::string&) const override { return std::nullopt; }
    // One read ends the drop; a second is answered with nothing.
    void read(const std::vector<std::string>& wanted, const PasteboardRequester& requester,
              ReadCompletion done) const override;

private:
    Gtk::Widget& _widget;
    Glib::RefPtr<Gdk::DragContext> _context;
    guint _time;
    mutable bool _read = false;
};
