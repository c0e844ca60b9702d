#include "formats/MindMapConverter.h"

#include "MindMaps/MindMap.h"
#include "formats/FreemindMindMapExporter.h"
#include "formats/FreemindMindMapImporter.h"
#include "formats/HtmlOutlineExporter.h"
#include "formats/OpmlMindMapExporter.h"
#include "formats/OpmlMindMapImporter.h"
#include "formats/PlainTextExporter.h"
#include "formats/PlainTextImporter.h"
#include "formats/TwkMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"
#include "formats/XmlAttributeHelpers.h"
#include "platform/Pasteboard.h"

MindMapData MindMapConverter::exportToText(MindMap& mindMap, bool selectionOnly)
{
    PlainTextExporter exporter;
    return prefixUTF8BOM(exporter.exportMindMap(mindMap, selectionOnly));
}

MindMapData MindMapConverter::exportToHtmlOutline(MindMap& mindMap, bool selectionOnly)
{
    HtmlOutlineExporter exporter(mindMap);
    return prefixUTF8BOM(exporter.getMindMapAsData(selectionOnly));
}

MindMapData MindMapConverter::exportToOpml(MindMap& mindMap)
{
    OpmlMindMapExporter exporter(mindMap);
    return prefixUTF8BOM(exporter.getMindMapAsData());
}

MindMapData MindMapConverter::exportToFreemind(MindMap& mindMap)
{
    FreemindMindMapExporter exporter(mindMap);
    return prefixUTF8BOM(exporter.getMindMapAsData());
}

bool MindMapConverter::importFromText(MindMap& mindMap, const MindMapData& data, Error* error)
{
    PlainTextImporter importer(mindMap);
    return importer.importMindMapFromData(data, error);
}

bool MindMapConverter::importFromText(MindMap& mindMap, MindMapData&& data, Error* error)
{
    PlainTextImporter importer(mindMap);
    return importer.importMindMapFromData(std::move(data), error);
}

bool MindMapConverter::importFromOpml(MindMap& mindMap, const MindMapData& data, Error* error)
{
    OpmlMindMapImporter importer(mindMap);
    return importer.importMindMapFromData(data, error);
}

bool MindMapConverter::importFromFreemind(MindMap& mindMap, const MindMapData& data, Error* error)
{
    FreemindMindMapImporter importer(mindMap);
    return importer.importMindMapFromData(data, error);
}

MindMapData MindMapConverter::twkxDataFromUTF8Data(const MindMapData& data, Error* error)
{
    MindMap mindMap;
    const bool read = mindMap.importWithImporter([&] { return importFromText(mindMap, data, error); }, "");
    if (!read) return {};
    return TwkxMindMapWriter::writeMindMap(mindMap, error);
}

void MindMapConverter::pasteTextAsList(MindMap& mindMap, const Pasteboard& pasteboard)
{
    PlainTextImporter importer(mindMap);
    importer.pasteTextAsList(pasteboard);
}

void registerForeignFormats()
{
    registerPropertyListFormat();
    MindMapFormats::registerReader(MindMapReadFormat::Opml,
                                   [](MindMap& mindMap, const MindMapData& data, Error* error) {
                                       return MindMapConverter::importFromOpml(mindMap, data, error);
                                   });
    MindMapFormats::registerReader(MindMapReadFormat::FreeMind,
                                   [](MindMap& mindMap, const MindMapData& data, Error* error) {
                                       return MindMapConverter::importFromFreemind(mindMap, data, error);
                                   });
    MindMapFormats::registerReader(MindMapReadFormat::PlainText,
                                   [](MindMap& mindMap, const MindMapData& data, Error* error) {
                                       return MindMapConverter::importFromText(mindMap, data, error);
                                   });
    MindMapFormats::registerTextListPaster(
        [](MindMap& mindMap, const Pasteboard& contents) { MindMapConverter::pasteTextAsList(mindMap, contents); });
    MindMapFormats::registerWriter(MindMapExportFormat::HtmlOutline,
                                   [](MindMap& mindMap, const MindMapExportOptions& options, Error*) {
                                       return MindMapConverter::exportToHtmlOutline(mindMap, options.selectionOnly);
                                   });
    MindMapFormats::registerWriter(MindMapExportFormat::PlainText,
                                   [](MindMap& mindMap, const MindMapExportOptions& options, Error*) {
                                       return MindMapConverter::exportToText(mindMap, options.selectionOnly);
                                   });
    MindMapFormats::registerWriter(
        MindMapExportFormat::Opml,
        [](MindMap& mindMap, const MindMapExportOptions&, Error*) { return MindMapConverter::exportToOpml(mindMap); });
    MindMapFormats::registerWriter(MindMapExportFormat::FreeMind,
                                   [](MindMap& mindMap, const MindMapExportOptions&, Error*) {
                                       return MindMapConverter::exportToFreemind(mindMap);
                                   });
}
