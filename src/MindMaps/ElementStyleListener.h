#pragma once

class ElementStyle;
class MindMapStyle;

// Receives every change of one style. A style holds a non-owning pointer to its one listener; the
// listener clears it before it goes away.
class ElementStyleListener {
public:
    virtual ~ElementStyleListener() = default;

    virtual void styleChanged(ElementStyle* style) = 0;
};

// Receives the changes of a map style's node style, apart from its general report, so that the
// map can revalidate its topics' appearance.
class NodeStyleListener {
public:
    virtual ~NodeStyleListener() = default;

    virtual void nodeStyleChanged(MindMapStyle* style) = 0;
};
