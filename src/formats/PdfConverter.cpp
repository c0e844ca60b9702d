#include "formats/PdfConverter.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/GuidCreation.h"
#include "formats/PdfDocumentReader.h"
#include "formats/TwkxMindMapWriter.h"

#include <filesystem>
#include <utility>
#include <vector>

namespace {

constexpr int32_t StrictHorizontalLayout = 1;

} // namespace

PdfConverter::PdfConverter(MindMap& mindMap, MindMapData pdfData, std::string path, bool isCloud)
    : MindMapImporterBase(mindMap), _path(std::move(path)), _isCloud(isCloud), _pdfData(std::move(pdfData))
{
}

MindMapData PdfConverter::twkxDataFromPdf(const MindMapData& pdfData, const std::string& path, bool isCloud)
{
    MindMap mindMap;
    PdfConverter converter(mindMap, pdfData, path, isCloud);
    if (!mindMap.importWithImporter([&] { return converter.importMindMap(); }, createGUIDString())) return {};
    return TwkxMindMapWriter::writeMindMap(mindMap);
}

void PdfConverter::linkNode(MindMapNode* node, const std::string& target) const
{
    if (_isCloud) node->linkToCloudDocument(target, std::string());
    else node->linkToURL(target);
}

bool PdfConverter::importMindMap()
{
    const std::unique_ptr<PdfDocumentReader> document = PdfDocumentReader::openData(_pdfData);
    if (!document) return false;
    MindMap& map = mindMap();
    const size_t firstNew = map.nodes().size();

    MindMapNode* root = addNodeLoadingAtLocation(Point{0, 0});
    setTopicText(root, std::filesystem::path(_path).stem().string());
    linkNode(root, _path);

    // Items come each after its parent, so the parent's topic is always made first.
    const std::vector<PdfDocumentReader::OutlineItem> outline = document->outline();
    std::vector<MindMapNode*> children;
    children.reserve(outline.size());
    for (const PdfDocumentReader::OutlineItem& bookmark : outline) {
        MindMapNode* node = addNodeLoadingAtLocation(Point{0, 0});
        node->linkToParent(bookmark.parent == PdfDocumentReader::NoParent ? root : children[bookmark.parent]);
        setTopicText(node, bookmark.label);
        if (bookmark.page) linkNode(node, _path + "#page=" + std::to_string(*bookmark.page));
        children.push_back(node);
    }

    map.rethinkCentralThemes();
    nodesLoadedFromIndex(firstNew);
    map.validateElementStates();
    for (MindMapNode* node : children) node->applyDefaultWrap(false);
    root->setLayoutMode(StrictHorizontalLayout);
    reportCutTexts();
    return true;
}
