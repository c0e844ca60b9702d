#include "MindMaps/MindMapFormats.h"

#include <map>
#include <utility>

namespace {

struct FormatTable {
    std::map<int32_t, MindMapReader> readers;
    std::map<int32_t, MindMapWriter> writers;
    MindMapFormatDetection detection;
    MindMapSelectionCopier copier;
    MindMapClipboardPaster paster;
    MindMapTextListPaster textListPaster;
};

FormatTable& formatTable()
{
    static FormatTable table;
    return table;
}

} // namespace

bool isMindMapReadFormat(int32_t code)
{
    switch (static_cast<MindMapReadFormat>(code)) {
    case MindMapReadFormat::PropertyList:
    case MindMapReadFormat::Native:
    case MindMapReadFormat::Opml:
    case MindMapReadFormat::FreeMind:
    case MindMapReadFormat::PlainText:
        return true;
    }
    return false;
}

bool isMindMapExportFormat(int32_t code)
{
    return code >= static_cast<int32_t>(MindMapExportFormat::Native) &&
        code <= static_cast<int32_t>(MindMapExportFormat::FreeMind);
}

namespace MindMapFormats {

void registerReader(MindMapReadFormat format, MindMapReader reader)
{
    auto& readers = formatTable().readers;
    if (reader) readers[static_cast<int32_t>(format)] = std::move(reader);
    else readers.erase(static_cast<int32_t>(format));
}

void registerWriter(MindMapExportFormat format, MindMapWriter writer)
{
    auto& writers = formatTable().writers;
    if (writer) writers[static_cast<int32_t>(format)] = std::move(writer);
    else writers.erase(static_cast<int32_t>(format));
}

void registerDetection(MindMapFormatDetection detection)
{
    formatTable().detection = std::move(detection);
}

void registerClipboard(MindMapSelectionCopier copier, MindMapClipboardPaster paster)
{
    formatTable().copier = std::move(copier);
    formatTable().paster = std::move(paster);
}

void registerTextListPaster(MindMapTextListPaster paster)
{
    formatTable().textListPaster = std::move(paster);
}

const MindMapReader* reader(int32_t code)
{
    if (!isMindMapReadFormat(code)) return nullptr;
    const auto& readers = formatTable().readers;
    auto it = readers.find(code);
    return it == readers.end() ? nullptr : &it->second;
}

const MindMapWriter* writer(int32_t code)
{
    if (!isMindMapExportFormat(code)) return nullptr;
    const auto& writers = formatTable().writers;
    auto it = writers.find(code);
    return it == writers.end() ? nullptr : &it->second;
}

int32_t detectFormat(const MindMapData& data)
{
    const auto& detection = formatTable().detection;
    return detection ? detection(data) : 0;
}

const MindMapSelectionCopier& selectionCopier()
{
    return formatTable().copier;
}

const MindMapClipboardPaster& clipboardPaster()
{
    return formatTable().paster;
}

const MindMapTextListPaster& textListPaster()
{
    return formatTable().textListPaster;
}

} // namespace MindMapFormats
