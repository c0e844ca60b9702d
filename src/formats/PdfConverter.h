#pragma once

#include "MindMaps/MindMapFormats.h"
#include "formats/MindMapFilerBase.h"
#include "formats/PdfDocumentReader.h"

#include <cstddef>
#include <string>

// Makes a map of a PDF's bookmark outline: a central theme named after the file and linked to
// it, with one topic per bookmark below it, each linked to its page ("<path>#page=<n>", pages
// counted from 1). A bookmark without a page it can name keeps no link but keeps its children.
//
// The outline is read by PdfDocumentReader, within its bounds of depth and bookmark count; the
// titles are held to TopicTextLimit as every import's texts are.
class PdfConverter : public MindMapImporterBase {
public:
    static constexpr size_t MaximumOutlineDepth = PdfDocumentReader::MaximumOutlineDepth;
    static constexpr size_t MaximumOutlineItems = PdfDocumentReader::MaximumOutlineItems;

    // path: the PDF's file path, or its path in the cloud storage for a cloud file.
    PdfConverter(MindMap& mindMap, MindMapData pdfData, std::string path, bool isCloud);

    // The native document of a new map made from the PDF, under a new GUID; empty when the PDF
    // cannot be read.
    static MindMapData twkxDataFromPdf(const MindMapData& pdfData, const std::string& path, bool isCloud);

    // False when the data is no PDF that can be opened; a PDF without bookmarks makes a map of
    // its one central theme.
    bool importMindMap() override;

    const std::string& path() const { return _path; }
    bool isCloud() const { return _isCloud; }

private:
    void linkNode(MindMapNode* node, const std::string& target) const;

    std::string _path;
    bool _isCloud;
    MindMapData _pdfData;
};
