#include "formats/NativeStyleFileFormat.h"

#include "MindMaps/CustomColorScheme.h"
#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/TextStyle.h"
#include "formats/StyleElementIO.h"
#include "formats/TwkxMindMapWriter.h"
#include "formats/TwkxNames.h"
#include "formats/XmlAttributeHelpers.h"

namespace {

// The alpha a shadow colour from a file is used with.
constexpr double ShadowAlpha = 0.3;

} // namespace

void NativeStyleFileFormat::readStyleSheet(CustomStyleSheet& sheet, pugi::xml_node root)
{
    ElementStyle::UpdateGuard batch(sheet);
    CustomColorScheme& colors = sheet.customColors();
    if (pugi::xml_node general = root.child("general")) {
        sheet.setStyleKeyName(general.attribute("description").value());
        sheet.setTimestamp(CustomStyleSheet::parseTimestamp(general.attribute("timestamp").value()));
        colors.setIsLevelBased(attributeAsBool(general, "levelbased", false));
        if (const auto border = BorderStyleFromName(general.attribute("borderstyle").value()))
            sheet.setBorderStyle(*border);
        if (const auto pen = PenStyleFromName(general.attribute("penstyle").value())) sheet.setLineStyle(*pen);
        if (const auto background = getNamedColor(general, "bkgnd-color")) colors.setBackgroundColor(*background);
        if (const auto font = getNamedColor(general, "font-color")) colors.setFontColor(*font);
        if (const auto shadow = getNamedColor(general, "shadow-color")) {
            if (shadow->isNormalizedClearColor()) colors.setShadowColor(std::nullopt);
            else colors.setShadowColor(shadow->withAlpha(ShadowAlpha));
        }
    }
    sheet.setTextColor(colors.fontColor());
    if (pugi::xml_node style = root.child("style")) readMindMapStyle(sheet, style);
    for (pugi::xml_node item : root.child("palette").children("item")) {
        const std::optional<Color> fill = getNamedColor(item, "fill-color");
        if (!fill) continue;
        const std::optional<Color> stroke = getNamedColor(item, "stroke-color");
        colors.addFillColor(*fill, stroke ? *stroke : MMColorScheme::getReducedLuminanceStrokeColor(*fill));
    }
}

void NativeStyleFileFormat::writeStyleSheet(const CustomStyleSheet& sheet, pugi::xml_node root)
{
    const CustomColorScheme& colors = sheet.customColors();
    pugi::xml_node general = root.append_child("general");
    addStringAttribute(general, "description", sheet.styleKeyName());
    if (const std::optional<CustomStyleSheet::Timestamp>& timestamp = sheet.timestamp())
        addStringAttribute(general, "timestamp", CustomStyleSheet::formatTimestamp(*timestamp));
    if (colors.isLevelBased()) addBoolAttribute(general, "levelbased", true);
    addStringAttribute(general, "borderstyle", BorderStyleName(sheet.nodeStyle()->borderStyle()));
    addStringAttribute(general, "penstyle", PenStyleName(sheet.lineStyle()));
    setColorNamed(general, colors.backgroundColor(), "bkgnd-color");
    setColorNamed(general, colors.fontColor(), "font-color");
    setColorNamed(general, colors.shadowColor(), "shadow-color");

    writeMindMapStyle(sheet, root.append_child("style"));

    pugi::xml_node palette = root.append_child("palette");
    const auto count = static_cast<int64_t>(colors.paletteCount());
    for (int64_t i = 0; i < count; ++i) {
        pugi::xml_node item = palette.append_child("item");
        setColorNamed(item, colors.fillColorAtIndex(i), "fill-color");
        setColorNamed(item, colors.strokeColorAtIndex(i), "stroke-color");
    }
}

// A topic's style is a text style too: the topic's own elements are asked for first.
void NativeStyleFileFormat::writeStyle(const ElementStyle& style, pugi::xml_node root, const char* tagName)
{
    if (const auto* node = dynamic_cast<const NodeStyle*>(&style)) writeNodeStyle(*node, root, tagName);
    else if (const auto* text = dynamic_cast<const TextStyle*>(&style)) writeTextStyle(*text, root, tagName);
    else if (const auto* relation = dynamic_cast<const RelationStyle*>(&style))
        writeRelationStyle(*relation, root, tagName);
}

void NativeStyleFileFormat::readStyle(ElementStyle& style, pugi::xml_node root, const char* tagName)
{
    if (auto* node = dynamic_cast<NodeStyle*>(&style)) readNodeStyle(*node, root, tagName);
    else if (auto* text = dynamic_cast<TextStyle*>(&style)) readTextStyle(*text, root, tagName);
    else if (auto* relation = dynamic_cast<RelationStyle*>(&style)) readRelationStyle(*relation, root, tagName);
}

std::string NativeStyleFileFormat::documentText(const pugi::xml_document& document, bool byteOrderMark)
{
    const std::string text = TwkxMindMapWriter::serialize(document, true);
    return byteOrderMark ? prefixUTF8BOM(text) : text;
}

// ---- The sheet inside a map document ----

bool writeInlineStyleSheet(const StyleSheet* styleSheet, pugi::xml_node mindMapElement)
{
    if (!styleSheet || !styleSheet->isCustomStyle() || !mindMapElement) return false;
    const auto* custom = dynamic_cast<const CustomStyleSheet*>(styleSheet);
    if (!custom) return false;
    NativeStyleFileFormat().writeStyleSheet(*custom, mindMapElement.append_child("stylesheet"));
    return true;
}

std::shared_ptr<StyleSheet> readInlineStyleSheet(pugi::xml_node mindMapElement)
{
    pugi::xml_node element = mindMapElement.child("stylesheet");
    if (!element) return nullptr;
    auto sheet = std::make_shared<CustomStyleSheet>();
    NativeStyleFileFormat().readStyleSheet(*sheet, element);
    return sheet->registerInlineStyleSheet();
}
