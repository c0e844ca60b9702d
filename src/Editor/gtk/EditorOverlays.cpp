#include "Editor/gtk/EditorOverlays.h"

EditorOverlays::EditorOverlays(MindMapEditor& editor, AddOverlay addOverlay)
    : _editor(editor), _addOverlay(std::move(addOverlay))
{
    _editor.setCrossLinkFeedback(this);
}

EditorOverlays::~EditorOverlays()
{
    if (_editor.crossLinkFeedback() == this) _editor.setCrossLinkFeedback(nullptr);
}

MapSearchBar& EditorOverlays::makeSearchBar()
{
    if (!_searchBar) {
        _searchBar = std::make_unique<MapSearchBar>(_editor);
        if (_addOverlay) _addOverlay(_searchBar->widget(), Gtk::ALIGN_END, Gtk::ALIGN_START);
    }
    return *_searchBar;
}

void EditorOverlays::toggleMapSearchbar()
{
    makeSearchBar().toggleMapSearchbar();
}

void EditorOverlays::showMapSearchbar()
{
    makeSearchBar().showMapSearchbar();
}

void EditorOverlays::editorMindMapChanged()
{
    if (_searchBar) _searchBar->controller().editorMindMapChanged();
}

void EditorOverlays::showCrossLinkFeedback()
{
    if (!_crossLinkBar) {
        _crossLinkBar = std::make_unique<CrossLinkBar>(_editor);
        if (_addOverlay) _addOverlay(_crossLinkBar->widget(), Gtk::ALIGN_START, Gtk::ALIGN_START);
    }
    _crossLinkBar->controller().showCrossLinkFeedback();
}

void EditorOverlays::hideCrossLinkFeedback()
{
    if (_crossLinkBar) _crossLinkBar->controller().hideCrossLinkFeedback();
}
