#include "platform/gtk/FileChooserPaste.h"

#include "platform/Pasteboard.h"
#include "platform/gtk/BoundedEntry.h"

#include <gtk/gtk.h>

#include <utility>

namespace {

// GTK's own signal for the key asks the clipboard before any handler can stop it, so the key is
// bound to a signal of ours instead.
constexpr const char* PasteSignal = "paste-location-when-answered";

GQuark requesterQuark()
{
    static const GQuark quark = g_quark_from_static_string("tarnwick-chooser-paste");
    return quark;
}

void pasteLocation(GtkWidget* chooser)
{
    auto* requester = static_cast<PasteboardRequester*>(g_object_get_qdata(G_OBJECT(chooser), requesterQuark()));
    if (!requester) {
        requester = new PasteboardRequester;
        g_object_set_qdata_full(G_OBJECT(chooser), requesterQuark(), requester,
                                [](gpointer data) { delete static_cast<PasteboardRequester*>(data); });
        g_signal_connect(chooser, "unmap", G_CALLBACK(+[](GtkWidget*, gpointer data) {
                             static_cast<PasteboardRequester*>(data)->dropReads();
                         }),
                         requester);
    }
    // The requester lives as long as the chooser and lets go of its reads as the chooser leaves
    // the screen: an answer reaches a chooser that still shows.
    Pasteboard::generalPasteboard().read({Pasteboard::StringType}, *requester, [chooser](const Pasteboard& contents) {
        const std::optional<std::string> text = contents.stringForType(Pasteboard::StringType);
        if (!text) return;
        const std::string location = boundedEntryInsertion(*text, 0, EntryBound());
        g_signal_emit_by_name(chooser, "location-popup", location.c_str());
    });
}

} // namespace

void takeFileChooserPastes()
{
    static bool taken = false;
    if (std::exchange(taken, true)) return;
    // Kept for the process: the binding set belongs to the class.
    auto* chooserClass = static_cast<GtkWidgetClass*>(g_type_class_ref(GTK_TYPE_FILE_CHOOSER_WIDGET));
    g_signal_new_class_handler(PasteSignal, GTK_TYPE_FILE_CHOOSER_WIDGET,
                               static_cast<GSignalFlags>(G_SIGNAL_RUN_LAST | G_SIGNAL_ACTION),
                               G_CALLBACK(pasteLocation), nullptr, nullptr, nullptr, G_TYPE_NONE, 0);
    GtkBindingSet* bindings = gtk_binding_set_by_class(chooserClass);
    gtk_binding_entry_remove(bindings, GDK_KEY_v, GDK_CONTROL_MASK);
    gtk_binding_entry_add_signal(bindings, GDK_KEY_v, GDK_CONTROL_MASK, PasteSignal, 0);
}
