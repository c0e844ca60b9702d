#include "panels/gtk/PropertyDialogs.h"
#include "panels/gtk/URLLinkDialog.h"

#include "RealInput.h"

#include "Editor/gtk/GtkTestSupport.h"
#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/TopicTextLimit.h"
#include "Utils/RecordingFeedbackSink.h"
#include "formats/TwkxMindMapReader.h"
#include "panels/EmbeddedNotePanelController.h"
#include "platform/MainLoop.h"
#include "platform/Pasteboard.h"
#include "platform/TextMeasurer.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/BoundedEntry.h"
#include "platform/gtk/GtkPasteboard.h"
#include "support/DisplayRequirement.h"
#include "support/FakeTextMeasurer.h"
#include "support/ForeignText.h"
#include "support/RecordedCriticals.h"
#include "support/SyntheticKey.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <memory>

// (Declared here: GDK's X11 header brings Xlib's names, which clash with the program's own.)
extern "C" unsigned long gdk_x11_window_get_xid(GdkWindow* window);

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
        Pasteboard::setGeneralPasteboard(nullptr);
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

// Text another program gives late, by Ctrl+V, a middle click or a drop, into the property dialogs'
// texts: it lands where it was asked for, held to the bound of its kind of text with a notice, and
// nowhere once the dialog has closed or the program went away before it answered; a text that
// cannot be edited asks for nothing. The main loop never waits inside a loop of its own, where the
// window and a quit waited for half a minute, and no read is left waiting.
TEST_F(PropertyDialogsViewTest, TextAnotherProgramGivesLateLandsOnlyInTheDialogThatAskedForIt)
{
    ASSERT_TRUE(RealInput::startGtk());
    Pasteboard::setGeneralPasteboard(std::make_shared<GtkPasteboard>());
    RecordingFeedbackSink feedback;
    // One paragraph over both bounds: a topic's text may have 5,000 characters, a note's paragraph
    // grows to 10,000.
    const std::string late = "Given late " + std::string(12000, 'x');
    NodePropertiesPanelController topicController;
    topicController.loadNodeProperties(*topic);
    TextPanelController textController;
    textController.text = "Free";
    NotePanelController readOnlyController;
    map->setReadOnly(true);
    readOnlyController.loadNodeProperties(*topic);
    map->setReadOnly(false);
    // The owner answers in order: once a later request has its answer, those before it have theirs
    // and what the program sent the owner before has reached it.
    const auto roundTrip = [](const Glib::RefPtr<Gtk::Clipboard>& selection) {
        auto answered = std::make_shared<bool>(false);
        selection->request_contents("TARNWICK_NOTHING", [answered](const Gtk::SelectionData&) { *answered = true; });
        return MainLoop::runUntil([answered] { return *answered; }, 30);
    };
    Gtk::TextView* view = nullptr;
    const auto shown = [&view](auto dialog, TextViewEx& (std::decay_t<decltype(*dialog)>::*text)()) {
        view = &((*dialog).*text)();
        return std::unique_ptr<Gtk::Dialog>(std::move(dialog));
    };
    struct Row {
        const char* name;
        // The most characters the text may come to hold; 0 for one that cannot be edited.
        size_t most;
        std::function<std::unique_ptr<Gtk::Dialog>()> open;
    };
    const Row rows[] = {
        {"the topic's text", TopicTextLimit::MaximumCharacters,
         [&] {
             return shown(std::make_unique<NodePropertiesDialog>(topicController), &NodePropertiesDialog::textView);
         }},
        // The paste grows the paragraph before it to 10,000 characters; "Note" may follow.
        {"the topic's note", 10004,
         [&] {
             return shown(std::make_unique<NodePropertiesDialog>(topicController), &NodePropertiesDialog::noteView);
         }},
        {"the free text's text", TopicTextLimit::MaximumCharacters,
         [&] {
             return shown(std::make_unique<TextPropertiesDialog>(textController), &TextPropertiesDialog::textView);
         }},
        {"the read-only twin's note", 0,
         [&] { return shown(std::make_unique<NoteDialog>(readOnlyController), &NoteDialog::noteView); }},
    };
    enum class Road { Key, MiddleClick, Drop };
    enum class Meanwhile { Nothing, DialogClosed, OwnerGone };
    for (const Row& row : rows)
        for (const Road road : {Road::Key, Road::MiddleClick, Road::Drop})
            for (const Meanwhile meanwhile : {Meanwhile::Nothing, Meanwhile::DialogClosed, Meanwhile::OwnerGone}) {
                // The toolkit refuses a drag over a text that cannot be edited; nothing is asked
                // there, whatever comes meanwhile.
                if (row.most == 0 && (road == Road::Drop || meanwhile != Meanwhile::Nothing)) continue;
                SCOPED_TRACE(testing::Message()
                             << row.name << ", road " << int(road) << ", meanwhile " << int(meanwhile));
                RecordedCriticals criticals;
                feedback.notifications.clear();
                std::unique_ptr<Gtk::Dialog> dialog = row.open();
                const std::string before = view->get_buffer()->get_text(true);
                dialog->show();
                view->grab_focus();
                ASSERT_TRUE(MainLoop::runUntil(
                    [&] { return view->is_focus() && view->get_mapped() && view->get_allocated_width() > 1; }, 10));
                const int x = view->get_allocated_width() / 2, y = view->get_allocated_height() / 2;

                std::unique_ptr<ForeignText> owner;
                bool nested = false;
                struct Scoped : sigc::connection {
                    using sigc::connection::operator=;
                    ~Scoped() { disconnect(); }
                } beat;
                beat = Glib::signal_timeout().connect(
                    [&] {
                        // A wait in a loop of its own ends with the answer, for the test to go on.
                        if (g_main_depth() > 1 && !nested && owner) owner->release();
                        nested = nested || g_main_depth() > 1;
                        return true;
                    },
                    10);
                const Glib::RefPtr<Gtk::Clipboard> selection = Gtk::Clipboard::get(
                    road == Road::Key               ? GDK_SELECTION_CLIPBOARD
                        : road == Road::MiddleClick ? GDK_SELECTION_PRIMARY
                                                    : gdk_atom_intern_static_string("XdndSelection"));
                if (road == Road::Drop) {
                    // Text views take no drop on their own selection.
                    view->get_buffer()->place_cursor(view->get_buffer()->end());
                    int rootX = 0, rootY = 0;
                    RealInput::screenPoint(*view, x, y, rootX, rootY);
                    owner = std::make_unique<ForeignText>(gdk_x11_window_get_xid(dialog->get_window()->gobj()), rootX,
                                                          rootY, late, ForeignText::Holds::Everything);
                    ASSERT_TRUE(owner->offered());
                } else {
                    // The last round's owner went away: a read is given up once the program sees
                    // that, so the text is asked for only once the new owner is known.
                    bool newOwner = false;
                    Scoped seen;
                    seen = selection->signal_owner_change().connect([&newOwner](GdkEventOwnerChange* event) {
                        newOwner |= event->reason == GDK_OWNER_CHANGE_NEW_OWNER;
                    });
                    owner = std::make_unique<ForeignText>(road == Road::Key ? "CLIPBOARD" : "PRIMARY", late,
                                                          ForeignText::Holds::Everything);
                    ASSERT_TRUE(owner->offered());
                    ASSERT_TRUE(MainLoop::runUntil([&] { return newOwner; }, 30)) << "the new owner was never seen";
                    if (road == Road::Key) pressKey(GTK_WIDGET(dialog->gobj()), GDK_KEY_v, GDK_CONTROL_MASK);
                    else RealInput::click(*view, x, y, 2);
                }
                if (row.most == 0) {
                    ASSERT_TRUE(roundTrip(selection));
                    EXPECT_EQ(owner->textRequests(), 0) << "a text that cannot be edited asked";
                } else {
                    ASSERT_TRUE(MainLoop::runUntil([&] { return owner->textRequests() > 0 || nested; }, 30))
                        << "never asked";
                }
                if (meanwhile == Meanwhile::DialogClosed) {
                    dialog->hide();
                    dialog.reset();
                }
                if (meanwhile == Meanwhile::OwnerGone) owner->die();
                else owner->release();
                // Well within the half minute the toolkit waits for an owner that is gone.
                EXPECT_TRUE(MainLoop::runUntil(
                    [&] {
                        return Pasteboard::pendingReads() == 0 && owner->waiting() == 0 &&
                            (road != Road::Drop || meanwhile == Meanwhile::OwnerGone || owner->dropTaken());
                    },
                    10));
                beat.disconnect();
                EXPECT_FALSE(nested) << "a wait ran the main loop inside it";
                if (road == Road::Drop && meanwhile != Meanwhile::OwnerGone) {
                    // Once the data has come, and then whatever the program told the source.
                    ASSERT_TRUE(roundTrip(selection) && roundTrip(selection));
                    EXPECT_EQ(owner->dropTaken(), meanwhile == Meanwhile::Nothing);
                }
                const std::string held = dialog ? view->get_buffer()->get_text(true).raw() : before;
                if (meanwhile == Meanwhile::Nothing && row.most > 0) {
                    // At the caret, which the dialog puts at the start, or after the text, where
                    // the pointer was.
                    EXPECT_EQ(held.find("Given late"), road == Road::Key ? 0 : before.size()) << held.substr(0, 40);
                    EXPECT_LE(TopicTextLimit::characterCount(held), row.most);
                    EXPECT_EQ(feedback.notifications.size(), 1u) << "the cut was not told";
                } else {
                    EXPECT_TRUE(held == before) << held.substr(0, 40);
                }
                EXPECT_EQ(criticals.messages(), std::vector<std::string>());
            }
}
