#pragma once

#include <pugixml.hpp>

class MindMapStyle;
class NodeStyle;
class RelationStyle;
class TextStyle;

// The style elements of the native document, shared by the map document, the custom style file
// and the style presets files.
//
// Only properties whose customisation bit is set are written. Each relation, text and node style
// reader works within one update of its style (one change report), first clears every bit of
// the style, even when the element is missing, and then sets the bit of every property it reads.
// An unknown name leaves its property unset.

// ---- Writers ----

// The map style content: [ "mindmap" ] with the map's own properties, [ "topics" ] node style,
// [ "relations" ] with [ "cross-links" ] and [ "hierarchical-relations" ], [ "texts" ] text style.
void writeMindMapStyle(const MindMapStyle& style, pugi::xml_node element);
// "connection-style" and "natural-paths" (bit 1), "backgroundcolor" (bit 2), "checkbox-color"
// (bit 4) into the element.
void writeMapStyleAttributes(pugi::xml_node element, const MindMapStyle& style);
// Each adds a child of the tag name to the root, only when the style stores something.
void writeRelationStyle(const RelationStyle& style, pugi::xml_node root, const char* styleTagName);
void writeTextStyle(const TextStyle& style, pugi::xml_node root, const char* styleTagName);
void writeNodeStyle(const NodeStyle& style, pugi::xml_node root, const char* styleTagName);
// The text style content into the style element: "fillcolor", "textcolor", "align", "callout",
// "font".
void writeTextStyleAttributes(const TextStyle& style, pugi::xml_node styleRoot);

// ---- Readers ----

// The map style content in the writers' order; the font bit of the map's node and text styles is
// cleared again after reading, and missing relation styles are left without customisation. The
// map style's own bits are not cleared: callers reset the style first.
void readMindMapStyle(MindMapStyle& style, pugi::xml_node element);
// The map's own properties from the "mindmap" element; nothing for a null element.
void readMapStyleAttributes(pugi::xml_node element, MindMapStyle& style);
// "relations" > "cross-links" and "hierarchical-relations" of the element.
void readMapRelationsStyle(pugi::xml_node element, MindMapStyle& style);
void readRelationStyle(RelationStyle& style, pugi::xml_node root, const char* styleTagName);
// Both answer whether the root had a child of the tag name.
bool readTextStyle(TextStyle& style, pugi::xml_node root, const char* styleTagName);
bool readNodeStyle(NodeStyle& style, pugi::xml_node root, const char* styleTagName);
// The text style content of the element, setting bits without clearing any.
void readTextStyleAttributes(TextStyle& style, pugi::xml_node styleRoot);
