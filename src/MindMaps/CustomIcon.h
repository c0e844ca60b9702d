#pragma once

#include "MindMaps/NodeIcon.h"

#include <string>
#include <string_view>

class MindMapNode;

// An icon made from a picture of the map's image store: its name is "#" followed by the image
// hash. It is drawn at 0.625 of the picture's pixel size, the longer side at most 96 points, and
// tells its node whenever that size changes. An icon without node never loads a picture.
class CustomIcon : public NodeIcon {
public:
    // The margins (width: left and right, height: top and bottom) are added on both sides. An
    // empty name computes the size without image.
    CustomIcon(MindMapNode* node, const std::string& imageName, Size margins = {});

    // At least two characters, the first one "#".
    static bool isCustomIconImageName(std::string_view name);

    MindMapNode* node() const { return _node; }

    // The hash in the image store: the name without its "#".
    virtual std::string imageHash() const;
    // The picture's pixels are drawn at getScale() x 8/15 points each.
    virtual double getScale() const { return 1.171875; }
    // The longest side of the drawn picture, in points.
    virtual double getMaxBoxSize() const { return 96; }
    virtual void updateSize();
    // An image of the store was added or replaced (operation 0) or deleted (1).
    virtual void customImagesChanged(const std::string& imageHash, int operation);

    // The picture of the hash in the node's map's image store, or the missing picture.
    void updateImage() override;

protected:
    struct DeferredLoading {};
    // For subclasses, whose own state must be set up before the first image is loaded: they call
    // loadInitialImage() at the end of their constructor.
    CustomIcon(MindMapNode* node, Size margins, DeferredLoading);

    // The set-up hook run before the name is set.
    virtual void initialize();
    void loadInitialImage(const std::string& imageName);

private:
    MindMapNode* _node = nullptr;
};
