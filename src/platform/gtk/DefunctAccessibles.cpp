#include "platform/gtk/DefunctAccessibles.h"

#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>

#include <iterator>
#include <utility>

namespace {

using StatesAnswer = AtkStateSet* (*)(AtkObject*);
using NameAnswer = const gchar* (*)(AtkObject*);
using ChildCountAnswer = gint (*)(AtkObject*);
using ChildAnswer = AtkObject* (*)(AtkObject*, gint);
using AttributesAnswer = AtkAttributeSet* (*)(AtkObject*);

bool widgetGone(AtkObject* accessible)
{
    return !gtk_accessible_get_widget(GTK_ACCESSIBLE(accessible));
}

AtkStateSet* defunctStates()
{
    AtkStateSet* states = atk_state_set_new();
    atk_state_set_add_state(states, ATK_STATE_DEFUNCT);
    return states;
}

// The classes that answer no states once their widget is gone, or ask the gone widget (a
// popover, whether it is modal). A subclass took its parent's answer when GTK made it, or answers
// first and then asks its parent's: each is mended itself.
GType (*const MendedClasses[])() = {
    gtk_window_accessible_get_type,          gtk_button_accessible_get_type,
    gtk_toggle_button_accessible_get_type,   gtk_radio_button_accessible_get_type,
    gtk_menu_button_accessible_get_type,     gtk_link_button_accessible_get_type,
    gtk_scale_button_accessible_get_type,    gtk_lock_button_accessible_get_type,
    gtk_expander_accessible_get_type,        gtk_check_menu_item_accessible_get_type,
    gtk_radio_menu_item_accessible_get_type, gtk_label_accessible_get_type,
    gtk_entry_accessible_get_type,           gtk_spin_button_accessible_get_type,
    gtk_popover_accessible_get_type,
};

// The classes that look their children (a window's popovers, a socket's plug) and attributes (a
// window's type) up in the widget without asking whether it is still there.
GType (*const ChildlessClasses[])() = {
    gtk_window_accessible_get_type,
    gtk_socket_accessible_get_type,
};

// One answer for each class, as each must hand a live widget's question to that class's own.
template <size_t Index> struct DefunctAnswer {
    static inline StatesAnswer original = nullptr;

    static AtkStateSet* states(AtkObject* accessible)
    {
        return widgetGone(accessible) ? defunctStates() : original(accessible);
    }

    static void install()
    {
        // GTK's classes stay for the whole process: the reference is never given back.
        auto* objectClass = static_cast<AtkObjectClass*>(g_type_class_ref(MendedClasses[Index]()));
        original = objectClass->ref_state_set;
        objectClass->ref_state_set = &states;
    }
};

template <size_t Index> struct ChildlessAnswer {
    static inline ChildCountAnswer originalCount = nullptr;
    static inline ChildAnswer originalChild = nullptr;
    static inline AttributesAnswer originalAttributes = nullptr;

    static gint count(AtkObject* accessible) { return widgetGone(accessible) ? 0 : originalCount(accessible); }
    static AtkObject* child(AtkObject* accessible, gint index)
    {
        return widgetGone(accessible) ? nullptr : originalChild(accessible, index);
    }
    static AtkAttributeSet* attributes(AtkObject* accessible)
    {
        return widgetGone(accessible) ? nullptr : originalAttributes(accessible);
    }

    static void install()
    {
        auto* objectClass = static_cast<AtkObjectClass*>(g_type_class_ref(ChildlessClasses[Index]()));
        originalCount = objectClass->get_n_children;
        originalChild = objectClass->ref_child;
        originalAttributes = objectClass->get_attributes;
        objectClass->get_n_children = &count;
        objectClass->ref_child = &child;
        objectClass->get_attributes = &attributes;
    }
};

// A notebook tells a page's accessible that the page has gone only once the page has left it, and
// a screen reader told of that asks the page for its name and states at once: GTK's page then
// looks its tab up in a notebook that no longer has the page, and logs a critical.
struct LeavingNotebookPage {
    static inline NameAnswer originalName = nullptr;
    static inline StatesAnswer originalStates = nullptr;

    static bool gone(AtkObject* page)
    {
        AtkObject* notebook = atk_object_get_parent(page);
        GtkWidget* notebookWidget =
            GTK_IS_ACCESSIBLE(notebook) ? gtk_accessible_get_widget(GTK_ACCESSIBLE(notebook)) : nullptr;
        AtkObject* content = atk_object_ref_accessible_child(page, 0);
        GtkWidget* contentWidget =
            GTK_IS_ACCESSIBLE(content) ? gtk_accessible_get_widget(GTK_ACCESSIBLE(content)) : nullptr;
        const bool inside = GTK_IS_NOTEBOOK(notebookWidget) && contentWidget &&
            gtk_notebook_page_num(GTK_NOTEBOOK(notebookWidget), contentWidget) >= 0;
        if (content) g_object_unref(content);
        return !inside;
    }
    // A name given to the page itself needs no tab.
    static const gchar* name(AtkObject* page) { return gone(page) ? page->name : originalName(page); }
    static AtkStateSet* states(AtkObject* page) { return gone(page) ? defunctStates() : originalStates(page); }

    static void install()
    {
        auto* objectClass = static_cast<AtkObjectClass*>(g_type_class_ref(gtk_notebook_page_accessible_get_type()));
        originalName = objectClass->get_name;
        originalStates = objectClass->ref_state_set;
        objectClass->get_name = &name;
        objectClass->ref_state_set = &states;
    }
};

template <template <size_t> class Answer, size_t... Index> void installAll(std::index_sequence<Index...>)
{
    (Answer<Index>::install(), ...);
}

} // namespace

void answerStatesOfDefunctAccessibles()
{
    static const bool installed = [] {
        installAll<DefunctAnswer>(std::make_index_sequence<std::size(MendedClasses)>());
        installAll<ChildlessAnswer>(std::make_index_sequence<std::size(ChildlessClasses)>());
        LeavingNotebookPage::install();
        return true;
    }();
    static_cast<void>(installed);
}
