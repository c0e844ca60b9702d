#include "MindMaps/MindMap.h"

#include "Utils/AppErrors.h"
#include "Utils/PathValidation.h"
#include "platform/Localizer.h"

// ---- Writing and exporting ----

MindMapData MindMap::exportDataOfFormat(int32_t format, double imageScaleFactor, bool selectionOnly)
{
    const MindMapWriter* registered = MindMapFormats::writer(format);
    if (!registered) return {};
    MindMapWriter writer = *registered;
    MindMapExportOptions options;
    options.imageScaleFactor = imageScaleFactor;
    // The pictures and outlines can be limited to the selection; the native document, OPML and
    // FreeMind are always the whole map.
    options.selectionOnly = selectionOnly && format != static_cast<int32_t>(MindMapExportFormat::Native) &&
        format != static_cast<int32_t>(MindMapExportFormat::Opml) &&
        format != static_cast<int32_t>(MindMapExportFormat::FreeMind);
    return writer(*this, options, nullptr);
}

MindMapData MindMap::exportDataOfFormat(int32_t format)
{
    return exportDataOfFormat(format, 1.0, false);
}

MindMapData MindMap::dataOfType(int32_t typeCode, Error* error)
{
    MindMapExportFormat format;
    switch (static_cast<MindMapReadFormat>(typeCode)) {
    case MindMapReadFormat::Native:
        format = MindMapExportFormat::Native;
        break;
    case MindMapReadFormat::Opml:
        format = MindMapExportFormat::Opml;
        break;
    case MindMapReadFormat::FreeMind:
        format = MindMapExportFormat::FreeMind;
        break;
    default:
        setError(error, MakeAppError(AppErrors::MindMapUnsupportedFormat));
        return {};
    }
    const MindMapWriter* registered = MindMapFormats::writer(static_cast<int32_t>(format));
    if (!registered) {
        setError(error, MakeAppError(AppErrors::MindMapUnsupportedFormat));
        return {};
    }
    MindMapWriter writer = *registered;
    return writer(*this, MindMapExportOptions(), error);
}

Size MindMap::imageExportSize() const
{
    const Rect area = getVisualArea(false);
    return Size{area.width() + 60, area.height() + 60};
}

std::string MindMap::exportFileName(const std::string& title)
{
    std::string name = stringWithSaneFileNameLength(stringByRemovingInvalidFileNameCharsAllowSpaces(title, true));
    return name.empty() ? localized("mindmap_mindmap") : name;
}

std::string MindMap::exportFileName()
{
    return exportFileName(title());
}
