#pragma once

#include "editor-view/EditorEvents.h"
#include "editor-view/InplaceTextEditor.h"
#include "editor-view/InplaceTextView.h"
#include "editor-view/MindMapEditor.h"

// bench/edit-keys.py's structural edit, given to an editor without a canvas widget: Tab (a child,
// opened for typing), Return (the edit ends), Return (a sibling, opened), a letter, Escape (the
// edit is cancelled, the sibling goes and the topic first selected is selected again), so that
// every cycle starts where the last one did and leaves one more child below the topic.
// `afterKey` is the window's work after each key (painting, the main loop).
inline constexpr int EditKeyCycleKeys = 5;

template <typename AfterKey> void editKeyCycle(MindMapEditor& view, AfterKey&& afterKey)
{
    auto textView = [&view]() -> PlainInplaceTextView& {
        return static_cast<PlainInplaceTextView&>(view.inplaceEditor()->view());
    };
    view.keyDown({KeyValues::Tab, 0});
    afterKey();
    textView().pressKey({KeyValues::Return, 0});
    afterKey();
    view.keyDown({KeyValues::Return, 0});
    afterKey();
    textView().type("x");
    afterKey();
    textView().pressKey({KeyValues::Escape, 0});
    afterKey();
}
