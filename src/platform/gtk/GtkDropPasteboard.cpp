#include "platform/gtk/GtkDropPasteboard.h"

#include "platform/gtk/GtkPasteboard.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

namespace {

// A drop's data on its way. The receiver's handler holds it until the data comes or the drop is
// given up: its source or the widget dropped on went away.
struct DropRead {
    // Asks for the data in the stead of the widget dropped on, and lives as long as the read: an
    // answer that comes after that widget has gone reaches no handler of the widget's own, which
    // would take the data into a text no one sees and tell the source it was taken.
    GtkWidget* receiver = nullptr;
    GtkWidget* widget = nullptr;
    Glib::RefPtr<Gdk::DragContext> context;
    guint time = 0;
    std::string type;
    std::weak_ptr<const void> requester;
    Pasteboard::ReadCompletion done;
    // Empty once the drop has ended.
    std::optional<Pasteboard::PendingRead> pending;
    gulong received = 0;
    gulong sourceGone = 0;
    gulong widgetGone = 0;

    ~DropRead()
    {
        if (sourceGone) g_signal_handler_disconnect(dragSelection(), sourceGone);
        if (widgetGone) g_signal_handler_disconnect(widget, widgetGone);
        if (pending) gtk_drag_finish(context->gobj(), FALSE, FALSE, time);
        gtk_widget_destroy(receiver);
        g_object_unref(receiver);
    }

    static GtkClipboard* dragSelection() { return gtk_clipboard_get(gdk_atom_intern_static_string("XdndSelection")); }
};

using SharedDrop = std::shared_ptr<DropRead>;

void finish(const SharedDrop& drop, std::vector<uint8_t> data)
{
    if (!drop->pending) return;
    drop->pending.reset();
    if (drop->sourceGone) g_signal_handler_disconnect(DropRead::dragSelection(), std::exchange(drop->sourceGone, 0));
    if (drop->widgetGone) g_signal_handler_disconnect(drop->widget, std::exchange(drop->widgetGone, 0));
    // Releases the handler's hold once its emission is over.
    if (drop->received) g_signal_handler_disconnect(drop->receiver, std::exchange(drop->received, 0));
    const bool wanted = !drop->requester.expired();
    gtk_drag_finish(drop->context->gobj(), wanted && !data.empty(), FALSE, drop->time);
    if (!wanted) return;
    MemoryPasteboard contents;
    if (!data.empty()) {
        contents.declareTypes({drop->type});
        contents.setData(data, drop->type);
        std::vector<uint8_t>().swap(data);
    }
    drop->done(contents);
}

void dataReceived(GtkWidget*, GdkDragContext* context, gint, gint, GtkSelectionData* selection, guint, guint,
                  gpointer data)
{
    const SharedDrop drop = *static_cast<SharedDrop*>(data);
    if (context != drop->context->gobj()) return;
    std::vector<uint8_t> bytes;
    if (drop->type == Pasteboard::StringType) {
        // Converted from whichever of the desktop's text targets came.
        if (gchar* text = reinterpret_cast<gchar*>(gtk_selection_data_get_text(selection))) {
            const std::string_view view(text);
            bytes.assign(view.begin(), view.end());
            g_free(text);
        }
    } else if (gtk_selection_data_get_length(selection) > 0) {
        const guchar* start = gtk_selection_data_get_data(selection);
        bytes.assign(start, start + gtk_selection_data_get_length(selection));
    }
    finish(drop, std::move(bytes));
}

void sourceChanged(GtkClipboard*, GdkEventOwnerChange* event, gpointer data)
{
    // The source that went away will never send its data; the toolkit would wait half a minute.
    if (event->reason != GDK_OWNER_CHANGE_DESTROY && event->reason != GDK_OWNER_CHANGE_CLOSE) return;
    if (const SharedDrop drop = static_cast<std::weak_ptr<DropRead>*>(data)->lock()) finish(drop, {});
}

void widgetGone(GtkWidget*, gpointer data)
{
    if (const SharedDrop drop = static_cast<std::weak_ptr<DropRead>*>(data)->lock()) finish(drop, {});
}

// Calls back with a weak hold on the drop: the drop's end disconnects it.
gulong connectWeakly(gpointer instance, const char* signal, GCallback callback, const SharedDrop& drop)
{
    return g_signal_connect_data(
        instance, signal, callback, new std::weak_ptr<DropRead>(drop),
        [](gpointer data, GClosure*) { delete static_cast<std::weak_ptr<DropRead>*>(data); }, GConnectFlags(0));
}

} // namespace

GtkDropPasteboard::GtkDropPasteboard(Gtk::Widget& widget, const Glib::RefPtr<Gdk::DragContext>& context, guint time)
    : _widget(widget), _context(context), _time(time)
{
}

GtkDropPasteboard::~GtkDropPasteboard()
{
    if (!_read) _context->drag_finish(false, false, _time);
}

std::vector<std::string> GtkDropPasteboard::types() const
{
    std::vector<std::string> types;
    for (const std::string& target : _context->list_targets()) {
        const std::string type = GtkPasteboard::typeOfTarget(target);
        if (std::find(types.begin(), types.end(), type) == types.end()) types.push_back(type);
    }
    return types;
}

void GtkDropPasteboard::read(const std::vector<std::string>& wanted, const PasteboardRequester& requester,
                             ReadCompletion done) const
{
    const bool first = !_read;
    _read = true;
    const std::vector<std::string> offered = _context->list_targets();
    const auto isOffered = [&offered](const std::string& target) {
        return std::find(offered.begin(), offered.end(), target) != offered.end();
    };
    std::string type, target;
    for (const std::string& candidate : first ? wanted : std::vector<std::string>()) {
        if (candidate == StringType) {
            const auto& texts = GtkPasteboard::textTargets();
            const auto text = std::find_if(texts.begin(), texts.end(), isOffered);
            if (text != texts.end()) target = *text;
        } else if (isOffered(candidate)) {
            target = candidate;
        }
        if (!target.empty()) {
            type = candidate;
            break;
        }
    }
    if (target.empty()) {
        if (first) _context->drag_finish(false, false, _time);
        if (!requester.token().expired()) done(MemoryPasteboard());
        return;
    }
    auto drop = std::make_shared<DropRead>();
    drop->widget = GTK_WIDGET(_widget.gobj());
    drop->receiver = GTK_WIDGET(g_object_ref_sink(gtk_invisible_new_for_screen(gtk_widget_get_screen(drop->widget))));
    drop->context = _context;
    drop->time = _time;
    drop->type = type;
    drop->requester = requester.token();
    drop->done = std::move(done);
    drop->pending.emplace();
    drop->sourceGone = connectWeakly(DropRead::dragSelection(), "owner-change", G_CALLBACK(&sourceChanged), drop);
    drop->widgetGone = connectWeakly(drop->widget, "destroy", G_CALLBACK(&widgetGone), drop);
    drop->received = g_signal_connect_data(
        drop->receiver, "drag-data-received", G_CALLBACK(&dataReceived), new SharedDrop(drop),
        [](gpointer data, GClosure*) { delete static_cast<SharedDrop*>(data); }, GConnectFlags(0));
    // Connected first: a source of this program answers before this returns.
    gtk_drag_get_data(drop->receiver, _context->gobj(), gdk_atom_intern(target.c_str(), FALSE), _time);
}
