#include "MindMaps/MindMapNode.h"

#include "MindMaps/DiagramLink.h"
#include <string_view>

namespace {

bool hasPathExtension(const std::string& path, std::string_view extension)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    return std::string_view(path).substr(dot + 1) == extension;
}

} // namespace

DiagramLink* MindMapNode::replaceDiagramLink()
{
    decorations().diagramLink = std::make_unique<DiagramLink>(this);
    return diagramLink();
}

void MindMapNode::linkToLocalMap(const std::string& mapGuid, const std::string& element, bool hotLinked)
{
    if (_extras) _extras->decorations.diagramLink.reset();
    if (!mapGuid.empty()) replaceDiagramLink()->linkToLocalMap(mapGuid, element, hotLinked);
    includeNodeUpdateState(UpdateOuterSize);
}

void MindMapNode::linkToURL(const std::string& url)
{
    if (_extras) _extras->decorations.diagramLink.reset();
    if (!url.empty()) replaceDiagramLink()->linkToURL(url);
    includeNodeUpdateState(UpdateOuterSize);
}

void MindMapNode::linkToCloudMap(const std::string& path, const std::string& nativeLink, const std::string& element)
{
    if (_extras) _extras->decorations.diagramLink.reset();
    if (!path.empty() || !nativeLink.empty()) replaceDiagramLink()->linkToCloudMap(path, nativeLink, element);
    includeNodeUpdateState(UpdateOuterSize);
}

void MindMapNode::linkToCloudDocument(const std::string& path, const std::string& nativeLink)
{
    if (!path.empty() && hasPathExtension(path, "twkx")) {
        linkToCloudMap(path, nativeLink, std::string());
        return;
    }
    if (_extras) _extras->decorations.diagramLink.reset();
    if (!path.empty()) replaceDiagramLink()->linkToCloudDocument(path, nativeLink);
    includeNodeUpdateState(UpdateOuterSize);
}

void MindMapNode::linkToPhoneContact(const std::string& contact, const std::string& imageHash)
{
    if (_extras) _extras->decorations.diagramLink.reset();
    if (!contact.empty()) replaceDiagramLink()->linkToPhoneContact(contact, imageHash);
    includeNodeUpdateState(UpdateOuterSize);
}

void MindMapNode::linkToEmailContact(const std::string& contact, const std::string& imageHash)
{
    if (_extras) _extras->decorations.diagramLink.reset();
    if (!contact.empty()) replaceDiagramLink()->linkToEmailContact(contact, imageHash);
    includeNodeUpdateState(UpdateOuterSize);
}

void MindMapNode::clearHyperlink()
{
    if (!diagramLink()) return;
    if (_extras) _extras->decorations.diagramLink.reset();
    includeNodeUpdateState(UpdateOuterSize);
}

void MindMapNode::refreshDiagramLink()
{
    if (diagramLink()) diagramLink()->updateStatus();
}

bool MindMapNode::isHotLinked() const
{
    return diagramLink() && diagramLink()->isHotLink();
}

void MindMapNode::setIsHotLinked(bool hotLinked)
{
    if (diagramLink()) diagramLink()->setIsHotLink(hotLinked);
}
