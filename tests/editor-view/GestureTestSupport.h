#pragma once

#include "EditorViewTestSupport.h"

#include "MindMaps/RearrangeMarker.h"
#include "formats/TwkxMindMapReader.h"
#include "layout/LayoutInstallation.h"
#include "platform/UndoManager.h"
#include "support/RecordingMenuPresenter.h"

namespace editortest {

// Records what the editor asks of its widget while gestures run.
class GestureHost : public CountingHost {
public:
    bool ticking = false;
    bool pointingHand = false;
    void setPointingHandCursor(bool hand) override { pointingHand = hand; }
    void setPeriodicTicks(bool running) override { ticking = running; }
    std::vector<Rect> areas;
    void setNeedsDisplayInRect(const Rect& rect) override { areas.push_back(rect); }
};

// The editor of EditorViewTest at zoom 1 and scroll position 0 (view points are map points), with
// the native format for undo snapshots and the application's layout. Events are played with the
// scheduler's clock; tick() beats as the widget's timer would.
class GestureTest : public EditorViewTest {
protected:
    void SetUp() override
    {
        EditorViewTest::SetUp();
        registerNativeFormat();
        installLayout();
        UserDefaults::standard().removeObject(MindMapEditor::ChildMoveDelayKey);
        editor->setHost(&gestureHost);
        editor->setMenuPresenter(&menus);
        showMap();
        map->setSelectedElement(nullptr);
        map->undoManager()->removeAllActions();
    }

    void TearDown() override
    {
        UserDefaults::standard().removeObject(MindMapEditor::ChildMoveDelayKey);
        EditorViewTest::TearDown();
    }

    double now() { return scheduler.fakeClock().now(); }

    void press(Point at, unsigned modifiers = 0, int clickCount = 1, int button = PrimaryButton)
    {
        editor->pointerEvent({PointerEventKind::Press, button, at, clickCount, modifiers, now()});
    }
    void drag(Point to, unsigned modifiers = 0)
    {
        editor->pointerEvent({PointerEventKind::Motion, NoButton, to, 0, modifiers, now()});
    }
    void release(Point at, unsigned modifiers = 0)
    {
        editor->pointerEvent({PointerEventKind::Release, PrimaryButton, at, 0, modifiers, now()});
    }
    void click(Point at, unsigned modifiers = 0, int clickCount = 1)
    {
        press(at, modifiers, clickCount);
        release(at, modifiers);
    }
    // Lets the time pass in beats of the periodic tick while the gesture runs.
    void hold(double seconds)
    {
        const double end = now() + seconds;
        while (now() + MindMapEditor::PeriodicTickInterval <= end + 1e-9) {
            scheduler.advance(MindMapEditor::PeriodicTickInterval);
            if (editor->trackingGesture()) editor->tick({now()});
        }
    }
    void escape() { editor->keyDown({KeyValues::Escape, 0}); }

    bool canUndo() { return map->undoManager()->canUndo(); }
    std::string undoName() { return map->undoManager()->undoActionName(); }

    GestureHost gestureHost;
    RecordingMenuPresenter menus;
};

} // namespace editortest
