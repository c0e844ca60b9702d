#include "formats/StyleElementIO.h"

#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/TextStyle.h"
#include "formats/TwkxNames.h"
#include "formats/XmlAttributeHelpers.h"

#include <algorithm>
#include <optional>

namespace {

// Font style bits and their attribute names.
struct FontStyleAttribute {
    uint64_t bit;
    const char* name;
};
constexpr FontStyleAttribute FontStyleAttributes[] = {
    {1, "bold"}, {2, "italic"}, {4, "strikethrough"}, {8, "underline"}};

// Documents from elsewhere can carry any number; beyond these a font or line could not be laid
// out or drawn any more.
constexpr double MaxFontScale = 100.0;
constexpr double MaxLineWidth = 1000.0;
// Widths are written with two decimals: a smaller one would be written as "0.00" and come back as
// no width at all, so it is not taken in the first place.
constexpr double MinLineWidth = 0.005;

constexpr uint64_t MapOwnBits =
    MindMapStyle::ConnectionStyleMask | MindMapStyle::BackgroundColorMask | MindMapStyle::CheckboxColorMask;

// The code of a name attribute, when the attribute is there and names a known value.
template <typename FromName>
std::optional<int32_t> namedAttribute(pugi::xml_node element, const char* name, FromName fromName)
{
    pugi::xml_attribute attribute = element.attribute(name);
    if (!attribute) return std::nullopt;
    return fromName(attribute.value());
}

} // namespace

// ---- Writers ----

void writeMindMapStyle(const MindMapStyle& style, pugi::xml_node element)
{
    if (style.customizedProps() & MapOwnBits) writeMapStyleAttributes(element.append_child("mindmap"), style);
    if (style.nodeStyle()) writeNodeStyle(*style.nodeStyle(), element, "topics");
    const RelationStyle* crossLinks = style.crossLinkStyle().get();
    const RelationStyle* parentRelations = style.parentRelationStyle().get();
    if ((crossLinks && crossLinks->isStored()) || (parentRelations && parentRelations->isStored())) {
        pugi::xml_node relations = element.append_child("relations");
        if (crossLinks) writeRelationStyle(*crossLinks, relations, "cross-links");
        if (parentRelations) writeRelationStyle(*parentRelations, relations, "hierarchical-relations");
    }
    if (style.textStyle()) writeTextStyle(*style.textStyle(), element, "texts");
}

void writeMapStyleAttributes(pugi::xml_node element, const MindMapStyle& style)
{
    if (style.isPropCustomized(MindMapStyle::ConnectionStyleMask)) {
        addStringAttribute(element, "connection-style", ConnectionStyleName(style.connectionStyle()));
        addBoolAttribute(element, "natural-paths", style.connectionStyle() == 1);
    }
    if (style.isPropCustomized(MindMapStyle::BackgroundColorMask))
        setColorNamed(element, style.backgroundColor(), "backgroundcolor");
    if (style.isPropCustomized(MindMapStyle::CheckboxColorMask))
        setColorNamed(element, style.checkboxColor(), "checkbox-color");
}

void writeRelationStyle(const RelationStyle& style, pugi::xml_node root, const char* styleTagName)
{
    if (!style.isStored()) return;
    pugi::xml_node element = root.append_child(styleTagName);
    if (style.isPropCustomized(RelationStyle::LineStyleMask))
        addStringAttribute(element, "line-style", PenStyleName(style.lineStyle()));
    if (style.isPropCustomized(RelationStyle::LineWidthMask))
        addFloatAttribute(element, "line-width", style.lineWidth());
    if (style.isPropCustomized(RelationStyle::PathStyleMask))
        addStringAttribute(element, "path-style", PathStyleName(style.relationPathStyle()));
    if (style.isPropCustomized(RelationStyle::SourceArrowMask))
        addStringAttribute(element, "source-arrow", ArrowStyleName(style.sourceArrowStyle()));
    if (style.isPropCustomized(RelationStyle::TargetArrowMask))
        addStringAttribute(element, "target-arrow", ArrowStyleName(style.targetArrowStyle()));
    if (style.isPropCustomized(RelationStyle::ColorMask)) setColorNamed(element, style.color(), "color");
}

void writeTextStyle(const TextStyle& style, pugi::xml_node root, const char* styleTagName)
{
    if (!style.isStored()) return;
    writeTextStyleAttributes(style, root.append_child(styleTagName));
}

void writeNodeStyle(const NodeStyle& style, pugi::xml_node root, const char* styleTagName)
{
    if (!style.isStored()) return;
    pugi::xml_node element = root.append_child(styleTagName);
    writeTextStyleAttributes(style, element);
    if (style.isPropCustomized(NodeStyle::StrokeColorMask)) setColorNamed(element, style.strokeColor(), "strokecolor");
    if (style.isPropCustomized(NodeStyle::BorderStyleMask))
        addStringAttribute(element, "borderstyle", BorderStyleName(style.borderStyle()));
    if (style.isPropCustomized(NodeStyle::BorderWidthMask))
        addFloatAttribute(element, "borderwidth", style.borderWidth());
}

void writeTextStyleAttributes(const TextStyle& style, pugi::xml_node styleRoot)
{
    if (style.isPropCustomized(TextStyle::FillColorMask)) setColorNamed(styleRoot, style.fillColor(), "fillcolor");
    if (style.isPropCustomized(TextStyle::TextColorMask)) setColorNamed(styleRoot, style.textColor(), "textcolor");
    if (style.isPropCustomized(TextStyle::AlignmentMask))
        addStringAttribute(styleRoot, "align", TextAlignmentName(style.alignment()));
    if (style.isPropCustomized(TextStyle::CallOutMask))
        addStringAttribute(styleRoot, "callout", CallOutName(static_cast<int64_t>(style.callOut())));
    if (style.isPropCustomized(TextStyle::FontMask)) {
        pugi::xml_node font = styleRoot.append_child("font");
        const uint64_t fontStyle = style.fontStyle();
        for (const FontStyleAttribute& attribute : FontStyleAttributes) {
            if (fontStyle & attribute.bit) addBoolAttribute(font, attribute.name, true);
        }
        if (style.fontScale() != 1.0) addFloatAttribute(font, "scale", style.fontScale());
    }
}

// ---- Readers ----

void readMindMapStyle(MindMapStyle& style, pugi::xml_node element)
{
    readMapStyleAttributes(firstElementForName(element, "mindmap"), style);
    if (style.nodeStyle()) readNodeStyle(*style.nodeStyle(), element, "topics");
    if (style.textStyle()) readTextStyle(*style.textStyle(), element, "texts");
    // The map's fonts come from the style sheet and the user fonts, never from a document.
    if (style.nodeStyle()) style.nodeStyle()->setPropCustomized(TextStyle::FontMask, false);
    if (style.textStyle()) style.textStyle()->setPropCustomized(TextStyle::FontMask, false);
    readMapRelationsStyle(element, style);
}

void readMapStyleAttributes(pugi::xml_node element, MindMapStyle& style)
{
    if (!element) return;
    ElementStyle::UpdateGuard batch(style);
    if (element.attribute("connection-style")) {
        if (auto connection = namedAttribute(element, "connection-style", ConnectionStyleFromName)) {
            style.setConnectionStyle(*connection);
            style.setPropCustomized(MindMapStyle::ConnectionStyleMask, true);
        }
    } else if (element.attribute("natural-paths")) {
        style.setConnectionStyle(attributeAsBool(element, "natural-paths", false) ? 1 : 0);
        style.setPropCustomized(MindMapStyle::ConnectionStyleMask, true);
    }
    if (auto color = getNamedColor(element, "backgroundcolor")) {
        style.setBackgroundColor(color);
        style.setPropCustomized(MindMapStyle::BackgroundColorMask, true);
    }
    if (auto color = getNamedColor(element, "checkbox-color")) {
        style.setCheckboxColor(color);
        style.setPropCustomized(MindMapStyle::CheckboxColorMask, true);
    }
}

void readMapRelationsStyle(pugi::xml_node element, MindMapStyle& style)
{
    pugi::xml_node relations = firstElementForName(element, "relations");
    if (style.crossLinkStyle()) readRelationStyle(*style.crossLinkStyle(), relations, "cross-links");
    if (style.parentRelationStyle())
        readRelationStyle(*style.parentRelationStyle(), relations, "hierarchical-relations");
}

void readRelationStyle(RelationStyle& style, pugi::xml_node root, const char* styleTagName)
{
    ElementStyle::UpdateGuard batch(style);
    style.setCustomizedProps(0);
    pugi::xml_node element = firstElementForName(root, styleTagName);
    if (!element) return;
    if (auto lineStyle = namedAttribute(element, "line-style", PenStyleFromName)) {
        style.setLineStyle(*lineStyle);
        style.setPropCustomized(RelationStyle::LineStyleMask, true);
    }
    const double lineWidth = attributeAsFloat(element, "line-width", 0);
    if (lineWidth >= MinLineWidth) {
        style.setLineWidth(std::min(lineWidth, MaxLineWidth));
        style.setPropCustomized(RelationStyle::LineWidthMask, true);
    }
    if (auto pathStyle = namedAttribute(element, "path-style", PathStyleFromName)) {
        style.setRelationPathStyle(*pathStyle);
        style.setPropCustomized(RelationStyle::PathStyleMask, true);
    }
    if (auto arrow = namedAttribute(element, "source-arrow", ArrowStyleFromName)) {
        style.setSourceArrowStyle(*arrow);
        style.setPropCustomized(RelationStyle::SourceArrowMask, true);
    }
    if (auto arrow = namedAttribute(element, "target-arrow", ArrowStyleFromName)) {
        style.setTargetArrowStyle(*arrow);
        style.setPropCustomized(RelationStyle::TargetArrowMask, true);
    }
    if (auto color = getNamedColor(element, "color")) {
        style.setColor(color);
        style.setPropCustomized(RelationStyle::ColorMask, true);
    }
}

bool readTextStyle(TextStyle& style, pugi::xml_node root, const char* styleTagName)
{
    ElementStyle::UpdateGuard batch(style);
    style.setCustomizedProps(0);
    pugi::xml_node element = firstElementForName(root, styleTagName);
    if (!element) return false;
    readTextStyleAttributes(style, element);
    return true;
}

bool readNodeStyle(NodeStyle& style, pugi::xml_node root, const char* styleTagName)
{
    ElementStyle::UpdateGuard batch(style);
    style.setCustomizedProps(0);
    pugi::xml_node element = firstElementForName(root, styleTagName);
    if (!element) return false;
    readTextStyleAttributes(style, element);
    if (auto color = getNamedColor(element, "strokecolor")) {
        style.setStrokeColor(color);
        style.setPropCustomized(NodeStyle::StrokeColorMask, true);
    }
    if (auto borderStyle = namedAttribute(element, "borderstyle", BorderStyleFromName)) {
        style.setBorderStyle(*borderStyle);
        style.setPropCustomized(NodeStyle::BorderStyleMask, true);
    }
    if (element.attribute("borderwidth")) {
        style.setBorderWidth(std::clamp(attributeAsFloat(element, "borderwidth", 1.0), 0.0, MaxLineWidth));
        style.setPropCustomized(NodeStyle::BorderWidthMask, true);
    }
    return true;
}

void readTextStyleAttributes(TextStyle& style, pugi::xml_node styleRoot)
{
    if (!styleRoot) return;
    ElementStyle::UpdateGuard batch(style);
    if (auto color = getNamedColor(styleRoot, "fillcolor")) {
        style.setFillColor(color);
        style.setPropCustomized(TextStyle::FillColorMask, true);
    }
    if (auto color = getNamedColor(styleRoot, "textcolor")) {
        style.setTextColor(color);
        style.setPropCustomized(TextStyle::TextColorMask, true);
    }
    if (auto alignment = namedAttribute(styleRoot, "align", TextAlignmentFromName)) {
        style.setAlignment(*alignment);
        style.setPropCustomized(TextStyle::AlignmentMask, true);
    }
    if (auto callOut = namedAttribute(styleRoot, "callout", CallOutFromName)) {
        style.setCallOut(static_cast<uint64_t>(*callOut));
        style.setPropCustomized(TextStyle::CallOutMask, true);
    }
    if (pugi::xml_node font = firstElementForName(styleRoot, "font")) {
        uint64_t fontStyle = 0;
        for (const FontStyleAttribute& attribute : FontStyleAttributes) {
            if (attributeAsBool(font, attribute.name, false)) fontStyle |= attribute.bit;
        }
        style.setFontStyle(fontStyle);
        style.setFontScale(std::clamp(attributeAsFloat(font, "scale", 1.0), 0.0, MaxFontScale));
        style.setPropCustomized(TextStyle::FontMask, true);
    }
}
