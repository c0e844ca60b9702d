#pragma once

#include "MindMaps/MindMapNodeTestSupport.h"

// Topics of about 80 by 24 (the test font in a rectangle), measured, where they are put.
class LayoutTest : public nodetest::NodeTest {
protected:
    MindMapNode* topic(MindMapNode* parent, Point location = {})
    {
        MindMapNode* node = parent ? child(parent, location) : theme("centre");
        node->setLocation(location);
        node->setText("abcdefghij");
        settle(node);
        return node;
    }
};
