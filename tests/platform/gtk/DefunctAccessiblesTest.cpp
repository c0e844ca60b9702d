#include "platform/gtk/DefunctAccessibles.h"

#include "support/DisplayRequirement.h"
#include "support/RecordedCriticals.h"

#include <gtest/gtest.h>
#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>

#include <string>
#include <vector>

// What a screen reader still holds of the widgets of a context menu or a dialog that went: each
// accessible answers "defunct", and a notebook's page asked while it leaves logs no critical.
TEST(DefunctAccessibles, AnswerDefunctOnceTheirWidgetsAreGone)
{
    TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
    answerStatesOfDefunctAccessibles();
    RecordedCriticals criticals;
    for (GType type :
         {GTK_TYPE_WINDOW, GTK_TYPE_BUTTON, GTK_TYPE_TOGGLE_BUTTON, GTK_TYPE_CHECK_BUTTON, GTK_TYPE_RADIO_BUTTON,
          GTK_TYPE_MENU_BUTTON, GTK_TYPE_LINK_BUTTON, GTK_TYPE_SCALE_BUTTON, GTK_TYPE_LOCK_BUTTON, GTK_TYPE_EXPANDER,
          GTK_TYPE_CHECK_MENU_ITEM, GTK_TYPE_RADIO_MENU_ITEM, GTK_TYPE_MESSAGE_DIALOG, GTK_TYPE_LABEL,
          GTK_TYPE_ACCEL_LABEL, GTK_TYPE_ENTRY, GTK_TYPE_SEARCH_ENTRY, GTK_TYPE_SPIN_BUTTON, GTK_TYPE_POPOVER}) {
        GtkWidget* widget = GTK_WIDGET(g_object_ref_sink(g_object_new(type, nullptr)));
        AtkObject* held = ATK_OBJECT(g_object_ref(gtk_widget_get_accessible(widget)));
        // While the widget lives, GTK's own answer.
        AtkStateSet* live = atk_object_ref_state_set(held);
        EXPECT_TRUE(live && !atk_state_set_contains_state(live, ATK_STATE_DEFUNCT)) << g_type_name(type);
        if (live) g_object_unref(live);
        gtk_widget_destroy(widget);
        g_object_unref(widget);
        AtkStateSet* states = atk_object_ref_state_set(held);
        EXPECT_TRUE(states && atk_state_set_contains_state(states, ATK_STATE_DEFUNCT)) << g_type_name(type);
        if (states) g_object_unref(states);
        g_object_unref(held);
    }

    // Told of the page's removal, before GTK's own accessible of the notebook is.
    GtkWidget* notebook = GTK_WIDGET(g_object_ref_sink(gtk_notebook_new()));
    AtkObject* page = nullptr;
    g_signal_connect(notebook, "page-removed", G_CALLBACK(+[](GtkNotebook*, GtkWidget*, guint, AtkObject** page) {
                         g_object_unref(atk_object_ref_state_set(*page));
                         atk_object_get_name(*page);
                     }),
                     &page);
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), gtk_label_new("Text"), gtk_label_new("Style"));
    page = atk_object_ref_accessible_child(gtk_widget_get_accessible(notebook), 0);
    EXPECT_STREQ(atk_object_get_name(page), "Style") << "a page in its notebook is named by its tab";
    gtk_notebook_remove_page(GTK_NOTEBOOK(notebook), 0);
    g_object_unref(page);
    gtk_widget_destroy(notebook);
    g_object_unref(notebook);
    EXPECT_EQ(criticals.messages(), std::vector<std::string>());
}

namespace {

void registerAccessiblesOf(GType type)
{
    // A widget class names its accessible's class when GTK makes it.
    if (g_type_is_a(type, GTK_TYPE_WIDGET)) g_type_class_unref(g_type_class_ref(type));
    guint count = 0;
    GType* children = g_type_children(type, &count);
    for (guint index = 0; index < count; ++index) registerAccessiblesOf(children[index]);
    g_free(children);
}

void collectConcrete(GType type, std::vector<GType>& types)
{
    if (!G_TYPE_IS_ABSTRACT(type)) types.push_back(type);
    guint count = 0;
    GType* children = g_type_children(type, &count);
    for (guint index = 0; index < count; ++index) collectConcrete(children[index], types);
    g_free(children);
}

} // namespace

// Every accessible GTK has for a widget, as a screen reader finds it once the widget is gone:
// asked what the bus asks of every object it lends, each answers "defunct" and logs nothing.
TEST(DefunctAccessibles, EveryWidgetsAccessibleAnswersAsGone)
{
    TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
    answerStatesOfDefunctAccessibles();
    gtk_test_register_all_types();
    registerAccessiblesOf(GTK_TYPE_WIDGET);
    std::vector<GType> types;
    collectConcrete(GTK_TYPE_WIDGET_ACCESSIBLE, types);
    ASSERT_GT(types.size(), 40u);
    for (GType type : types) {
        RecordedCriticals criticals;
        // Made without a widget: what an accessible is once its widget has gone.
        AtkObject* gone = ATK_OBJECT(g_object_new(type, nullptr));
        AtkStateSet* states = atk_object_ref_state_set(gone);
        EXPECT_TRUE(states && atk_state_set_contains_state(states, ATK_STATE_DEFUNCT)) << g_type_name(type);
        if (states) g_object_unref(states);
        atk_object_get_name(gone);
        atk_object_get_role(gone);
        atk_object_get_index_in_parent(gone);
        EXPECT_EQ(atk_object_get_n_accessible_children(gone), 0) << g_type_name(type);
        if (AtkObject* child = atk_object_ref_accessible_child(gone, 0)) g_object_unref(child);
        atk_attribute_set_free(atk_object_get_attributes(gone));
        g_object_unref(gone);
        EXPECT_EQ(criticals.messages(), std::vector<std::string>()) << g_type_name(type);
    }
}
