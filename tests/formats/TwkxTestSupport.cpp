#include "TwkxTestSupport.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/EmbeddedImage.h"
#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMapEditorScrollState.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeHullStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TextStyle.h"
#include "formats/NodeDateFormatter.h"

namespace twkxtest {

std::string documentWith(const std::string& topics, const std::string& relations, const std::string& metaContent,
                         const std::string& generator)
{
    std::string generatorAttribute = generator.empty() ? "" : " generator=\"" + generator + "\"";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE tarnwick-mindmaps>\n"
           "<tarnwick-mindmaps doc-version=\"3\"" +
        generatorAttribute + ">\n<mindmap>\n<meta>" + metaContent + "</meta>\n<topics>" + topics +
        "</topics>\n<relations>" + relations + "</relations>\n</mindmap>\n</tarnwick-mindmaps>\n";
}

namespace {

void customizeRelationStyle(RelationStyle& style, int32_t lineStyle, int32_t arrow)
{
    ElementStyle::UpdateGuard batch(style);
    style.setLineStyle(lineStyle);
    style.setPropCustomized(RelationStyle::LineStyleMask, true);
    style.setLineWidth(2.5);
    style.setPropCustomized(RelationStyle::LineWidthMask, true);
    style.setRelationPathStyle(1);
    style.setPropCustomized(RelationStyle::PathStyleMask, true);
    style.setSourceArrowStyle(arrow);
    style.setPropCustomized(RelationStyle::SourceArrowMask, true);
    style.setTargetArrowStyle(8);
    style.setPropCustomized(RelationStyle::TargetArrowMask, true);
    style.setColor(Color::rgb255(10, 20, 30));
    style.setPropCustomized(RelationStyle::ColorMask, true);
}

void customizeTextStyle(TextStyle& style, bool withFont)
{
    ElementStyle::UpdateGuard batch(style);
    style.setFillColor(Color::rgb255(250, 240, 230));
    style.setPropCustomized(TextStyle::FillColorMask, true);
    style.setTextColor(Color::normalizedClearColor());
    style.setPropCustomized(TextStyle::TextColorMask, true);
    style.setAlignment(2);
    style.setPropCustomized(TextStyle::AlignmentMask, true);
    style.setCallOut(1);
    style.setPropCustomized(TextStyle::CallOutMask, true);
    if (withFont) {
        style.setFontStyle(1 | 2 | 4 | 8);
        style.setFontScale(1.5);
        style.setPropCustomized(TextStyle::FontMask, true);
    }
}

void customizeNodeStyle(NodeStyle& style, bool withFont)
{
    customizeTextStyle(style, withFont);
    ElementStyle::UpdateGuard batch(style);
    style.setStrokeColor(Color::rgb255(1, 2, 3));
    style.setPropCustomized(NodeStyle::StrokeColorMask, true);
    style.setBorderStyle(6);
    style.setPropCustomized(NodeStyle::BorderStyleMask, true);
    style.setBorderWidth(3.25);
    style.setPropCustomized(NodeStyle::BorderWidthMask, true);
}

MindMapImage* addImage(CompositeElement& container, const std::string& hash)
{
    MindMapImage* image = container.addCustomImage(hash, "thumb" + hash);
    image->setGuid("image-guid-" + hash);
    image->setRelLocation(Point{12.5, -40.25});
    image->setScale(2.0);
    image->setAngle(45.0);
    image->setImageLink("https://example.org/" + hash);
    return image;
}

MindMapText* addText(CompositeElement& container, const std::string& text)
{
    MindMapText* free = container.addText();
    free->setGuid("text-guid-" + text);
    free->setRelLocation(Point{-30, 22.75});
    free->setText(text);
    customizeTextStyle(*free->style(), true);
    return free;
}

} // namespace

void buildFullMap(MindMap& map)
{
    map.newMindMap("0123456789ABCDEF01234567", false, std::nullopt);
    map.assignStyleSheet(StyleManager::styleManager().getStyleAtIndex(2));
    MindMap::UpdateGuard update(map);

    MindMapStyle* mapStyle = map.style();
    {
        ElementStyle::UpdateGuard batch(*mapStyle);
        mapStyle->setConnectionStyle(1);
        mapStyle->setPropCustomized(MindMapStyle::ConnectionStyleMask, true);
        mapStyle->setBackgroundColor(Color::rgb255(200, 210, 220));
        mapStyle->setPropCustomized(MindMapStyle::BackgroundColorMask, true);
        mapStyle->setCheckboxColor(Color::normalizedClearColor());
        mapStyle->setPropCustomized(MindMapStyle::CheckboxColorMask, true);
        // The map's fonts come from the user fonts: its styles carry none in documents.
        customizeNodeStyle(*mapStyle->nodeStyle(), false);
        customizeTextStyle(*mapStyle->textStyle(), false);
        customizeRelationStyle(*mapStyle->crossLinkStyle(), 4, 2);
        customizeRelationStyle(*mapStyle->parentRelationStyle(), 7, 0);
    }
    map.setAutoNumberStyle(AutoNumberBelow);

    MindMapNode* first = map.internalAddCentralTheme("First theme");
    first->setGuid("first-theme-guid");
    MindMapNode* second = map.internalAddCentralTheme("Second\ntheme \\ with\ttab");
    second->setLocation(Point{1000.5, -200.25});
    second->setNote("A note with <markup> & \"quotes\"\nand a second line");

    // A branch under a tree list growing right, and one under a top-down chart.
    MindMapNode* list = map.addMindMapNodeAsChild(first, Point{150, 20});
    list->setText("List");
    list->setLayoutMode(LayoutModeList);
    list->setLayoutDirection(LayoutDirectionRight);
    MindMapNode* chart = map.addMindMapNodeAsChild(first, Point{150, 80});
    chart->setText("Chart");
    chart->setLayoutMode(LayoutModeTopDown);
    chart->setLayoutDirection(LayoutDirectionBottom);
    MindMapNode* upward = map.addMindMapNodeAsChild(first, Point{150, 140});
    upward->setText("Upward");
    upward->setLayoutMode(LayoutModeTopDown);
    upward->setLayoutDirection(LayoutDirectionTop);

    MindMapNode* styled = map.addMindMapNodeAsChild(list, Point{300, 0});
    styled->setText("Styled");
    customizeNodeStyle(*styled->style(), true);
    styled->setIconName("icon_star");
    styled->setCheckboxMode(1);
    styled->setCheckedState(1);
    styled->setDate(NodeDateFormatter::dateFromString("24-12-2023"));
    styled->setVoiceMemo("memo-0001.m4a");
    styled->assureHullStyle()->setFillColor(Color::rgb255(9, 8, 7));
    styled->hullStyle()->setCustomColor(true);

    MindMapNode* palette = map.addMindMapNodeAsChild(list, Point{300, 40});
    palette->setText("Palette");
    palette->setPaletteInfo(3);
    palette->setCheckboxMode(2);
    palette->setProgress(40);
    palette->assureHullStyle();
    palette->setIconName("#0123456789abcdef0123456789abcdef01234567");
    palette->setEmbeddedImageName("89abcdef0123456789abcdef0123456789abcdef");
    palette->embeddedImage()->setScale(2.5);

    MindMapNode* rollUp = map.addMindMapNodeAsChild(chart, Point{150, 200});
    rollUp->setText("Roll-up");
    rollUp->setCheckboxMode(3);
    MindMapNode* hidden = map.addMindMapNodeAsChild(rollUp, Point{150, 260});
    hidden->setText("Hidden");
    hidden->setIsHidden(true);
    MindMapNode* collapsed = map.addMindMapNodeAsChild(chart, Point{250, 200});
    collapsed->setText("Collapsed");
    MindMapNode* under = map.addMindMapNodeAsChild(collapsed, Point{250, 260});
    under->setText("Under");
    collapsed->setCollapsed(true);
    collapsed->setOutlineCollapsed(true);

    // One topic per link kind.
    const char* linkTexts[] = {"local", "url", "cloud map", "cloud document", "phone", "email", "hot"};
    std::vector<MindMapNode*> linked;
    for (const char* text : linkTexts) {
        MindMapNode* node = map.addMindMapNodeAsChild(second, Point{1200, 100.0 * static_cast<double>(linked.size())});
        node->setText(text);
        linked.push_back(node);
    }
    linked[0]->linkToLocalMap("FEDCBA9876543210FEDCBA98", "element-guid", false);
    linked[1]->linkToURL("https://example.org/a?b=c&d=e");
    linked[2]->linkToCloudMap("/folder/map.twkx", "native-id-1", "element-2");
    linked[3]->linkToCloudDocument("/folder/report.pdf", "native-id-2");
    linked[4]->linkToPhoneContact("contact-1", "abcdefabcdefabcdefabcdefabcdefabcdefabcd");
    linked[5]->linkToEmailContact("contact-2", "");
    linked[6]->linkToLocalMap("AAAABBBBCCCCDDDDEEEEFFFF", "", true);

    // The parent relation of the styled topic: GUID, style, custom path and contained elements.
    ParentRelation* relation = styled->parentRelation();
    relation->setGuid("relation-guid");
    customizeRelationStyle(*relation->ownStyle(), 2, 5);
    relation->setHasCustomPath(true);
    relation->relationPath().setCustomOffset(Point{15.5, -7.25});
    addText(*relation, "On the line");
    // Only a GUID makes the element be written too.
    linked[0]->parentRelation()->setGuid("bare-relation-guid");

    // Images and free texts of topics.
    addImage(*palette, "1111111111111111111111111111111111111111");
    addText(*palette, "Label\nof two lines");
    addImage(*palette, "2222222222222222222222222222222222222222");

    CrossLink* link = map.internalAddCrossLinkFromSource(styled, linked[1]);
    link->setGuid("cross-link-guid");
    customizeRelationStyle(*link->ownStyle(), 5, 6);
    link->setHasCustomPath(true);
    link->relationPath().setCustomOffset(Point{-3.5, 60});
    addText(*link, "Linked");
    MindMapImage* selected = addImage(*link, "3333333333333333333333333333333333333333");
    map.internalAddCrossLinkFromSource(under, hidden);

    map.rethinkCentralThemes();
    map.setMainCentralTheme(second);
    map.setCustomTitle("Plans \\ ideas");
    map.setSelectedElement(selected);
    // As a stored map is: its style sheet applied to every topic.
    map.styleSheet()->applyStyleToDiagram(map);

    MindMapEditorScrollState scrollState;
    scrollState.setZoomPercentage(150);
    scrollState.setOffset(Point{10.25, -20.5});
    scrollState.setOffsetValid(true);
    map.setEditorScrollState(scrollState);
}

} // namespace twkxtest
