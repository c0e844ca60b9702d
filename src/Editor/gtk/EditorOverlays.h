#pragma once

#include "Editor/gtk/CrossLinkBar.h"
#include "Editor/gtk/MapSearchBar.h"

#include <gtkmm/enums.h>

#include <functional>
#include <memory>

// The find bar and the cross-link bar of a window's canvas, made on first use and laid over the
// canvas then: the find bar at the top right, the cross-link bar at the top left. It is the
// editor's cross-link feedback from the start, so the bar can come when a cross link is drawn.
class EditorOverlays : public CrossLinkFeedback {
public:
    using AddOverlay = std::function<void(Gtk::Widget& widget, Gtk::Align halign, Gtk::Align valign)>;

    EditorOverlays(MindMapEditor& editor, AddOverlay addOverlay);
    ~EditorOverlays() override;
    EditorOverlays(const EditorOverlays&) = delete;
    EditorOverlays& operator=(const EditorOverlays&) = delete;

    // The window's actions "toggleMapSearchbar:" and "showMapSearchbar:".
    void toggleMapSearchbar();
    void showMapSearchbar();
    // The canvas shows another map: a find bar on screen searches it.
    void editorMindMapChanged();

    // Null until first used.
    MapSearchBar* searchBar() const { return _searchBar.get(); }
    CrossLinkBar* crossLinkBar() const { return _crossLinkBar.get(); }

    // CrossLinkFeedback
    void showCrossLinkFeedback() override;
    void hideCrossLinkFeedback() override;

private:
    MapSearchBar& makeSearchBar();

    MindMapEditor& _editor;
    AddOverlay _addOverlay;
    std::unique_ptr<MapSearchBar> _searchBar;
    std::unique_ptr<CrossLinkBar> _crossLinkBar;
};
