#pragma once

#include "editor-view/DraggingInfo.h"

#include <gtkmm.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class MindMap;
class MindMapEditor;

// GTK's drag and drop for the map canvas. GTK sends a drag's data only on request and later, so
// while the drag moves the editor decides from the offered types (and from the file list, which is
// asked for once, early, because whether a file is a picture changes the answer), and at the drop
// every type it may need is fetched before it decides again. The drop itself is carried out once
// the toolkit has been answered, so that the image menu it may open pops up outside the drop.
//
// A source may be slow to send its data: a drop lands only in the content that was shown when it was
// dropped, never in a map opened, made or changed by an undo meanwhile.
//
// The source always keeps what it offered: a drop is taken as a copy or a link, never as a move.
class CanvasDropTarget {
public:
    CanvasDropTarget(Gtk::Widget& widget, MindMapEditor& editor);
    ~CanvasDropTarget();
    CanvasDropTarget(const CanvasDropTarget&) = delete;
    CanvasDropTarget& operator=(const CanvasDropTarget&) = delete;

    // The editor's operation (1 copy, 2 link) as the GDK action the source allows, else none.
    static Gdk::DragAction gdkActionFor(DragOperation operation, Gdk::DragAction allowed);

private:
    bool motion(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time);
    void leave(const Glib::RefPtr<Gdk::DragContext>& context, guint time);
    bool drop(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time);
    void dataReceived(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, const Gtk::SelectionData& data,
                      guint info, guint time);
    void beginDrag(const Glib::RefPtr<Gdk::DragContext>& context);
    void answerMotion(const Glib::RefPtr<Gdk::DragContext>& context, guint time);
    void completeDrop();
    // The editor still shows the content the drop was let go on.
    bool showsDroppedOnContent() const;
    std::vector<std::string> offeredTypes(const Glib::RefPtr<Gdk::DragContext>& context) const;
    bool fromThisProgram(const Glib::RefPtr<Gdk::DragContext>& context) const;

    Gtk::Widget& _widget;
    MindMapEditor& _editor;
    std::vector<std::string> _imageTypes;
    std::vector<sigc::connection> _connections;
    sigc::connection _performLater;

    // The drag under way: GDK keeps one context per drag.
    GdkDragContext* _dragContext = nullptr;
    DraggingInfo _info;
    bool _fileListRequested = false;
    // The drop: the types still to come.
    Glib::RefPtr<Gdk::DragContext> _dropContext;
    std::vector<std::string> _pendingTypes;
    guint _dropTime = 0;
    std::weak_ptr<MindMap> _dropMap;
    uint64_t _dropGeneration = 0;
};
