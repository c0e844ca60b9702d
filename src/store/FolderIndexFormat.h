#pragma once

#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class MindMapStoreFolder;

// The names of "folder-index.xml", the file that keeps the store's folder tree and the order of
// the maps in it:
//   <diagram-index>
//     <folder name=".." id="/.root">            the root; sub-folders and maps in order
//       <folder name=".." id="/<GUID>"> ... </folder>
//       <diagram name=".." id="<GUID>"/>
//     </folder>
//     <custom-styles> <style name=".." id=".twkstyle.<key>"/> </custom-styles>   (device link only)
//   </diagram-index>
// Names are stored escaped (EscapeXmlText); empty names and ids are left out.
namespace FolderIndexFormat {

inline constexpr const char* FileName = "folder-index.xml";
inline constexpr const char* RootElement = "diagram-index";
inline constexpr const char* FolderElement = "folder";
inline constexpr const char* DiagramElement = "diagram";
inline constexpr const char* CustomStylesElement = "custom-styles";
inline constexpr const char* StyleElement = "style";
inline constexpr const char* NameAttribute = "name";
inline constexpr const char* IdAttribute = "id";
inline constexpr const char* StyleIdPrefix = ".twkstyle.";

// Folders nested deeper than this in a file are not made: their contents go to the deepest
// folder that was, so that a hostile file cannot build a tree too deep to walk.
inline constexpr size_t MaxFolderDepth = 64;
// A folder index larger than this is not read: no store comes near it.
inline constexpr size_t MaxFileSize = size_t(64) << 20;
// What is wrong with an index larger than MaxFileSize.
std::string tooLargeDamage();

// Parses the data into the document and answers the first "folder" child of the root
// "diagram-index"; an empty node when the data is too large, does not parse, has another root
// or no folder.
pugi::xml_node parseRootFolder(const std::vector<uint8_t>& data, pugi::xml_document& document);
// The same for a file that may be damaged, with what was wrong with it in damage (the technical
// finding; empty for a whole file). Of a file damaged inside, the part before the damage is
// answered, less an element the parser stopped inside the tag of, whose name or id may be cut.
pugi::xml_node parseReadablePart(const std::vector<uint8_t>& data, pugi::xml_document& document, std::string& damage);

// Answers the folder that stands for a "folder" element (found or made) below parent, given the
// element's id and unescaped name; nullptr puts its contents into parent.
using FolderResolver =
    std::function<MindMapStoreFolder*(MindMapStoreFolder* parent, const std::string& id, const std::string& name)>;
// Told about each "diagram" element with a non-empty id, the folder it lies in, and its unescaped
// name.
using DiagramVisitor = std::function<void(MindMapStoreFolder* folder, const std::string& id, const std::string& name)>;

// Walks the elements below rootElement in document order, with a stack of its own so that no
// file can exhaust the call stack; beyond MaxFolderDepth folders are not resolved.
void walkFolders(pugi::xml_node rootElement, MindMapStoreFolder* root, const FolderResolver& resolveFolder,
                 const DiagramVisitor& visitDiagram);

} // namespace FolderIndexFormat
