#include "TwkxTestSupport.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/EmbeddedImage.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeHullStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "editor-view/MindMapEditorScrollState.h"
#include "formats/NodeDateFormatter.h"
#include "formats/XmlAttributeHelpers.h"
#include "layout/LayoutModes.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>

using namespace twkxtest;

namespace {

// The process locale writes decimal commas while it lives.
class CommaLocale {
public:
    CommaLocale() : _previous(std::setlocale(LC_ALL, nullptr))
    {
        _active = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        if (_active) {
            try {
                _previousGlobal = std::locale::global(std::locale("de_DE.UTF-8"));
            } catch (const std::exception&) {
            }
        }
    }
    ~CommaLocale()
    {
        std::locale::global(_previousGlobal);
        std::setlocale(LC_ALL, _previous.c_str());
    }
    bool active() const { return _active; }

private:
    std::string _previous;
    std::locale _previousGlobal = std::locale();
    bool _active = false;
};

MindMapNode* onlyNode(MindMap& map)
{
    return map.nodes().empty() ? nullptr : map.nodes().front();
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A map with one central theme of the text, written and read back into a new map.
std::string roundTripText(const std::string& text)
{
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    map.internalAddCentralTheme(text);
    MindMap copy;
    EXPECT_TRUE(loadDocument(copy, writeDocument(map)));
    return copy.nodes().empty() ? std::string("<none>") : copy.nodes().front()->text();
}

// ---- The written form ----

TEST(TwkxFormats, RegisteringMakesTheMapTableDetectFormats)
{
    registerNativeFormat();
    MindMap map;
    map.newMindMap("", true, std::string("Theme"));
    const std::string document = writeDocument(map);
    EXPECT_EQ(MindMapFormats::detectFormat(MindMapData(document.begin(), document.end())), 2);
    const std::string opml = "<?xml version=\"1.0\"?><opml version=\"2.0\"><body/></opml>";
    EXPECT_EQ(MindMapFormats::detectFormat(MindMapData(opml.begin(), opml.end())), 4);
    EXPECT_EQ(MindMapFormats::detectFormat(MindMapData{'x', 'y'}), 0);
}

TEST(TwkxWriter, DocumentStartsWithByteOrderMarkAndRoot)
{
    MindMap map;
    map.newMindMap("", true, std::string("Theme"));
    const std::string document = writeDocument(map);
    ASSERT_GE(document.size(), 3u);
    EXPECT_EQ(document.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_TRUE(contains(document, "<!DOCTYPE tarnwick-mindmaps>"));
    EXPECT_TRUE(contains(document, "<tarnwick-mindmaps doc-version=\"3\" generator=\"TarnwickOSXN\""));
    // Pretty-printed: one element per line, indented.
    EXPECT_TRUE(contains(document, "\n  <mindmap>\n    <meta>\n"));
}

TEST(TwkxWriter, AnEmptyMapWritesEmptyTopicsAndRelations)
{
    MindMap map;
    map.newMindMap("ABCDEF0123456789ABCDEF01", false, std::nullopt);
    const std::string document = writeDocument(map);
    EXPECT_TRUE(contains(document, "<topics />"));
    EXPECT_TRUE(contains(document, "<relations />"));
    EXPECT_TRUE(contains(document, "<guid guid=\"ABCDEF0123456789ABCDEF01\" />"));
    EXPECT_FALSE(contains(document, "main-centraltheme"));
    EXPECT_FALSE(contains(document, "<selection"));
    EXPECT_FALSE(contains(document, "stylesheet"));
}

TEST(TwkxWriter, FloatsHaveTwoDecimalsWhateverTheLocale)
{
    CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    MindMapNode* node = map.internalAddCentralTheme("third");
    node->setLocation(Point{1.0 / 3.0, -2.0 / 3.0});
    const std::string document = writeDocument(map);
    EXPECT_TRUE(contains(document, "x=\"0.33\" y=\"-0.67\""));

    MindMap copy;
    ASSERT_TRUE(loadDocument(copy, document));
    EXPECT_DOUBLE_EQ(onlyNode(copy)->location().x, 0.33);
    EXPECT_DOUBLE_EQ(onlyNode(copy)->location().y, -0.67);
}

TEST(TwkxWriter, TheUndoSnapshotIsTheDocument)
{
    MindMap map;
    buildFullMap(map);
    const std::string snapshot = TwkxMindMapWriter::captureUndoState(map);
    EXPECT_EQ(snapshot, writeDocument(map));

    MindMap copy;
    copy.beginLoading();
    EXPECT_TRUE(TwkxMindMapReader::loadMindMap(copy, snapshot));
    copy.loadingCompleted();
    EXPECT_EQ(copy.nodes().size(), map.nodes().size());
}

TEST(TwkxWriter, TheFormatTableReachesTheNativeWriterAndReader)
{
    registerNativeFormat();
    MindMap map;
    buildFullMap(map);
    EXPECT_EQ(textOf(map.dataOfType(static_cast<int32_t>(MindMapReadFormat::Native))), writeDocument(map));
    EXPECT_EQ(textOf(map.exportDataOfFormat(static_cast<int32_t>(MindMapExportFormat::Native))), writeDocument(map));
    EXPECT_TRUE(MindMap::hasUndoStateFormat());
}

TEST(TwkxWriter, ASelectedElementIsWrittenAndRestored)
{
    MindMap map;
    buildFullMap(map);
    const std::string document = writeDocument(map);
    EXPECT_TRUE(contains(document, "<selection "));
    MindMap copy;
    ASSERT_TRUE(loadDocument(copy, document));
    MindMapElement* selected = copy.selectedElement();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->elementType(), ElementTypeImage);
    EXPECT_EQ(selected->guid(), "image-guid-3333333333333333333333333333333333333333");
}

// ---- Text escaping in documents ----

TEST(TwkxText, LineBreaksAreEscapedAndReadBackAsLineFeeds)
{
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    map.internalAddCentralTheme("one\ntwo \\ three");
    EXPECT_TRUE(contains(writeDocument(map), "text=\"one\\Ntwo \\\\ three\""));
    EXPECT_EQ(roundTripText("one\ntwo \\ three"), "one\ntwo \\ three");
    EXPECT_EQ(roundTripText("carriage\rreturn"), "carriage\nreturn");
    EXPECT_EQ(roundTripText("form\ffeed"), "form\nfeed");
    EXPECT_EQ(roundTripText("para\u2029graph"), "para\ngraph");
}

TEST(TwkxText, ACustomTitleWithABackslashSurvivesEveryCycle)
{
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    map.internalAddCentralTheme("Theme");
    map.setCustomTitle("C:\\maps\\N plans");
    std::string document = writeDocument(map);
    for (int cycle = 0; cycle < 4; ++cycle) {
        MindMap copy;
        ASSERT_TRUE(loadDocument(copy, document));
        EXPECT_EQ(copy.customTitle(), "C:\\maps\\N plans");
        document = writeDocument(copy);
    }
}

TEST(TwkxText, NotesAreTrimmed)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith(R"(<topic id="0" parent="-1"><note>
        first line
second line   </note></topic>)")));
    EXPECT_EQ(onlyNode(map)->note(), "first line\nsecond line");
}

// ---- Colours ----

TEST(TwkxColors, AlphaIsNotStoredAndTheClearColourKeepsItsIdentity)
{
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    MindMapNode* node = map.internalAddCentralTheme("colours");
    node->setCustomFillColor(Color(1.0, 0.0, 0.0, 0.5), Color::normalizedClearColor(), std::nullopt);
    const std::string document = writeDocument(map);
    EXPECT_TRUE(contains(document, "<fillcolor r=\"255\" g=\"0\" b=\"0\" />"));
    EXPECT_TRUE(contains(document, "<strokecolor none=\"true\" />"));

    MindMap copy;
    ASSERT_TRUE(loadDocument(copy, document));
    const NodeStyle* style = onlyNode(copy)->style();
    ASSERT_TRUE(style->fillColor().has_value());
    EXPECT_EQ(*style->fillColor(), Color(1.0, 0.0, 0.0, 1.0));
    EXPECT_TRUE(isNormalizedClearColor(style->strokeColor()));
}

TEST(TwkxColors, TheOlderCustomColoursOnTheTopic)
{
    MindMap map;
    // Deep in the tree, where the style sheet gives the topic no palette entry of its own.
    ASSERT_TRUE(loadDocument(map, documentWith(R"(<topic id="0" parent="-1"/><topic id="1" parent="0"/>)"
                                               R"(<topic id="2" parent="1" palette="0" colorinfo="-1">)"
                                               R"(<fillcolor r="0" g="255" b="0"/><strokecolor r="0" g="0" b="255"/>)"
                                               R"(</topic>)")));
    MindMapNode* node = map.nodes()[2];
    EXPECT_EQ(node->style()->fillColor(), std::optional<Color>(Color(0, 1, 0, 1)));
    EXPECT_EQ(node->style()->strokeColor(), std::optional<Color>(Color(0, 0, 1, 1)));
    EXPECT_EQ(node->paletteInfo(), 0);
}

TEST(TwkxColors, AStyleElementWinsOverTheOlderColours)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith(R"(<topic id="0" parent="-1" colorinfo="-1"><style align="left"/>)"
                                               R"(<fillcolor r="0" g="255" b="0"/></topic>)")));
    EXPECT_FALSE(onlyNode(map)->style()->isPropCustomized(TextStyle::FillColorMask));
}

// ---- Positions and generators ----

TEST(TwkxGenerators, OnlyTheOldestGeneratorIsScaled)
{
    const std::string topic = R"(<topic id="0" parent="-1" x="30.00" y="-15.00"/>)";
    MindMap scaled;
    ASSERT_TRUE(loadDocument(scaled, documentWith(topic, "", "", "TarnwickOSX")));
    EXPECT_DOUBLE_EQ(onlyNode(scaled)->location().x, 40);
    EXPECT_DOUBLE_EQ(onlyNode(scaled)->location().y, -20);
    for (const char* generator : {"TarnwickOSXN", "TarnwickWin32", ""}) {
        SCOPED_TRACE(generator);
        MindMap map;
        ASSERT_TRUE(loadDocument(map, documentWith(topic, "", "", generator)));
        EXPECT_DOUBLE_EQ(onlyNode(map)->location().x, 30);
        EXPECT_DOUBLE_EQ(onlyNode(map)->location().y, -15);
    }
}

TEST(TwkxGenerators, ContainedPositionsAreScaledButCustomPathsAreNot)
{
    const std::string topics = R"(<topic id="0" parent="-1"><children><image name="aa" x="3" y="6"/><image name="bb" x="3"/>)"
                               R"(<text x="-3" y="-6"><note>t</note></text></children></topic>)"
                               R"(<topic id="1" parent="0"><parent-relation><path><custom-point x="3" y="6"/></path>)"
                               R"(</parent-relation></topic>)";
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith(topics, "", "", "TarnwickOSX")));
    const auto elements = map.nodes()[0]->containedElements();
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(elements[0]->relLocation(), (Point{4, 8}));
    // Only when both coordinates are numbers.
    EXPECT_EQ(elements[1]->relLocation(), (Point{3, -50}));
    EXPECT_EQ(elements[2]->relLocation(), (Point{-4, -8}));
    const ParentRelation* relation = map.nodes()[1]->parentRelation();
    EXPECT_TRUE(relation->hasCustomPath());
    EXPECT_EQ(relation->relationPath().customOffset(), (Point{3, 6}));
}

TEST(TwkxGenerators, AScrollStateIsReadOnlyFromTheDesktopGenerators)
{
    const std::string meta = R"(<scrollstate zoom="250" x="12.5" y="-4"/>)";
    MindMap touch;
    ASSERT_TRUE(loadDocument(touch, documentWith("", "", meta, "TarnwickTouch")));
    MindMapEditorScrollState* ignored = touch.getEditorScrollState();
    EXPECT_EQ(ignored->zoomPercentage(), 100);
    EXPECT_FALSE(ignored->offsetValid());
    EXPECT_TRUE(ignored->centerSelection());

    MindMap desktop;
    ASSERT_TRUE(loadDocument(desktop, documentWith("", "", meta, "TarnwickOSXN")));
    MindMapEditorScrollState* read = desktop.getEditorScrollState();
    EXPECT_EQ(read->zoomPercentage(), 250);
    EXPECT_TRUE(read->offsetValid());
    EXPECT_EQ(read->offset(), (Point{12.5, -4}));

    MindMap halfOffset;
    ASSERT_TRUE(loadDocument(halfOffset, documentWith("", "", R"(<scrollstate zoom="80" x="3"/>)", "TarnwickOSX")));
    EXPECT_EQ(halfOffset.getEditorScrollState()->zoomPercentage(), 80);
    EXPECT_FALSE(halfOffset.getEditorScrollState()->offsetValid());
}

TEST(TwkxGenerators, DocumentVersionAndGeneratorVersionAreRecorded)
{
    MindMap map;
    map.beginLoading();
    TwkxMindMapReader reader(map);
    const std::string document = "<tarnwick-mindmaps doc-version=\"7\" generator=\"TarnwickAndroid\" "
                                 "gen-version=\"2.5\"><mindmap/></tarnwick-mindmaps>";
    EXPECT_TRUE(reader.readMindMapFromData(document.data(), document.size()));
    map.loadingCompleted();
    EXPECT_EQ(reader.documentVersion(), 7);
    EXPECT_EQ(reader.generator(), 5);
    EXPECT_EQ(reader.generatorVersion(), "2.5");
    EXPECT_DOUBLE_EQ(reader.documentScaleFactor(), 1.0);
    EXPECT_EQ(map.documentInformation().loadedVersion(), 7);

    MindMap unversioned;
    ASSERT_TRUE(loadDocument(unversioned, "<tarnwick-mindmaps><mindmap/></tarnwick-mindmaps>"));
    EXPECT_EQ(unversioned.documentInformation().loadedVersion(), -1);
}

// ---- Topic properties ----

TEST(TwkxTopics, ATopDownChartGrowingDownWritesNoDirection)
{
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    MindMapNode* node = map.internalAddCentralTheme("chart");
    node->setLayoutMode(LayoutModeTopDown);
    node->setLayoutDirection(LayoutDirectionBottom);
    const std::string document = writeDocument(map);
    EXPECT_TRUE(contains(document, "layout=\"top-down\""));
    EXPECT_FALSE(contains(document, "layout-direction"));

    MindMap copy;
    ASSERT_TRUE(loadDocument(copy, document));
    EXPECT_EQ(onlyNode(copy)->layoutMode(), LayoutModeTopDown);
    EXPECT_EQ(onlyNode(copy)->layoutDirection(), LayoutDirectionBottom);
}

TEST(TwkxTopics, ADirectionIsReadOnlyWithAMode)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith(R"(<topic id="0" parent="-1" layout-direction="left"/>)"
                                               R"(<topic id="1" parent="-1" layout="LIST" layout-direction="weird"/>)")));
    EXPECT_EQ(map.nodes()[0]->layoutMode(), 0);
    EXPECT_EQ(map.nodes()[0]->layoutDirection(), 0);
    EXPECT_EQ(map.nodes()[1]->layoutMode(), LayoutModeList);
    EXPECT_EQ(map.nodes()[1]->layoutDirection(), DefaultLayoutDirectionForMode(LayoutModeList));
}

TEST(TwkxTopics, TheOlderCheckboxFormAndProgress)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith(R"(<topic id="0" parent="-1" checkbox="true" checked="true"/>)"
                                               R"(<topic id="1" parent="-1" checkbox-mode="progress" progress="40" )"
                                               R"(checkbox="true" checked="true"/>)"
                                               R"(<topic id="2" parent="-1" checkbox="TRUE"/>)"
                                               R"(<topic id="3" parent="-1" checkbox-mode="checkbox" progress="-1"/>)")));
    EXPECT_EQ(map.nodes()[0]->checkboxMode(), 1);
    EXPECT_EQ(map.nodes()[0]->checkedState(), 1);
    EXPECT_EQ(map.nodes()[1]->checkboxMode(), 2);
    EXPECT_EQ(map.nodes()[1]->progress(), 40);
    EXPECT_EQ(map.nodes()[2]->checkboxMode(), 1);
    EXPECT_EQ(map.nodes()[2]->checkedState(), 0);
    EXPECT_EQ(map.nodes()[3]->checkboxMode(), 1);
    EXPECT_EQ(map.nodes()[3]->progress(), 0);
}

TEST(TwkxTopics, DatesKeepTheirDay)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith(R"(<topic id="0" parent="-1" date="05-03-2024"/>)"
                                               R"(<topic id="1" parent="-1" date="31-02-2024"/>)"
                                               R"(<topic id="2" parent="-1" date="2024-03-05"/>)"
                                               R"(<topic id="3" parent="-1" date=""/>)")));
    ASSERT_TRUE(map.nodes()[0]->hasDate());
    EXPECT_EQ(NodeDateFormatter::stringFromDate(*map.nodes()[0]->date()), "05-03-2024");
    EXPECT_FALSE(map.nodes()[1]->hasDate());
    EXPECT_FALSE(map.nodes()[2]->hasDate());
    EXPECT_FALSE(map.nodes()[3]->hasDate());
}

TEST(TwkxTopics, HullsAndEmbeddedImages)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith(R"(<topic id="0" parent="-1"/>)"
                                               R"(<topic id="1" parent="0"><hull visible="true"><fillcolor none="true"/></hull>)"
                                               R"(<embedded-image name="cafe" scale="3"/></topic>)"
                                               R"(<topic id="2" parent="0"><hull visible="false"/><embedded-image scale="3"/></topic>)")));
    MindMapNode* withHull = map.nodes()[1];
    ASSERT_NE(withHull->hullStyle(), nullptr);
    EXPECT_TRUE(withHull->hullStyle()->customColor());
    EXPECT_TRUE(isNormalizedClearColor(withHull->hullStyle()->fillColor()));
    EXPECT_EQ(withHull->embeddedImageName(), "cafe");
    EXPECT_DOUBLE_EQ(withHull->embeddedImage()->scale(), 3.0);
    EXPECT_EQ(map.nodes()[2]->hullStyle(), nullptr);
    EXPECT_FALSE(map.nodes()[2]->hasEmbeddedImage());
}

TEST(TwkxTopics, LinksAreTakenInTheirOrder)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith(
        R"(<topic id="0" parent="-1"><link urllink="https://a.example" diagramref="MAPGUID" ishotlink="true"/></topic>)"
        R"(<topic id="1" parent="-1" diagramref="OLDER" ishotlink="false"/>)"
        R"(<topic id="2" parent="-1"><link email-contact="c" thumbnail="../secret"/></topic>)"
        R"(<topic id="3" parent="-1"><link clouddocref="/x/y.twkx" native="n"/></topic>)"
        R"(<topic id="4" parent="-1"><link/></topic>)")));
    const DiagramLink* first = map.nodes()[0]->diagramLink();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->linkType(), DiagramLink::LinkTypeLocalMap);
    EXPECT_EQ(first->linkID(), "MAPGUID");
    EXPECT_TRUE(first->isHotLink());
    const DiagramLink* older = map.nodes()[1]->diagramLink();
    ASSERT_NE(older, nullptr);
    EXPECT_EQ(older->linkID(), "OLDER");
    EXPECT_EQ(older->element(), "");
    const DiagramLink* contact = map.nodes()[2]->diagramLink();
    ASSERT_NE(contact, nullptr);
    EXPECT_EQ(contact->linkType(), DiagramLink::LinkTypeEmailContact);
    EXPECT_EQ(contact->imageHash(), "");
    // A cloud document with the native extension is a cloud map.
    ASSERT_NE(map.nodes()[3]->diagramLink(), nullptr);
    EXPECT_EQ(map.nodes()[3]->diagramLink()->linkType(), DiagramLink::LinkTypeCloudMap);
    EXPECT_EQ(map.nodes()[4]->diagramLink(), nullptr);
}

TEST(TwkxTopics, TheOlderImagesFormIsReadOnlyWithoutChildren)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith(
        R"(<topic id="0" parent="-1"><images><image name="aa"/><image name="bb"/></images></topic>)"
        R"(<topic id="1" parent="-1"><children><IMAGE name="cc"/><Text><note>hi</note></Text><other/></children>)"
        R"(<images><image name="aa"/></images></topic>)")));
    EXPECT_EQ(map.nodes()[0]->containedElementCount(), 2u);
    const auto elements = map.nodes()[1]->containedElements();
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(static_cast<MindMapImage*>(elements[0])->imageHash(), "cc");
    EXPECT_EQ(static_cast<MindMapText*>(elements[1])->text(), "hi");
}

TEST(TwkxTopics, ImagesNeedANameAndSitAboveTheirContainerByDefault)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith(R"(<topic id="0" parent="-1"><children>)"
                                               R"(<image x="5" y="5"/><image name=""/><image name="ab12"/>)"
                                               R"(<text/></children></topic>)")));
    const auto elements = map.nodes()[0]->containedElements();
    ASSERT_EQ(elements.size(), 2u);
    const auto* image = static_cast<MindMapImage*>(elements[0]);
    EXPECT_EQ(image->imageHash(), "ab12");
    EXPECT_EQ(image->relLocation(), (Point{0, -50}));
    EXPECT_DOUBLE_EQ(image->scale(), 1.0);
    EXPECT_DOUBLE_EQ(image->angle(), 0.0);
    const auto* text = static_cast<MindMapText*>(elements[1]);
    EXPECT_EQ(text->relLocation(), (Point{0, 0}));
    EXPECT_TRUE(text->isEmpty());
}

// ---- Relations, main theme, meta ----

TEST(TwkxRelations, ARelationToAnUnknownTopicIsDropped)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith(R"(<topic id="0" parent="-1"/><topic id="1" parent="-1"/>)",
                                               R"(<relation source="0" target="7"/><relation source="0" target="1" guid="g"/>)"
                                               R"(<relation source="-100" target="1"/><relation target="1"/>)")));
    EXPECT_EQ(map.nodes().size(), 2u);
    ASSERT_EQ(map.crossLinks().size(), 1u);
    EXPECT_EQ(map.crossLinks()[0]->sourceNode(), map.nodes()[0]);
    EXPECT_EQ(map.crossLinks()[0]->targetNode(), map.nodes()[1]);
    EXPECT_EQ(map.crossLinks()[0]->guid(), "g");
}

TEST(TwkxRelations, RelationsTheMapRulesRefuseAreDropped)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith(R"(<topic id="0" parent="-1"/><topic id="1" parent="0"/><topic id="2" parent="-1"/>)",
                                               R"(<relation source="0" target="0"/><relation source="0" target="1"/>)"
                                               R"(<relation source="0" target="2"/><relation source="2" target="0"/>)")));
    ASSERT_EQ(map.crossLinks().size(), 1u);
    EXPECT_EQ(map.crossLinks()[0]->targetNode(), map.nodes()[2]);
}

TEST(TwkxMeta, TheMainCentralThemeMustBeAParentlessTopic)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith(R"(<topic id="0" parent="-1"/><topic id="1" parent="-1"/>)", "",
                                               R"(<main-centraltheme id="1"/>)")));
    EXPECT_EQ(map.mainCentralTheme(), map.nodes()[1]);

    MindMap child;
    ASSERT_TRUE(loadDocument(child, documentWith(R"(<topic id="0" parent="-1"/><topic id="1" parent="0"/>)", "",
                                                 R"(<main-centraltheme id="1"/>)")));
    EXPECT_EQ(child.mainCentralTheme(), child.nodes()[0]);
}

TEST(TwkxMeta, TheDocumentGuidMustBeAUsableFileName)
{
    const auto loadedGuid = [](const std::string& meta) {
        MindMap map;
        EXPECT_TRUE(loadDocument(map, documentWith("", "", meta)));
        return map.documentInformation().loadedGuid();
    };
    EXPECT_EQ(loadedGuid(R"(<guid guid="0123456789ABCDEF01234567"/>)"), "0123456789ABCDEF01234567");
    for (const char* meta : {R"(<guid guid="../../outside"/>)", R"(<guid guid=""/>)", "<guid/>", R"(<guid guid="a:b"/>)",
                             R"(<guid guid=".."/>)", R"(<guid guid="a&#9;b"/>)"}) {
        SCOPED_TRACE(meta);
        const std::string fresh = loadedGuid(meta);
        ASSERT_EQ(fresh.size(), 24u);
        EXPECT_EQ(fresh.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    }
}

TEST(TwkxMeta, TheNewMapMarker)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith("", "", R"(<new-map add-theme="true" theme-text="Start here"/>)")));
    EXPECT_TRUE(map.documentInformation().isNewMap());
    EXPECT_EQ(map.documentInformation().defaultTheme(), "Start here");

    MindMap plain;
    plain.documentInformation().setIsNewMap(true);
    ASSERT_TRUE(loadDocument(plain, documentWith("", "", "")));
    EXPECT_FALSE(plain.documentInformation().isNewMap());
}

TEST(TwkxMeta, TheStyleSheetIsLookedUpByKeyWithFallback)
{
    StyleManager& manager = StyleManager::styleManager();
    const std::string key = manager.getStyleAtIndex(4)->styleKeyName();
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith("", "", "<style key=\"" + key + "\"/>")));
    ASSERT_NE(map.styleSheet(), nullptr);
    EXPECT_EQ(map.styleSheet()->styleKeyName(), key);

    MindMap unknown;
    ASSERT_TRUE(loadDocument(unknown, documentWith("", "", R"(<style key="no.such.sheet"/>)")));
    ASSERT_NE(unknown.styleSheet(), nullptr);
    EXPECT_EQ(unknown.styleSheet(), manager.getStyleOnKey("no.such.sheet", true).get());
}

TEST(TwkxMeta, AutoNumberingNamesCompareExactly)
{
    MindMap inside;
    ASSERT_TRUE(loadDocument(inside, documentWith("", "", R"(<auto-numbering style="inside"/>)")));
    EXPECT_EQ(inside.autoNumberStyle(), AutoNumberInside);
    MindMap upper;
    ASSERT_TRUE(loadDocument(upper, documentWith("", "", R"(<auto-numbering style="Inside"/>)")));
    EXPECT_EQ(upper.autoNumberStyle(), AutoNumberDisabled);
}

TEST(TwkxMeta, HiddenCentralThemesAreShownAgain)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith(R"(<topic id="0" parent="-1" hidden="true"/>)"
                                               R"(<topic id="1" parent="0" hidden="true"/>)")));
    EXPECT_FALSE(map.nodes()[0]->isHidden());
    EXPECT_TRUE(map.nodes()[1]->isHidden());
}

} // namespace

namespace {

TEST(TwkxNodeDate, DayMonthAndFourDigitYear)
{
    const auto date = NodeDateFormatter::dateFromString("01-02-1987");
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(NodeDateFormatter::stringFromDate(*date), "01-02-1987");
    // Only the day counts: a time within it is written as the day.
    EXPECT_EQ(NodeDateFormatter::stringFromDate(*NodeDateFormatter::dateFromString("9-7-2020") + std::chrono::hours(13)),
              "09-07-2020");
}

TEST(TwkxNodeDate, AnythingElseIsNoDate)
{
    for (const char* text : {"", "01-02", "01-02-2020x", "00-01-2020", "32-01-2020", "01-13-2020", "01-01-0000",
                             "-1-01-2020", "01/02/2020", "001-02-2020", "01-02-20200", " 01-02-2020",
                             // Beyond what the clock can hold.
                             "01-01-0987", "31-12-9999"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(NodeDateFormatter::dateFromString(text).has_value());
    }
}

} // namespace
