#include "formats/HtmlOutlineExporter.h"

#include "MindMaps/DiagramLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "formats/XmlAttributeHelpers.h"
#include "platform/Localizer.h"

#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// An element that HTML does not allow to be written empty gets an (empty) text, so that it is
// written with an end tag: "<title/>" or "<ol/>" would swallow the rest of the page.
void keepEndTag(pugi::xml_node element)
{
    if (!element.first_child()) element.append_child(pugi::node_pcdata);
}

} // namespace

HtmlOutlineExporter::HtmlOutlineExporter(MindMap& mindMap)
    : MindMapFilerBase(mindMap), _linkLabel(localized("html_outline_link") + " ")
{
}

MindMapData HtmlOutlineExporter::getMindMapAsData(bool selectionOnly)
{
    MindMap& map = mindMap();
    pugi::xml_document document;
    pugi::xml_node html = document.append_child("html");
    pugi::xml_node head = html.append_child("head");
    pugi::xml_node meta = head.append_child("meta");
    meta.append_attribute("charset").set_value("UTF-8");
    pugi::xml_node title = head.append_child("title");
    setElementText(title, map.title());
    keepEndTag(title);
    pugi::xml_node list = html.append_child("body").append_child("ol");
    const std::vector<MindMapNode*> roots = outlineRoots(map, selectionOnly);
    for (MindMapNode* root : roots) insertNode(root, list);

    // Every element that may be empty is written with an end tag except "br" and "meta", whose
    // short form HTML knows.
    std::vector<pugi::xml_node> pending{html};
    while (!pending.empty()) {
        pugi::xml_node element = pending.back();
        pending.pop_back();
        const std::string_view name = element.name();
        if (name != "br" && name != "meta") keepEndTag(element);
        for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
            if (child.type() == pugi::node_element) pending.push_back(child);
        }
    }

    std::ostringstream out;
    out << "<!DOCTYPE html>\n";
    html.print(out, xmlIndentation(roots), pugi::format_indent, pugi::encoding_utf8);
    const std::string text = std::move(out).str();
    return MindMapData(text.begin(), text.end());
}

void HtmlOutlineExporter::insertNode(MindMapNode* node, pugi::xml_node list)
{
    std::vector<std::pair<MindMapNode*, pugi::xml_node>> pending{{node, list}};
    while (!pending.empty()) {
        auto [current, into] = pending.back();
        pending.pop_back();
        pugi::xml_node item = into.append_child("li");
        item.append_child(pugi::node_pcdata).set_value(xmlSafeText(current->text()).c_str());
        const DiagramLink* link = current->diagramLink();
        if (link && link->linkType() == DiagramLink::LinkTypeURL) {
            item.append_child("br");
            item.append_child(pugi::node_pcdata).set_value(_linkLabel.c_str());
            pugi::xml_node anchor = item.append_child("a");
            addStringAttribute(anchor, "href", link->linkID());
            setElementText(anchor, link->linkID());
        }
        if (current->hasNote()) {
            // HTML takes a bare line break for a blank; the note's lines stay lines.
            pugi::xml_node paragraph = item.append_child("p");
            const std::string_view note = current->note();
            size_t start = 0;
            while (true) {
                const size_t end = note.find('\n', start);
                const std::string line(
                    note.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
                paragraph.append_child(pugi::node_pcdata).set_value(xmlSafeText(line).c_str());
                if (end == std::string_view::npos) break;
                paragraph.append_child("br");
                start = end + 1;
            }
        }
        const auto& children = current->children();
        if (children.empty()) continue;
        pugi::xml_node childList = item.append_child("ol");
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.emplace_back(*it, childList);
    }
}
