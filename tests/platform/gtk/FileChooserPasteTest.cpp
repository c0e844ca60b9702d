#include "platform/gtk/FileChooserPaste.h"

#include "platform/MainLoop.h"
#include "platform/Pasteboard.h"
#include "platform/gtk/GtkDesktopPorts.h"
#include "platform/gtk/GtkOpenSavePanels.h"

#include "support/DisplayRequirement.h"
#include "support/ForeignText.h"
#include "support/RecordedCriticals.h"
#include "support/SyntheticKey.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <functional>
#include <memory>
#include <utility>

namespace {

GtkWidget* shownDialog()
{
    GtkWidget* found = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* window = windows; window; window = window->next)
        if (GTK_IS_FILE_CHOOSER_DIALOG(window->data) && gtk_widget_get_mapped(GTK_WIDGET(window->data)))
            found = GTK_WIDGET(window->data);
    g_list_free(windows);
    return found;
}

void collectShownEntries(GtkWidget* widget, std::vector<GtkEntry*>& entries)
{
    if (GTK_IS_ENTRY(widget) && gtk_widget_get_mapped(widget)) entries.push_back(GTK_ENTRY(widget));
    if (GTK_IS_CONTAINER(widget))
        gtk_container_forall(
            GTK_CONTAINER(widget),
            [](GtkWidget* child, gpointer list) {
                collectShownEntries(child, *static_cast<std::vector<GtkEntry*>*>(list));
            },
            &entries);
}

// Runs as it goes out of scope, an early return of a failed assertion included.
struct AtExit {
    std::function<void()> run;
    ~AtExit() { run(); }
};

GtkWidget* chooserIn(GtkWidget* widget)
{
    if (GTK_IS_FILE_CHOOSER_WIDGET(widget)) return widget;
    GtkWidget* found = nullptr;
    if (GTK_IS_CONTAINER(widget))
        gtk_container_forall(
            GTK_CONTAINER(widget),
            [](GtkWidget* child, gpointer found) {
                auto** chooser = static_cast<GtkWidget**>(found);
                if (!*chooser) *chooser = chooserIn(child);
            },
            &found);
    return found;
}

} // namespace

// Ctrl+V in the import panel's file list, with the clipboard's owner slow to answer: a panel
// closed meanwhile takes nothing (GTK's own paste reached the freed panel and ended the program),
// and one that still shows puts the first line of the text into its location field.
TEST(FileChooserPaste, TheAnswerReachesOnlyAChooserThatStillShows)
{
    TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
    Gtk::Main::init_gtkmm_internals();
    // As the program starts: the desktop's clipboard, and the choosers' paste on the program's road.
    installGtkDesktopPorts();
    TempDir folder;
    for (bool closed : {true, false}) {
        SCOPED_TRACE(closed ? "closed before the answer" : "still showing");
        RecordedCriticals criticals;
        // The last round's owner went away: the program gives up a read once it sees that, so the
        // panel asks only once the new owner is known, as when the keys come through the display.
        bool newOwner = false;
        const gulong seen = g_signal_connect(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), "owner-change",
                                             G_CALLBACK(+[](GtkClipboard*, GdkEventOwnerChange* event, gpointer seen) {
                                                 if (event->reason == GDK_OWNER_CHANGE_NEW_OWNER)
                                                     *static_cast<bool*>(seen) = true;
                                             }),
                                             &newOwner);
        ForeignText clipboard("CLIPBOARD", "\n  " + folder.path() + "/notes\t\nsecond line\n",
                              ForeignText::Holds::Text);
        ASSERT_TRUE(clipboard.offered());
        const bool known = MainLoop::runUntil([&] { return newOwner; }, 30);
        g_signal_handler_disconnect(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), seen);
        ASSERT_TRUE(known) << "the program never saw the clipboard's owner";
        std::string located;
        // An answer that reached the closed panel's chooser would open its location field there
        // (seen by the hook), or act on a freed widget (a critical or a crash). The chooser is not
        // kept alive for it: a chooser kept past its panel still finishes loading its folder, into
        // views its panel has taken down, which says criticals of its own.
        bool closedWhileAsked = false;
        const gulong reached = !closed
            ? 0
            : g_signal_add_emission_hook(
                  g_signal_lookup("location-popup", GTK_TYPE_FILE_CHOOSER_WIDGET), 0,
                  +[](GSignalInvocationHint*, guint count, const GValue* values, gpointer text) {
                      if (count > 1 && G_VALUE_HOLDS_STRING(&values[1]))
                          *static_cast<std::string*>(text) = g_value_get_string(&values[1]);
                      return gboolean(TRUE);
                  },
                  &located, nullptr);
        const AtExit release{[&] {
            if (reached)
                g_signal_remove_emission_hook(g_signal_lookup("location-popup", GTK_TYPE_FILE_CHOOSER_WIDGET), reached);
        }};
        enum class Step { Paste, Asked, Answered } step = Step::Paste;
        sigc::connection user = Glib::signal_timeout().connect(
            [&] {
                GtkWidget* dialog = shownDialog();
                if (!dialog) return true;
                if (step == Step::Paste) {
                    // Into the file list, which has the keyboard as the panel opens.
                    pressKey(dialog, GDK_KEY_v, GDK_CONTROL_MASK);
                    step = Step::Asked;
                } else if (step == Step::Asked && clipboard.waiting() > 0) {
                    if (closed) {
                        closedWhileAsked = chooserIn(dialog) != nullptr;
                        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
                        return false;
                    }
                    clipboard.release();
                    step = Step::Answered;
                } else if (step == Step::Answered) {
                    std::vector<GtkEntry*> entries;
                    collectShownEntries(dialog, entries);
                    for (GtkEntry* entry : entries)
                        if (*gtk_entry_get_text(entry)) located = gtk_entry_get_text(entry);
                    if (located.empty()) return true;
                    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
                    return false;
                }
                return true;
            },
            20);
        GtkOpenSavePanels panels;
        FileChooser::OpenOptions options;
        options.title = "Import";
        options.directory = folder.path();
        EXPECT_TRUE(panels.runOpenPanel(options).empty());
        user.disconnect();
        clipboard.release();
        // The owner answers in order: once a later request has its answer, the panel's had too.
        bool later = false;
        gtk_clipboard_request_text(
            gtk_clipboard_get(GDK_SELECTION_CLIPBOARD),
            [](GtkClipboard*, const gchar*, gpointer answered) { *static_cast<bool*>(answered) = true; }, &later);
        ASSERT_TRUE(MainLoop::runUntil([&] { return later; }, 30));
        if (closed) {
            EXPECT_TRUE(closedWhileAsked) << "no chooser was closed";
        }
        EXPECT_EQ(located, closed ? "" : folder.path() + "/notes");
        EXPECT_EQ(criticals.messages(), std::vector<std::string>());
    }
    Pasteboard::setGeneralPasteboard(nullptr);
}
