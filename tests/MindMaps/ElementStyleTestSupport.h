#pragma once

#include "MindMaps/ElementStyle.h"
#include "MindMaps/ElementStyleListener.h"

#include <string>
#include <vector>

class MindMapStyle;

// Records every report a style sends, in order: "style" for styleChanged, "node" for
// nodeStyleChanged, with the sender.
struct RecordingStyleListener : ElementStyleListener, NodeStyleListener {
    std::vector<std::string> events;
    std::vector<const void*> senders;

    void styleChanged(ElementStyle* style) override
    {
        events.push_back("style");
        senders.push_back(style);
    }

    void nodeStyleChanged(MindMapStyle* style) override
    {
        events.push_back("node");
        senders.push_back(style);
    }

    size_t count() const { return events.size(); }
};
