#include "Editor/gtk/FeedbackLogView.h"
#include "Editor/CommandRouter.h"
#include "GtkTestSupport.h"

#include <gtest/gtest.h>

TEST(FeedbackLogViewTest, ShowsTheLogAndDeletesTheSelectedRow)
{
    initGtkForTests();
    CommandRouter::shared().setRunning(true);
    FeedbackCenter center;
    FeedbackController controller(center);
    center.addItemWithTitle("Upload failed", "The network\nwent away", 2);
    center.addItemWithTitle("Copied", "", 0, "", "GUID");
    {
        FeedbackLogView view(controller);
        Gtk::OffscreenWindow window;
        window.add(view);
        window.set_size_request(400, 120);
        window.show_all();
        drainGtkEvents();

        auto model = view.treeView().get_model();
        ASSERT_EQ(2, model->children().size());
        Glib::ustring text;
        model->children()[1]->get_value(1, text);
        EXPECT_EQ("Upload failed The network went away", text);
        Glib::ustring icon;
        model->children()[0]->get_value(0, icon);
        EXPECT_EQ("user-available", icon);

        Gtk::TreeModel::Path second;
        second.push_back(1);
        view.treeView().get_selection()->select(second);
        EXPECT_EQ(1, view.selectedRow());
        GdkEvent* key = gdk_event_new(GDK_KEY_PRESS);
        key->key.window = GDK_WINDOW(g_object_ref(view.get_window()->gobj()));
        key->key.keyval = GDK_KEY_Delete;
        EXPECT_TRUE(view.event(key));
        gdk_event_free(key);
        ASSERT_EQ(1u, center.count());
        EXPECT_EQ("Copied", center.items()[0]->title());
        EXPECT_EQ(1, model->children().size()) << "the change reloaded the table";
        window.remove();
    }
    EXPECT_EQ(nullptr, controller.table()) << "the view let go of the controller";
    CommandRouter::shared().setRunning(false);
}
