#pragma once

#include "editor-view/MindMapEditor.h"

#include <string>

// What the cross-link bar's widget does for its controller.
class CrossLinkBarView {
public:
    virtual ~CrossLinkBarView() = default;
    // On screen and not hidden.
    virtual bool isBarShown() const = 0;
    // Slides the bar down from the canvas's top edge.
    virtual void showBar() = 0;
    // Takes the bar away at once.
    virtual void hideBar() = 0;
};

// The tab at the canvas's top-left that tells the user, while a new cross link is being drawn, to
// click the topic to link to; its close button ends the cross-link mode. The editor tells it when
// the mode starts and ends.
class CrossLinkBarController : public CrossLinkFeedback {
public:
    // Seconds the bar takes to slide in.
    static constexpr double ShowDuration = 0.25;

    explicit CrossLinkBarController(MindMapEditor& editor) : _editor(editor) {}

    MindMapEditor& editor() const { return _editor; }
    void setView(CrossLinkBarView* view) { _view = view; }

    static std::string message();
    static std::string closeToolTip();

    // The close button: the editor leaves the cross-link mode, which hides the bar.
    void closeButtonClick();

    // CrossLinkFeedback
    void showCrossLinkFeedback() override;
    void hideCrossLinkFeedback() override;

private:
    MindMapEditor& _editor;
    CrossLinkBarView* _view = nullptr;
};
