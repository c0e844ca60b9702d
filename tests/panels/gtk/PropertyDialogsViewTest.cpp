#include "panels/gtk/PropertyDialogs.h"
#include "panels/gtk/URLLinkDialog.h"

#include "Editor/gtk/GtkTestSupport.h"
#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/NodeStyle.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/TextMeasurer.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/BoundedEntry.h"
#include "support/DisplayRequirement.h"
#include "support/FakeTextMeasurer.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

namespace {

class PropertyDialogsViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        Gtk::Main::init_gtkmm_internals();
        registerNativeFormat();
        TextMeasurer::setShared(&measurer);
        installPropertyDialogs();
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        topic = map->addMindMapNodeAsChild(map->mainCentralTheme(), {600, 200});
        topic->setText("Before");
        topic->setNote("Note");
        map->validateElementStates();
        map->undoManager()->removeAllActions();
    }

    void TearDown() override
    {
        setPropertyDialogShownObserver(nullptr);
        NodePropertiesPanelController::setWindow(nullptr);
        NotePanelController::setWindow(nullptr);
        TextPanelController::setWindow(nullptr);
        LayoutModePanelController::setWindow(nullptr);
        map.reset();
        TextMeasurer::setShared(nullptr);
    }

    // Runs the step once the dialog shows, from the dialog's own loop.
    static void whenShown(std::function<void(Gtk::Dialog&)> step)
    {
        setPropertyDialogShownObserver(
            [step](Gtk::Dialog& dialog) { Glib::signal_idle().connect_once([step, &dialog] { step(dialog); }); });
    }

    FakeTextMeasurer measurer;
    std::shared_ptr<MindMap> map;
    MindMapNode* topic = nullptr;
};

} // namespace

TEST_F(PropertyDialogsViewTest, TypedTextAndATickedBoxReachTheTopicOnOk)
{
    whenShown([this](Gtk::Dialog& shown) {
        auto& dialog = dynamic_cast<NodePropertiesDialog&>(shown);
        EXPECT_EQ(dialog.textView().get_buffer()->get_text(), "Before");
        EXPECT_EQ(dialog.tabs().get_current_page(), 0);
        dialog.textView().get_buffer()->set_text("Typed");
        dialog.styleView().check(BaseTextStyleFrame::Check::Alignment).set_active(true);
        dialog.styleView().alignmentSegments().segment(2).set_active(true);
        // Another application takes the focus: the dialog neither closes nor commits.
        GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
        event->focus_change.in = FALSE;
        event->focus_change.window = GDK_WINDOW(g_object_ref(dialog.get_window()->gobj()));
        gtk_widget_send_focus_change(GTK_WIDGET(dialog.gobj()), event);
        gdk_event_free(event);
        EXPECT_TRUE(dialog.get_visible());
        EXPECT_EQ(topic->text(), "Before");
        dialog.okButton().clicked();
    });
    EXPECT_TRUE(NodePropertiesPanelController::editNodeProperties(topic));
    EXPECT_EQ(topic->text(), "Typed");
    EXPECT_TRUE(topic->style()->isPropCustomized(TextStyle::AlignmentMask));
    EXPECT_EQ(topic->style()->alignment(), 2);
    EXPECT_TRUE(map->undoManager()->canUndo());
}

TEST_F(PropertyDialogsViewTest, CancelAndClosingChangeNothing)
{
    for (const bool cancel : {true, false}) {
        whenShown([cancel](Gtk::Dialog& shown) {
            auto& dialog = dynamic_cast<NodePropertiesDialog&>(shown);
            dialog.textView().get_buffer()->set_text("Dropped");
            if (cancel) dialog.response(Gtk::RESPONSE_CANCEL);
            else dialog.response(Gtk::RESPONSE_DELETE_EVENT);
        });
        EXPECT_FALSE(NodePropertiesPanelController::editNodeProperties(topic));
        EXPECT_EQ(topic->text(), "Before");
        EXPECT_FALSE(map->undoManager()->canUndo());
    }
}

TEST_F(PropertyDialogsViewTest, TheReadOnlyTwinShowsTextAndNoteWithOkDisabled)
{
    map->setReadOnly(true);
    bool checked = false;
    whenShown([&checked](Gtk::Dialog& shown) {
        auto& dialog = dynamic_cast<NoteDialog&>(shown);
        EXPECT_EQ(dialog.textView().get_buffer()->get_text(), "Before");
        EXPECT_EQ(dialog.noteView().get_buffer()->get_text(), "Note");
        EXPECT_FALSE(dialog.textView().get_editable());
        EXPECT_FALSE(dialog.noteView().get_editable());
        EXPECT_FALSE(dialog.okButton().get_sensitive());
        checked = true;
        dialog.response(Gtk::RESPONSE_CANCEL);
    });
    EXPECT_FALSE(NotePanelController::editNodeProperties(topic));
    EXPECT_TRUE(checked);
}

TEST_F(PropertyDialogsViewTest, TheLayoutRadiosFollowTheSelectedRow)
{
    LayoutModePanelController controller(LayoutModeTopDown, LayoutDirectionBottomRightToLeft);
    LayoutModeDialog dialog(controller);
    dialog.show_all();
    EXPECT_TRUE(dialog.radio(3).get_active());
    EXPECT_EQ(dialog.radio(3).get_label(), LayoutDirectionDisplayName(6));
    dialog.modeList().select_row(*dialog.modeList().get_row_at_index(0));
    EXPECT_TRUE(dialog.radio(0).get_visible());
    EXPECT_FALSE(dialog.radio(1).get_visible());
    EXPECT_TRUE(dialog.radio(0).get_active());
    dialog.modeList().select_row(*dialog.modeList().get_row_at_index(4));
    EXPECT_TRUE(dialog.radio(2).get_active());
    dialog.radio(0).set_active(true);
    EXPECT_EQ(controller.getLayoutDirection(), LayoutDirectionTop);
}

TEST_F(PropertyDialogsViewTest, EveryLayoutRowShowsItsPictureAndPickingARowLeavesTheDialogItsSize)
{
    LayoutModePanelController controller(LayoutModeFreeForm, LayoutDirectionAutomatic);
    LayoutModeDialog dialog(controller);
    dialog.show_all();
    for (int mode = 0; mode < LayoutModePanelController::ModeCount; ++mode) {
        Gtk::ListBoxRow* row = dialog.modeList().get_row_at_index(mode);
        ASSERT_TRUE(row);
        Gtk::Image* picture = findIn<Gtk::Image>(*row);
        ASSERT_TRUE(picture) << mode;
        EXPECT_EQ(picture->get_storage_type(), Gtk::IMAGE_SURFACE) << LayoutModePanelController::ModeImageNames[mode];
        int width = 0, height = 0;
        picture->get_preferred_width(width, width);
        picture->get_preferred_height(height, height);
        EXPECT_EQ(width, 32) << LayoutModePanelController::ModeImageNames[mode];
        EXPECT_EQ(height, 32) << LayoutModePanelController::ModeImageNames[mode];
    }
    // The window takes the size it asks for: the same whichever mode's radios it shows keeps OK
    // under the pointer.
    const auto asked = [&dialog] {
        Gtk::Requisition minimum, natural;
        dialog.get_preferred_size(minimum, natural);
        return std::pair{natural.width, natural.height};
    };
    const auto first = asked();
    for (int mode : {LayoutModeTopDown, LayoutModeStrictHorizontal, LayoutModeList, LayoutModeStrictVertical,
                     LayoutModeFreeForm, LayoutModeTopDown}) {
        dialog.modeList().select_row(*dialog.modeList().get_row_at_index(mode));
        EXPECT_EQ(asked(), first) << LayoutModeDisplayName(mode);
    }
}

TEST_F(PropertyDialogsViewTest, TheLinkDialogDisablesOkOnAnEmptyFieldAndRemovesOnRequest)
{
    URLLinkDialog::setShownObserver([](URLLinkDialog& dialog) {
        Glib::signal_idle().connect_once([&dialog] {
            // A screen reader names the buttons that show an icon alone.
            for (Gtk::Button* button : {&dialog.fileButton(), &dialog.webButton(), &dialog.pdfButton()}) {
                EXPECT_FALSE(button->get_tooltip_text().empty());
                EXPECT_EQ(button->get_accessible()->get_name(), button->get_tooltip_text());
            }
            EXPECT_TRUE(dialog.okButton().get_sensitive());
            EXPECT_FALSE(dialog.uploadCheck().get_visible());
            dialog.field().set_text("");
            EXPECT_FALSE(dialog.okButton().get_sensitive());
            EXPECT_FALSE(dialog.testButton().get_sensitive());
            EXPECT_TRUE(dialog.removeButton().get_sensitive());
            dialog.removeButton().clicked();
        });
    });
    const auto removed = URLLinkDialog::run("https://example.org", false, "", true);
    ASSERT_TRUE(removed.has_value());
    EXPECT_TRUE(removed->removeLink);

    URLLinkDialog::setShownObserver([](URLLinkDialog& dialog) {
        Glib::signal_idle().connect_once([&dialog] {
            EXPECT_TRUE(dialog.uploadCheck().get_visible());
            EXPECT_FALSE(dialog.uploadCheck().get_sensitive());
            // A topic without a link has none to remove.
            EXPECT_FALSE(dialog.removeButton().get_sensitive());
            dialog.field().set_text("https://example.org/typed");
            dialog.okButton().clicked();
        });
    });
    const auto typed = URLLinkDialog::run("http://", true, "Dropbox", false);
    ASSERT_TRUE(typed.has_value());
    EXPECT_EQ(typed->link, "https://example.org/typed");
    EXPECT_FALSE(typed->removeLink);
    EXPECT_FALSE(typed->uploadToCloud);

    // A stored link longer than any the field takes in shows whole and stays whole through an OK.
    const std::string stored = "https://example.org/?q=" + std::string(3 * EntryBound::LinkCharacters, 'x');
    std::string shown;
    URLLinkDialog::setShownObserver([&shown](URLLinkDialog& dialog) {
        Glib::signal_idle().connect_once([&dialog, &shown] {
            shown = dialog.field().get_text();
            dialog.okButton().clicked();
        });
    });
    const auto kept = URLLinkDialog::run(stored, false, "", true);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(shown, stored);
    EXPECT_EQ(kept->link, stored);

    URLLinkDialog::setShownObserver([](URLLinkDialog& dialog) {
        Glib::signal_idle().connect_once([&dialog] { dialog.response(Gtk::RESPONSE_DELETE_EVENT); });
    });
    EXPECT_FALSE(URLLinkDialog::run("http://", false, "", false).has_value());
    URLLinkDialog::setShownObserver(nullptr);
}

TEST_F(PropertyDialogsViewTest, TheLinkDialogOpensWithItsSavedFrameAndSavesItsNewOne)
{
    UserDefaults::standard().resetForTesting();
    const std::string key = "PanelFrame URLLinkPanelFrame";
    UserDefaults::standard().setObject(key, PropertyList(PropertyList::Array{20.0, 30.0, 640.0, 300.0}));
    int width = 0, height = 0;
    URLLinkDialog::setShownObserver([&](URLLinkDialog& dialog) {
        Glib::signal_idle().connect_once([&] {
            dialog.get_size(width, height);
            dialog.resize(660, 320);
            Glib::signal_timeout().connect_once([&dialog] { dialog.response(Gtk::RESPONSE_CANCEL); }, 300);
        });
    });
    URLLinkDialog::run("https://example.org", false, "", true);
    URLLinkDialog::setShownObserver(nullptr);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 300);
    const PropertyList saved = UserDefaults::standard().objectForKey(key);
    ASSERT_TRUE(saved.arrayValue());
    EXPECT_DOUBLE_EQ((*saved.arrayValue())[2].realValue(), 660.0);
    UserDefaults::standard().resetForTesting();
}
