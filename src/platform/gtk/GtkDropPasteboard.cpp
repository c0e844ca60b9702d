#include "platform/gtk/GtkDropPasteboard.h"

#include "platform/gtk/GtkPasteboard.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

namespace {

// A drop's data on its way. The widget's handler holds it until the data comes, the drop is given
// up or the widget goes; a drop that goes unanswered with it is refused.
struct DropRead {
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

    ~DropRead()
    {
        if (sourceGone) g_signal_handler_disconnect(dragSelection(), sourceGone);
        if (pending) gtk_drag_finish(context->gobj(), FALSE, FALSE, time);
    }

    static GtkClipboard* dragSelection() { return gtk_clipboard_get(gdk_atom_intern_static_string("XdndSelection")); }
};

using SharedDrop = std::shared_ptr<DropRead>;

void finish(const SharedDrop& drop, std::vector<uint8_t> data)
{
    if (!drop->pending) return;
    drop->pending.reset();
    if (drop->sourceGone) g_signal_handler_disconnect(DropRead::dragSelection(), std::exchange(drop->sourceGone, 0));
    // Releases the handler's hold once its emission is over.
    if (drop->received) g_signal_handler_disconnect(drop->widget, std::exchange(drop->received, 0));
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

void dataReceived(GtkWidget* widget, GdkDragContext* context, gint, gint, GtkSelectionData* selection, guint, guint,
                  gpointer data)
{
    const SharedDrop drop = *static_cast<SharedDrop*>(data);
    if (context != drop->context->gobj()) return;
    // The widget's own handling would put the data in by itself.
    g_signal_stop_emission_by_name(widget, "drag-data-received");
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
    drop->context = _context;
    drop->time = _time;
    drop->type = type;
    drop->requester = requester.token();
    drop->done = std::move(done);
    drop->pending.emplace();
    drop->sourceGone = g_signal_connect_data(
        DropRead::dragSelection(), "owner-change", G_CALLBACK(&sourceChanged), new std::weak_ptr<DropRead>(drop),
        [](gpointer data, GClosure*) { delete static_cast<std::weak_ptr<DropRead>*>(data); }, GConnectFlags(0));
    drop->received = g_signal_connect_data(
        drop->widget, "drag-data-received", G_CALLBACK(&dataReceived), new SharedDrop(drop),
        [](gpointer data, GClosure*) { delete static_cast<SharedDrop*>(data); }, GConnectFlags(0));
    // Connected first: a source of this program answers before this returns.
    gtk_drag_get_data(drop->widget, _context->gobj(), gdk_atom_intern(target.c_str(), FALSE), _time);
}
