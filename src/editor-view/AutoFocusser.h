#pragma once

#include <cstdint>
#include <limits>

class AutoFocusser;
class CompositeElement;
class MindMap;
class MindMapNode;

// Told when the auto-focus mode changes; the editor redisplays.
class AutoFocusserDelegate {
public:
    virtual ~AutoFocusserDelegate() = default;
    virtual void autoFocusChanged(AutoFocusser* focusser) = 0;
};

// The reading aid that marks the selection and what is related to it as auto-focused, for the
// painter to dim everything else. Mode 0 is off; 1 marks the selection; 2 also the direct
// children of selected topics; 3 their whole branches. The marks are recomputed before each paint.
class AutoFocusser {
public:
    static constexpr int32_t ModeOff = 0;
    static constexpr int32_t ModeSelection = 1;
    static constexpr int32_t ModeChildren = 2;
    static constexpr int32_t ModeBranches = 3;
    static constexpr int64_t AllLevels = std::numeric_limits<int64_t>::max();

    // The delegate is not owned; the editor clears it at teardown.
    explicit AutoFocusser(AutoFocusserDelegate* delegate) : _delegate(delegate) {}

    void setDelegate(AutoFocusserDelegate* delegate) { _delegate = delegate; }

    // Tells the delegate only when the mode changes; a code outside 0..3 is ignored.
    void setAutoFocusMode(int32_t mode);
    int32_t autoFocusMode() const { return _autoFocusMode; }
    bool enabled() const { return _enabled; }
    int64_t childLevel() const { return _childLevel; }

    // Recomputes every mark of the map from its selection; nothing while auto focus is off, so that
    // the marks stay as last computed.
    void updateMindMap(MindMap& mindMap);
    void changed();

    // The mark on the element and on every text and image it holds.
    static void focusCompositeElement(CompositeElement* element, bool autoFocused);
    // Marks the children to that many levels below the topic, with their relations.
    static void focusChildren(MindMapNode* node, int64_t childLevel);

private:
    bool _enabled = false;
    int64_t _childLevel = 0;
    int32_t _autoFocusMode = ModeOff;
    AutoFocusserDelegate* _delegate;
};
