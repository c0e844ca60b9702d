#pragma once

#include "formats/CustomMindMapImporter.h"

// OPML of any version: the "outline" elements under "body" become topics, "text" their text
// (their "title" without one, as some outliners write; "unnamed" without both) and "_note" their
// note. The root element's name is not checked, as
// outliners disagree about it.
class OpmlMindMapImporter : public CustomMindMapImporter {
public:
    using CustomMindMapImporter::CustomMindMapImporter;

    static constexpr const char* UnnamedText = "unnamed";

protected:
    // false without a root element or without "body"; a "body" without outlines gives an empty
    // map.
    bool handleRootElement(pugi::xml_node root) override;
    MindMapNode* handleNodeElement(pugi::xml_node element, MindMapNode* parentNode) override;
    const char* nodeElementName() const override { return "outline"; }
};
