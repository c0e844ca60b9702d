#include "panels/gtk/EmbeddedNotePanel.h"

#include "RealInput.h"

#include "Editor/CheckboxMenuHandler.h"
#include "Editor/CommandRouter.h"
#include "Editor/MainMenu.h"
#include "Editor/gtk/GtkTestSupport.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/MainWindowTestSupport.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/TopicTextLimit.h"
#include "Utils/RecordingFeedbackSink.h"
#include "editor-view/InplaceTextEditor.h"
#include "editor-view/MindMapEditor.h"
#include "editor-view/gtk/InPlaceTextView.h"
#include "formats/TwkxMindMapReader.h"
#include "layout/LayoutInstallation.h"
#include "panels/gtk/OutlinerView.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/GtkPasteboard.h"
#include "store/EditorInterface.h"
#include "support/ActiveWindow.h"
#include "support/DisplayRequirement.h"
#include "support/ForeignText.h"
#include "support/RecordedCriticals.h"
#include "support/SyntheticKey.h"
#include "support/TypedText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>

// The X window of a GDK window; gdkx.h itself would bring X's own Font along.
extern "C" unsigned long gdk_x11_window_get_xid(GdkWindow* window);

namespace {

bool xdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

std::string xidOf(Gtk::Window& window)
{
    return std::to_string(gdk_x11_window_get_xid(window.get_window()->gobj()));
}

// The document controller's part: leaving the note ends the editor's modes, which commits it.
class WindowEditorInterface : public NullEditorInterface {
public:
    explicit WindowEditorInterface(MainWindow& window) : _window(window) {}
    void commitModelessEditors() override { _window.editor().cancelEditorModes(); }

private:
    MainWindow& _window;
};

// The main window on the display with its note tab open on a map of a theme and two topics.
class EmbeddedNotePanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        Gtk::Main::init_gtkmm_internals();
        if (!xdotool("version")) GTEST_SKIP() << "no xdotool";
        registerNativeFormat();
        installLayout();
        installOutliner();
        installEmbeddedNotePanel();
        UserDefaults::standard().resetForTesting();
        menu = MainMenu::build();
        prepareMainMenu(menu, checkboxHandler, "Tarnwick");
        window = std::make_unique<MainWindow>(menu, router);
        router.setResponderChain([this] {
            MainWindowResponders links;
            // As the application links it: a page holding the focus first.
            links.focusedView = window->focusedInspectorResponder();
            if (!links.focusedView) links.focusedView = window->editor().focusedResponder();
            links.editor = &window->editor();
            links.window = &window->controller();
            return mainWindowResponderChain(links);
        });
        SetEditorInterfaceInstance(std::make_shared<WindowEditorInterface>(*window));
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        first = map->addMindMapNodeAsChild(map->mainCentralTheme(), {300, 120});
        first->setText("First");
        second = map->addMindMapNodeAsChild(map->mainCentralTheme(), {300, 300});
        second->setText("Second");
        map->validateElementStates();
        window->showMindMap(map);
        window->present();
        MainLoop::runFor(0.3);
        window->controller().performAction("showNotePanel:", nullptr);
        map->setSelectedElement(first);
        map->undoManager()->removeAllActions();
        MainLoop::runFor(0.2);
        panel = findIn<EmbeddedNotePanel>(*window);
        ASSERT_NE(panel, nullptr);
        ASSERT_TRUE(makeWindowActive(*window));
        // The page takes the selected topic's note once it shows, when the main loop gets to it: a
        // text a test puts into it before then is replaced, and a paste into it is refused.
        ASSERT_TRUE(
            MainLoop::runUntil([this] { return !panel->controller().hidden() && panel->controller().enabled(); }, 20));
    }

    void TearDown() override
    {
        Pasteboard::setGeneralPasteboard(nullptr);
        SetEditorInterfaceInstance(nullptr);
        if (window) window->showMindMap(nullptr);
        router.setResponderChain(nullptr);
        window.reset();
        MainLoop::runFor(0.05);
    }

    std::string noteText() { return panel->textView().get_buffer()->get_text(true).raw(); }

    void typeIntoTheNote(const std::string& text)
    {
        panel->textView().grab_focus();
        MainLoop::runFor(0.05);
        const size_t before = noteText().size();
        ASSERT_TRUE(
            typeText(text, [&](const std::string& typed) { return noteText().size() >= before + typed.size(); }));
    }

    // A press and release on the topic, through the display.
    void clickOn(MindMapNode* node)
    {
        const Point point = window->editor().mapToViewSpace(node->bounds().center());
        int rootX = 0, rootY = 0;
        window->canvas().get_window()->get_root_coords(int(point.x), int(point.y), rootX, rootY);
        ASSERT_TRUE(xdotool("mousemove --sync " + std::to_string(rootX) + " " + std::to_string(rootY) + " click 1"));
        MainLoop::runFor(0.3);
    }

    MainMenu menu;
    CheckboxMenuHandler checkboxHandler{nullptr};
    CommandRouter router;
    std::unique_ptr<MainWindow> window;
    std::shared_ptr<MindMap> map;
    MindMapNode* first = nullptr;
    MindMapNode* second = nullptr;
    EmbeddedNotePanel* panel = nullptr;
};

TEST_F(EmbeddedNotePanelTest, ANoteTypedThenAnotherTopicSelectedIsStoredAsOneStep)
{
    EXPECT_TRUE(panel->controller().enabled());
    EXPECT_TRUE(panel->textView().showsPlaceholder()) << "an empty note shows the hint";
    typeIntoTheNote("Call Anna");
    EXPECT_FALSE(panel->textView().showsPlaceholder());
    EXPECT_EQ(noteText(), "Call Anna");

    // The note's own undo, with the keys the menu gives the map's.
    ASSERT_TRUE(xdotool("key ctrl+z"));
    ASSERT_TRUE(MainLoop::runUntil([&] { return noteText().empty(); }, 5));
    EXPECT_FALSE(map->undoManager()->canUndo()) << "the map's history is untouched";
    EXPECT_EQ(first->text(), "First");
    ASSERT_TRUE(xdotool("key ctrl+shift+z"));
    ASSERT_TRUE(MainLoop::runUntil([&] { return noteText() == "Call Anna"; }, 5));

    clickOn(second);
    ASSERT_EQ(map->selectedElement(), second);
    EXPECT_EQ(first->note(), "Call Anna");
    EXPECT_EQ(noteText(), "");
    ASSERT_TRUE(map->undoManager()->canUndo());
    EXPECT_EQ(map->undoManager()->undoActionName(), localized("editor_menu_edit_note"));

    Error error;
    const MindMapData saved = map->dataOfType(int32_t(MindMapReadFormat::Native), &error);
    ASSERT_FALSE(saved.empty()) << error.localizedDescription;
    MindMap reread;
    ASSERT_TRUE(reread.readFromData(saved, "", int32_t(MindMapReadFormat::Native), &error))
        << error.localizedDescription;
    ASSERT_EQ(reread.mainCentralTheme()->childCount(), 2u);
    EXPECT_EQ(reread.mainCentralTheme()->childAtIndex(0)->note(), "Call Anna");
    EXPECT_EQ(reread.mainCentralTheme()->childAtIndex(1)->note(), "");

    // One step: undone once, the note is gone and nothing is left to undo.
    map->undoManager()->undo();
    EXPECT_FALSE(map->undoManager()->canUndo());
    EXPECT_EQ(map->mainCentralTheme()->childAtIndex(0)->note(), "");
}

TEST_F(EmbeddedNotePanelTest, SwitchingToAnotherApplicationStoresNothing)
{
    typeIntoTheNote("Draft");
    Gtk::Window other;
    other.set_title("another application");
    other.set_default_size(200, 100);
    other.show_all();
    MainLoop::runFor(0.2);
    ASSERT_TRUE(xdotool("windowfocus --sync " + xidOf(other)));
    ASSERT_TRUE(MainLoop::runUntil([&] { return !window->is_active(); }, 5));
    MainLoop::runFor(0.2);
    EXPECT_EQ(first->note(), "");
    EXPECT_FALSE(map->undoManager()->canUndo());
    EXPECT_TRUE(panel->controller().modified()) << "the typing waits for the user's return";

    ASSERT_TRUE(xdotool("windowfocus --sync " + xidOf(*window)));
    ASSERT_TRUE(MainLoop::runUntil([&] { return window->is_active(); }, 5));
    EXPECT_TRUE(panel->textView().is_focus());
    ASSERT_TRUE(typeText(" plan", [&](const std::string& typed) { return noteText() == "Draft" + typed; }));
    // Another widget of the window takes the focus: now the note is stored.
    window->canvas().grab_focus();
    MainLoop::runFor(0.1);
    EXPECT_EQ(first->note(), "Draft plan");
    EXPECT_EQ(map->undoManager()->undoActionName(), localized("editor_menu_edit_note"));
}

// The menu's edit commands act on the note while it has the keyboard, and on the map again
// once the canvas has it.
TEST_F(EmbeddedNotePanelTest, TheMenusEditCommandsActOnTheNoteWhileItHasTheKeyboard)
{
    typeIntoTheNote("Call Anna");
    EXPECT_EQ(router.targetForAction("undo:"), &panel->responder());
    EXPECT_TRUE(router.validateItem(MenuItem("", "undo:")).enabled);
    EXPECT_FALSE(router.validateItem(MenuItem("", "delete:")).enabled) << "nothing selected in the note";
    ASSERT_TRUE(router.sendAction("selectAll:", nullptr, nullptr));
    EXPECT_TRUE(router.validateItem(MenuItem("", "delete:")).enabled);
    ASSERT_TRUE(router.sendAction("delete:", nullptr, nullptr));
    EXPECT_EQ(noteText(), "");
    EXPECT_EQ(map->mainCentralTheme()->childCount(), 2u) << "no topic was deleted";
    ASSERT_TRUE(router.sendAction("undo:", nullptr, nullptr));
    EXPECT_EQ(noteText(), "Call Anna");
    EXPECT_FALSE(map->undoManager()->canUndo());

    window->canvas().grab_focus();
    MainLoop::runFor(0.05);
    EXPECT_NE(router.targetForAction("undo:"), &panel->responder());
    EXPECT_EQ(first->note(), "Call Anna");
}

// Presenting makes the map read-only, and the note with it: typing goes nowhere.
TEST_F(EmbeddedNotePanelTest, PresentingMakesTheNoteReadOnly)
{
    ASSERT_TRUE(panel->textView().get_editable());
    ASSERT_TRUE(router.sendAction("togglePresentationMode:", nullptr, nullptr));
    windowManagerMadeFullScreen(*window, true);
    ASSERT_TRUE(MainLoop::runUntil([&] { return !panel->textView().get_editable(); }, 5));
    EXPECT_TRUE(panel->controller().readOnly());
    panel->textView().grab_focus();
    MainLoop::runFor(0.05);
    // Each key reaches the read-only note, and changes nothing.
    int presses = 0;
    sigc::connection counting = panel->textView().signal_key_press_event().connect(
        [&presses](GdkEventKey*) {
            ++presses;
            return false;
        },
        false);
    ASSERT_TRUE(typeText("nothing", [&](const std::string& typed) { return presses >= int(typed.size()); }));
    counting.disconnect();
    EXPECT_EQ(noteText(), "");
    ASSERT_TRUE(router.sendAction("togglePresentationMode:", nullptr, nullptr));
    windowManagerMadeFullScreen(*window, false);
    EXPECT_TRUE(MainLoop::runUntil([&] { return panel->textView().get_editable(); }, 5));
}

// The window shows another map: what was typed stays with the first one, and the tab shows the
// new map's selected note.
TEST_F(EmbeddedNotePanelTest, AnotherMapOnTheCanvasKeepsTheTypingAndShowsItsOwnNote)
{
    typeIntoTheNote("Pending");
    auto other = std::make_shared<MindMap>();
    other->newMindMap("", true, std::string("Other"));
    other->mainCentralTheme()->setNote("Other's note");
    other->validateElementStates();
    other->setSelectedElement(other->mainCentralTheme());
    window->showMindMap(other);
    MainLoop::runFor(0.2);
    EXPECT_EQ(first->note(), "Pending");
    EXPECT_EQ(noteText(), "Other's note");
    EXPECT_FALSE(panel->controller().canUndoNote());
    window->showMindMap(map);
    MainLoop::runFor(0.2);
    EXPECT_EQ(noteText(), "Pending") << "back on the first map, its selected topic's note";
}

// Megabytes middle-clicked or dropped, through the X server, into each editor of a topic's text and
// into the note: the window keeps answering, and each editor takes what it may and tells the text's
// real length.
TEST_F(EmbeddedNotePanelTest, AMiddleClickOrADropOfMegabytesKeepsEachEditorAnswering)
{
    ASSERT_TRUE(RealInput::startGtk());
    std::string report;
    for (int line = 0; report.size() < 5'000'000; ++line)
        report += "Line " + std::to_string(line) + " of the report, long enough to fill a row of the topic.\n";
    RecordingFeedbackSink feedback;
    const auto inPlaceEditor = [this]() -> Gtk::Widget& {
        map->editText();
        return dynamic_cast<GtkInplaceTextView&>(window->editor().inplaceEditor()->view()).textView();
    };
    const auto outlineEntry = [this]() -> Gtk::Widget& {
        window->controller().performAction("showOutlinerPanel:", nullptr);
        MainLoop::runFor(0.2);
        OutlineTreeView& outline = findIn<OutlinerView>(*window)->outline();
        outline.set_cursor(outline.pathOfItem(first), *outline.get_column(0), true);
        MainLoop::runFor(0.1);
        return *findIn<Gtk::Entry>(outline);
    };
    const auto note = [this]() -> Gtk::Widget& {
        window->controller().performAction("showNotePanel:", nullptr);
        MainLoop::runFor(0.2);
        return panel->textView();
    };
    const auto textOf = [](Gtk::Widget& widget) -> std::string {
        if (auto* entry = dynamic_cast<Gtk::Entry*>(&widget)) return entry->get_text();
        return static_cast<Gtk::TextView&>(widget).get_buffer()->get_text(true);
    };
    const std::function<Gtk::Widget&()> editors[] = {inPlaceEditor, outlineEntry, note};
    for (size_t editor = 0; editor < 3; ++editor) {
        for (const bool drop : {false, true}) {
            SCOPED_TRACE(testing::Message() << "editor " << editor << (drop ? ", a drop" : ", a middle click"));
            Gtk::Widget& widget = editors[editor]();
            const int x = widget.get_allocated_width() / 2, y = widget.get_allocated_height() / 2;
            feedback.notifications.clear();
            // The longest the main loop went without running what waited for it.
            auto last = std::chrono::steady_clock::now();
            std::chrono::steady_clock::duration held{};
            sigc::connection beat = Glib::signal_timeout().connect(
                [&] {
                    held = std::max(held, std::chrono::steady_clock::now() - last);
                    last = std::chrono::steady_clock::now();
                    return true;
                },
                10);
            Gtk::Window source;
            Gtk::EventBox handle;
            if (drop) {
                handle.drag_source_set({Gtk::TargetEntry("UTF8_STRING")}, Gdk::BUTTON1_MASK, Gdk::ACTION_COPY);
                handle.signal_drag_data_get().connect([&](const Glib::RefPtr<Gdk::DragContext>&,
                                                          Gtk::SelectionData& data, guint,
                                                          guint) { data.set_text(report); });
                source.set_default_size(100, 60);
                source.add(handle);
                source.move(900, 600);
                source.show_all();
                RealInput::drag(handle, 50, 30, widget, x, y);
            } else {
                // Taken after the editor opened: its selected text had claimed the selection.
                Gtk::Clipboard::get(GDK_SELECTION_PRIMARY)->set_text(report);
                RealInput::click(widget, x, y, 2);
            }
            ASSERT_TRUE(RealInput::pumpUntil([&] { return textOf(widget).size() > 1000; }, 60000));
            RealInput::pump(300);
            beat.disconnect();
            // Unbounded, the layout held the window for a minute and more; a loaded machine under
            // the sanitizers may take a second or two for what is bounded.
            EXPECT_LT(std::chrono::duration<double>(held).count(), 10.0) << "the window held";
            const std::string text = textOf(widget);
            const size_t most = editor == 2 ? EmbeddedNotePanelController::MaximumInsertedCharacters
                                            : TopicTextLimit::MaximumCharacters;
            EXPECT_EQ(TopicTextLimit::characterCount(text), most);
            EXPECT_NE(text.find(report.substr(0, 40)), std::string::npos) << "the text's start came in";
            // "First" stays beside the text, or the text replaces it where it was selected.
            std::set<std::string> told;
            for (size_t length : {report.size(), report.size() + (editor == 2 ? 0 : 5)})
                told.insert(localizedFormat(editor == 2 ? "note_text_cut_reason" : "topic_text_cut_reason",
                                            {std::to_string(length), std::to_string(most)}));
            EXPECT_TRUE(!feedback.notifications.empty() && told.count(feedback.notifications.back().message));

            if (editor == 0) window->editor().stopEditing(InplaceTextEditor::Cancel);
            if (editor == 1) findIn<OutlinerView>(*window)->outline().takeFocusFromEditor();
            if (editor == 2) panel->textView().get_buffer()->set_text("");
            MainLoop::runFor(0.1);
            EXPECT_EQ(first->text(), "First");
        }
    }
}

// Text another program gives late, by Ctrl+V, a middle click or a drop, into the note or the topic's
// text editor: it lands where it was asked for while that is still there, and nowhere once another
// topic was selected or the program went away before it answered. The main loop keeps answering
// all along and never waits inside a loop of its own, where a quit waited for half a minute; no
// read is left waiting.
TEST_F(EmbeddedNotePanelTest, TextAnotherProgramGivesLateLandsOnlyWhereItWasAskedFor)
{
    ASSERT_TRUE(RealInput::startGtk());
    Pasteboard::setGeneralPasteboard(std::make_shared<GtkPasteboard>());
    RecordedCriticals criticals;
    const std::string late = "Given late";
    enum class Into { Note, Topic };
    enum class Road { Key, MiddleClick, Drop };
    enum class Meanwhile { Nothing, OtherTopicSelected, OwnerGone };
    const auto editorView = [this]() -> Gtk::TextView* {
        InplaceTextEditor* editor = window->editor().inplaceEditor();
        return editor ? &dynamic_cast<GtkInplaceTextView&>(editor->view()).textView() : nullptr;
    };
    for (const Into into : {Into::Note, Into::Topic})
        for (const Road road : {Road::Key, Road::MiddleClick, Road::Drop})
            for (const Meanwhile meanwhile :
                 {Meanwhile::Nothing, Meanwhile::OtherTopicSelected, Meanwhile::OwnerGone}) {
                SCOPED_TRACE(testing::Message() << (into == Into::Note ? "note" : "topic") << ", road " << int(road)
                                                << ", meanwhile " << int(meanwhile));
                map->setSelectedElement(first);
                Gtk::TextView* view = &panel->textView();
                if (into == Into::Topic) {
                    window->canvas().grab_focus();
                    map->editText();
                    view = editorView();
                    ASSERT_NE(view, nullptr);
                } else {
                    view->grab_focus();
                }
                // The topic's editor is laid out where the editor put it, after any scroll to the topic.
                const auto laidOut = [&] {
                    InplaceTextEditor* editor = window->editor().inplaceEditor();
                    if (!editor) return true;
                    int x = 0, y = 0;
                    view->translate_coordinates(window->canvas(), 0, 0, x, y);
                    return x == int(std::floor(editor->textFrame().minX())) &&
                        y == int(std::floor(editor->textFrame().minY()));
                };
                ASSERT_TRUE(MainLoop::runUntil(
                    [&] {
                        return view->has_focus() && view->get_mapped() && view->get_allocated_width() > 1 && laidOut();
                    },
                    10));
                const int x = view->get_allocated_width() / 2, y = view->get_allocated_height() / 2;
                // Connections that end with the row, also one that fails on the way.
                using Scoped = std::unique_ptr<sigc::connection, void (*)(sigc::connection*)>;
                const auto scoped = [](sigc::connection connection) {
                    return Scoped(new sigc::connection(connection), [](sigc::connection* held) {
                        held->disconnect();
                        delete held;
                    });
                };
                // A drop goes where the drag was last seen.
                bool draggedHere = false;
                const Scoped drags = scoped(view->signal_drag_motion().connect(
                    [&draggedHere](const Glib::RefPtr<Gdk::DragContext>&, int, int, guint) {
                        draggedHere = true;
                        return false;
                    },
                    false));

                // Taken after the editor opened: its selected text claimed the primary selection.
                std::unique_ptr<ForeignText> owner;
                bool nested = false;
                auto last = std::chrono::steady_clock::now();
                std::chrono::steady_clock::duration held{};
                const Scoped beat = scoped(Glib::signal_timeout().connect(
                    [&] {
                        held = std::max(held, std::chrono::steady_clock::now() - last);
                        last = std::chrono::steady_clock::now();
                        // A wait in a loop of its own ends with the answer, for the test to go on.
                        if (g_main_depth() > 1 && !nested && owner) owner->release();
                        nested = nested || g_main_depth() > 1;
                        return true;
                    },
                    10));
                switch (road) {
                case Road::Key:
                    owner = std::make_unique<ForeignText>("CLIPBOARD", late, ForeignText::Holds::Everything);
                    ASSERT_TRUE(owner->offered());
                    // Given to the window, as the keyboard gives it, so that it does not depend on which
                    // window the server's keyboard focus was left on by what ran before in this process.
                    pressKey(GTK_WIDGET(window->gobj()), GDK_KEY_v, GDK_CONTROL_MASK);
                    break;
                case Road::MiddleClick:
                    owner = std::make_unique<ForeignText>("PRIMARY", late, ForeignText::Holds::Everything);
                    ASSERT_TRUE(owner->offered());
                    RealInput::click(*view, x, y, 2);
                    break;
                case Road::Drop: {
                    // Text views take no drop on their own selection.
                    view->get_buffer()->place_cursor(view->get_buffer()->end());
                    int rootX = 0, rootY = 0;
                    RealInput::screenPoint(*view, x, y, rootX, rootY);
                    owner = std::make_unique<ForeignText>(std::stoul(xidOf(*window)), rootX, rootY, late,
                                                          ForeignText::Holds::Everything);
                    ASSERT_TRUE(owner->offered());
                    break;
                }
                }
                ASSERT_TRUE(MainLoop::runUntil([&] { return owner->textRequests() > 0; }, 10)) << "never asked";
                ASSERT_TRUE(road != Road::Drop || draggedHere) << "dropped beside the text";
                if (meanwhile == Meanwhile::OtherTopicSelected) {
                    // A click beside an open edit ends it and does nothing more; the next one selects.
                    if (into == Into::Topic) {
                        RealInput::click(window->canvas(), 10, 10);
                        ASSERT_TRUE(MainLoop::runUntil([&] { return !editorView(); }, 10));
                    }
                    const Point point = window->editor().mapToViewSpace(second->bounds().center());
                    RealInput::click(window->canvas(), int(point.x), int(point.y));
                    ASSERT_TRUE(MainLoop::runUntil([&] { return map->selectedElement() == second; }, 10));
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
                beat->disconnect();
                EXPECT_FALSE(nested) << "a wait ran the main loop inside it";
                // Unbounded, the layout held the window for a minute and more; a loaded machine under
                // the sanitizers may take a second or two for what is bounded.
                EXPECT_LT(std::chrono::duration<double>(held).count(), 10.0) << "the window held";

                Gtk::TextView* editor = editorView();
                const std::string landed = into == Into::Note ? noteText()
                    : editor                                  ? editor->get_buffer()->get_text(true).raw()
                                                              : first->text();
                if (meanwhile == Meanwhile::Nothing) {
                    EXPECT_NE(landed.find(late), std::string::npos) << landed;
                } else {
                    std::vector<std::string> texts{noteText(),
                                                   editor ? editor->get_buffer()->get_text(true).raw() : ""};
                    for (const MindMapNode* topic : map->nodes()) {
                        texts.push_back(topic->text());
                        texts.push_back(topic->note());
                    }
                    for (const std::string& text : texts) EXPECT_EQ(text.find(late), std::string::npos) << text;
                }
                if (road == Road::Drop && meanwhile != Meanwhile::OwnerGone) {
                    EXPECT_EQ(owner->dropTaken(), meanwhile == Meanwhile::Nothing);
                }

                if (editor) window->editor().stopEditing(InplaceTextEditor::Cancel);
                map->setSelectedElement(first);
                panel->textView().get_buffer()->set_text("");
                first->setText("First");
                first->setNote("");
                second->setText("Second");
                second->setNote("");
                owner.reset();
            }
    EXPECT_TRUE(criticals.messages().empty()) << criticals.messages().front();
}

// Text dragged within the note or the topic's text editor is moved there by the view itself, as
// before the drops from elsewhere took their own road.
TEST_F(EmbeddedNotePanelTest, TextDraggedWithinTheTextIsMovedThere)
{
    ASSERT_TRUE(RealInput::startGtk());
    for (const bool note : {true, false}) {
        SCOPED_TRACE(note ? "note" : "topic");
        map->setSelectedElement(first);
        Gtk::TextView* view = &panel->textView();
        // The topic's editor opens at the size of its text, on one line.
        if (!note) {
            first->setText("alpha beta gamma");
            window->canvas().grab_focus();
            map->editText();
            view = &dynamic_cast<GtkInplaceTextView&>(window->editor().inplaceEditor()->view()).textView();
        }
        Glib::RefPtr<Gtk::TextBuffer> buffer = view->get_buffer();
        buffer->set_text("alpha beta gamma");
        buffer->select_range(buffer->get_iter_at_offset(0), buffer->get_iter_at_offset(5));
        view->grab_focus();
        ASSERT_TRUE(MainLoop::runUntil(
            [&] {
                Gdk::Rectangle start, end;
                view->get_iter_location(buffer->begin(), start);
                view->get_iter_location(buffer->end(), end);
                return view->has_focus() && end.get_y() == start.get_y() && end.get_x() < view->get_allocated_width();
            },
            10));
        const auto pointAt = [view](const Gtk::TextIter& iter) {
            Gdk::Rectangle place;
            view->get_iter_location(iter, place);
            int x = 0, y = 0;
            view->buffer_to_window_coords(Gtk::TEXT_WINDOW_WIDGET, place.get_x() + 1,
                                          place.get_y() + place.get_height() / 2, x, y);
            return std::pair(x, y);
        };
        const auto [fromX, fromY] = pointAt(buffer->get_iter_at_offset(2));
        const std::pair<int, int> to = pointAt(buffer->get_iter_at_offset(11));
        const auto [toX, toY] = to;
        // Released only once the view saw the drag at its end: GTK sends a drag's place only after
        // the last one was answered, and a release before would drop it where the drag was before.
        std::pair<int, int> seen;
        sigc::connection motion = view->signal_drag_motion().connect(
            [&seen](const Glib::RefPtr<Gdk::DragContext>&, int x, int y, guint) {
                seen = {x, y};
                return false;
            },
            false);
        RealInput::moveTo(*view, fromX, fromY);
        RealInput::button(true);
        for (int step = 1; step <= 12; ++step)
            RealInput::moveTo(*view, fromX + (toX - fromX) * step / 12, fromY + (toY - fromY) * step / 12);
        EXPECT_TRUE(MainLoop::runUntil([&] { return seen == to; }, 10));
        RealInput::button(false);
        motion.disconnect();
        // GTK may move the drop's place a little while the drag rests; moved, the word is there once.
        const auto moved = [&] {
            std::string text = buffer->get_text(true);
            const size_t word = text.find("alpha");
            if (word == 0 || word == std::string::npos) return false;
            return text.erase(word, 5) == " beta gamma";
        };
        EXPECT_TRUE(MainLoop::runUntil(moved, 10)) << buffer->get_text(true);
        if (!note) window->editor().stopEditing(InplaceTextEditor::Cancel);
        buffer->set_text("");
        first->setText("First");
    }
}

} // namespace
