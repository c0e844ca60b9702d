#pragma once

#include "MindMaps/MindMapNodeTestSupport.h"

#include "MindMaps/MindMapStyle.h"

#include <string>

// Measured topics with a plain rectangular border, put where asked; "abcdefghij" in the test
// font makes a topic of about 80 by 24.
class LayoutTest : public nodetest::NodeTest {
protected:
    MindMapNode* topic(MindMapNode* parent, Point location = {}, const std::string& text = "abcdefghij")
    {
        MindMapNode* node = parent ? child(parent, location) : theme(text);
        node->setLocation(location);
        node->setText(text);
        settle(node);
        return node;
    }

    // An empty map for the next case of a table.
    void fresh() { map.newMindMap("", false, std::nullopt); }

    void setConnectionStyle(int32_t connectionStyle)
    {
        map.style()->setPropCustomized(MindMapStyle::ConnectionStyleMask, true);
        map.style()->setConnectionStyle(connectionStyle);
    }
};
