#pragma once

class CustomImageStore;
class MindMapDocumentOwner;
class MindMapElement;
class MindMapNodeEditor;

// The in-memory document of one mind map.
class MindMap {
public:
    // imageStore may be null.
    explicit MindMap(CustomImageStore* imageStore = nullptr);
    ~MindMap();
    MindMap(const MindMap&) = delete;
    MindMap& operator=(const MindMap&) = delete;

    CustomImageStore* imageStore() const { return _imageStore; }

    // The owning document, when the map belongs to one; not owned.
    void setDocumentOwner(MindMapDocumentOwner* owner) { _document = owner; }
    // The owning document reports unsaved changes; false without one.
    bool modified() const;
    // Tells the owning document that a change was made.
    void markModified();

    // The editing view; not owned. Reports are dropped while there is none.
    MindMapNodeEditor* nodeEditor() const { return _nodeEditor; }
    void setNodeEditor(MindMapNodeEditor* editor) { _nodeEditor = editor; }

    bool needsLayout() const { return _needsLayout; }
    void setNeedsLayout(bool needsLayout) { _needsLayout = needsLayout; }

    void elementBoundsChanged(MindMapElement* element);

private:
    CustomImageStore* _imageStore = nullptr;
    MindMapNodeEditor* _nodeEditor = nullptr;
    bool _needsLayout = false;
    MindMapDocumentOwner* _document = nullptr;
};
