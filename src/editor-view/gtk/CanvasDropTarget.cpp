#include "editor-view/gtk/CanvasDropTarget.h"

#include "MindMaps/MindMap.h"
#include "editor-view/MindMapEditor.h"

#include <algorithm>

CanvasDropTarget::CanvasDropTarget(Gtk::Widget& widget, MindMapEditor& editor)
    : _widget(widget), _editor(editor), _imageTypes(Image::readableMediaTypes())
{
    std::vector<Gtk::TargetEntry> targets;
    for (const std::string& type : DraggingInfo::acceptedTypes(_imageTypes)) {
        // The cloud file lists' paths mean nothing outside this program.
        const Gtk::TargetFlags flags =
            type == DraggingInfo::CloudImageType ? Gtk::TARGET_SAME_APP : Gtk::TargetFlags(0);
        targets.emplace_back(type, flags);
    }
    _widget.drag_dest_set(targets, Gtk::DestDefaults(0), Gdk::ACTION_COPY | Gdk::ACTION_LINK);
    _connections.push_back(
        _widget.signal_drag_motion().connect(sigc::mem_fun(*this, &CanvasDropTarget::motion), false));
    _connections.push_back(_widget.signal_drag_leave().connect(sigc::mem_fun(*this, &CanvasDropTarget::leave), false));
    _connections.push_back(_widget.signal_drag_drop().connect(sigc::mem_fun(*this, &CanvasDropTarget::drop), false));
    _connections.push_back(
        _widget.signal_drag_data_received().connect(sigc::mem_fun(*this, &CanvasDropTarget::dataReceived), false));
}

CanvasDropTarget::~CanvasDropTarget()
{
    _performLater.disconnect();
    for (sigc::connection& connection : _connections) connection.disconnect();
}

Gdk::DragAction CanvasDropTarget::gdkActionFor(DragOperation operation, Gdk::DragAction allowed)
{
    const auto allows = [allowed](Gdk::DragAction action) { return (allowed & action) == action; };
    switch (operation) {
    case DragOperationCopy:
        if (allows(Gdk::ACTION_COPY)) return Gdk::ACTION_COPY;
        // Linking takes nothing from the source either.
        if (allows(Gdk::ACTION_LINK)) return Gdk::ACTION_LINK;
        break;
    case DragOperationLink:
        if (allows(Gdk::ACTION_LINK)) return Gdk::ACTION_LINK;
        if (allows(Gdk::ACTION_COPY)) return Gdk::ACTION_COPY;
        break;
    default:
        break;
    }
    return Gdk::DragAction(0);
}

std::vector<std::string> CanvasDropTarget::offeredTypes(const Glib::RefPtr<Gdk::DragContext>& context) const
{
    std::vector<std::string> types;
    for (const std::string& target : context->list_targets()) types.push_back(target);
    return types;
}

bool CanvasDropTarget::fromThisProgram(const Glib::RefPtr<Gdk::DragContext>& context) const
{
    return gtk_drag_get_source_widget(context->gobj()) != nullptr;
}

void CanvasDropTarget::beginDrag(const Glib::RefPtr<Gdk::DragContext>& context)
{
    _dragContext = context->gobj();
    _info = DraggingInfo();
    _info.kinds = DraggingInfo::kindsOfTypes(offeredTypes(context), _imageTypes, fromThisProgram(context));
    _fileListRequested = false;
}

void CanvasDropTarget::answerMotion(const Glib::RefPtr<Gdk::DragContext>& context, guint time)
{
    const DragOperation operation = _editor.draggingUpdated(_info);
    context->drag_status(gdkActionFor(operation, context->get_actions()), time);
}

bool CanvasDropTarget::motion(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time)
{
    if (context->gobj() != _dragContext) beginDrag(context);
    _info.location = {double(x), double(y)};
    if ((_info.kinds & DraggingInfo::UriListKind) && !_info.fileNames && !_fileListRequested) {
        // The answer waits for the list.
        _fileListRequested = true;
        _widget.drag_get_data(context, DraggingInfo::UriListType, time);
        return true;
    }
    answerMotion(context, time);
    return true;
}

void CanvasDropTarget::leave(const Glib::RefPtr<Gdk::DragContext>&, guint)
{
    // GTK also leaves just before a drop, which starts over from the drag's types.
    _editor.draggingExited();
    _dragContext = nullptr;
}

bool CanvasDropTarget::drop(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time)
{
    if (context->gobj() != _dragContext) beginDrag(context);
    _info.location = {double(x), double(y)};
    _pendingTypes = _editor.prepareForDragOperation()
        ? DraggingInfo::typesToRead(offeredTypes(context), _imageTypes, fromThisProgram(context))
        : std::vector<std::string>();
    if (_pendingTypes.empty()) {
        context->drag_finish(false, false, time);
        _dragContext = nullptr;
        return true;
    }
    _dropContext = context;
    _dropTime = time;
    _dropMap = _editor.sharedMindMap();
    _dropGeneration = _editor.mindMap() ? _editor.mindMap()->contentGeneration() : 0;
    // A copy: the requests may be answered while this loop still runs.
    const std::vector<std::string> requests = _pendingTypes;
    for (const std::string& type : requests) _widget.drag_get_data(context, type, time);
    return true;
}

void CanvasDropTarget::dataReceived(const Glib::RefPtr<Gdk::DragContext>& context, int, int,
                                    const Gtk::SelectionData& data, guint, guint time)
{
    const std::string type = data.get_target();
    std::vector<uint8_t> bytes;
    if (data.get_length() > 0) bytes.assign(data.get_data(), data.get_data() + data.get_length());

    if (_dropContext && context->gobj() == _dropContext->gobj()) {
        if (!bytes.empty()) _info.readData(type, bytes);
        const auto pending = std::find(_pendingTypes.begin(), _pendingTypes.end(), type);
        if (pending != _pendingTypes.end()) _pendingTypes.erase(pending);
        if (_pendingTypes.empty()) completeDrop();
        return;
    }
    if (context->gobj() != _dragContext || type != DraggingInfo::UriListType) return;
    // A source that sends nothing while the drag moves is asked again at the drop; until then
    // its list stays unknown. A list that came but does not read lists no files.
    if (!bytes.empty()) {
        _info.readData(type, bytes);
        if (!_info.fileNames) _info.fileNames.emplace();
    }
    answerMotion(context, time);
}

void CanvasDropTarget::completeDrop()
{
    Glib::RefPtr<Gdk::DragContext> context = std::move(_dropContext);
    const bool accepted = showsDroppedOnContent() && _editor.canPerformDragOperation(_info);
    context->drag_finish(accepted, false, _dropTime);
    _dragContext = nullptr;
    if (!accepted) {
        _editor.draggingExited();
        return;
    }
    _performLater.disconnect();
    _performLater = Glib::signal_idle().connect([this, info = _info] {
        if (showsDroppedOnContent()) _editor.performDragOperation(info);
        return false;
    });
}

bool CanvasDropTarget::showsDroppedOnContent() const
{
    const std::shared_ptr<MindMap> map = _dropMap.lock();
    return map && map.get() == _editor.mindMap() && map->contentGeneration() == _dropGeneration;
}
