#include "MindMaps/StylePresets.h"

#include "MindMaps/ColorUtils.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleFileFormat.h"
#include "MindMaps/StylePresetPainter.h"
#include "MindMaps/TextStyle.h"
#include "Utils/HexEncoding.h"
#include "Utils/RandomData.h"
#include "platform/FileUtils.h"
#include "platform/Folders.h"

#include <algorithm>
#include <utility>

namespace {

constexpr const char* StyleElementName = "style";
constexpr size_t UIDByteCount = 12;

} // namespace

// ---- Presets ----

StylePreset::StylePreset(std::unique_ptr<ElementStyle> style) : _style(std::move(style))
{
}

StylePreset::~StylePreset() = default;

void StylePreset::updateImage(const ElementStyle*)
{
}

void TextStylePreset::updateImage(const ElementStyle* referenceStyle)
{
    if (StylePresetPainter* painter = StylePresetPainter::installed())
        setImage(painter->textPresetImage(*textStyle(), dynamic_cast<const TextStyle*>(referenceStyle)));
}

void NodeStylePreset::updateImage(const ElementStyle* referenceStyle)
{
    if (StylePresetPainter* painter = StylePresetPainter::installed())
        setImage(painter->nodePresetImage(*nodeStyle(), dynamic_cast<const NodeStyle*>(referenceStyle)));
}

void RelationStylePreset::updateImage(const ElementStyle* referenceStyle)
{
    if (StylePresetPainter* painter = StylePresetPainter::installed())
        setImage(painter->relationPresetImage(*relationStyle(), dynamic_cast<const RelationStyle*>(referenceStyle)));
}

const std::string& StylePreset::UID()
{
    if (_UID.empty()) _UID = stringByHexEncoding(randomDataWithLength(UIDByteCount));
    return _UID;
}

void StylePreset::assignStyle(const ElementStyle*)
{
}

void StylePreset::writeToElement(pugi::xml_node element) const
{
    if (StyleFileFormat* format = StyleFileFormat::installed()) format->writeStyle(*_style, element, StyleElementName);
}

void StylePreset::readFromElement(pugi::xml_node element)
{
    if (StyleFileFormat* format = StyleFileFormat::installed()) format->readStyle(*_style, element, StyleElementName);
}

TextStylePreset::TextStylePreset() : StylePreset(std::make_unique<TextStyle>())
{
}

TextStyle* TextStylePreset::textStyle() const
{
    return static_cast<TextStyle*>(const_cast<ElementStyle*>(style()));
}

void TextStylePreset::assignStyle(const ElementStyle* style)
{
    // A topic's style is a text style too; its text part is taken, as pasting a style does.
    const auto* textStyle = dynamic_cast<const TextStyle*>(style);
    if (textStyle) this->textStyle()->assign(textStyle);
}

NodeStylePreset::NodeStylePreset() : StylePreset(std::make_unique<NodeStyle>())
{
}

NodeStyle* NodeStylePreset::nodeStyle() const
{
    return static_cast<NodeStyle*>(const_cast<ElementStyle*>(style()));
}

void NodeStylePreset::assignStyle(const ElementStyle* style)
{
    const auto* nodeStyle = dynamic_cast<const NodeStyle*>(style);
    if (nodeStyle) this->nodeStyle()->assign(nodeStyle);
}

RelationStylePreset::RelationStylePreset() : StylePreset(std::make_unique<RelationStyle>())
{
}

RelationStyle* RelationStylePreset::relationStyle() const
{
    return static_cast<RelationStyle*>(const_cast<ElementStyle*>(style()));
}

void RelationStylePreset::assignStyle(const ElementStyle* style)
{
    const auto* relationStyle = dynamic_cast<const RelationStyle*>(style);
    if (relationStyle) this->relationStyle()->assign(relationStyle);
}

// ---- Collections ----

std::string StylePresets::presetsDirectory()
{
    return Folders::userDataFolder() + "/Mind Maps";
}

StylePresets::~StylePresets() = default;

std::string StylePresets::getPresetsFileName() const
{
    return {};
}

void StylePresets::insertDefaultPresets()
{
}

std::unique_ptr<StylePreset> StylePresets::createPresetInstance() const
{
    return nullptr;
}

void StylePresets::openInDirectory(const std::string& directory)
{
    const std::string name = getPresetsFileName();
    _fileName = name.empty() ? std::string() : directory + "/" + name;
    loadFromFile();
}

StylePreset* StylePresets::presetAtIndex(size_t index) const
{
    return index < _presets.size() ? _presets[index].get() : nullptr;
}

StylePreset* StylePresets::appendNewPreset()
{
    std::unique_ptr<StylePreset> preset = createPresetInstance();
    if (!preset) return nullptr;
    _presets.push_back(std::move(preset));
    return _presets.back().get();
}

int64_t StylePresets::addPreset(const ElementStyle* style)
{
    std::unique_ptr<StylePreset> preset = createPresetInstance();
    if (!preset) return -1;
    preset->assignStyle(style);
    _presets.insert(_presets.begin(), std::move(preset));
    saveToFile();
    return 0;
}

bool StylePresets::movePresetFromIndex(size_t fromIndex, size_t toIndex, Error* error)
{
    if (fromIndex >= _presets.size()) return true;
    const size_t target = std::min(toIndex, _presets.size());
    if (target == fromIndex) return true;
    if (target < fromIndex) {
        for (size_t i = fromIndex; i > target; --i) std::swap(_presets[i], _presets[i - 1]);
    } else {
        // A drop position after the preset counts the preset itself, which leaves its place.
        for (size_t i = fromIndex; i + 1 < target; ++i) std::swap(_presets[i], _presets[i + 1]);
    }
    return saveToFile(error);
}

bool StylePresets::deletePresetAtIndex(size_t index, Error* error)
{
    if (index >= _presets.size()) return true;
    _presets.erase(_presets.begin() + static_cast<std::ptrdiff_t>(index));
    return saveToFile(error);
}

void StylePresets::loadFromFile()
{
    _presets.clear();
    pugi::xml_document document;
    // Only a regular file of a sensible size is read; anything else counts as no file.
    if (!_fileName.empty()) {
        if (const std::optional<std::vector<uint8_t>> data = readFileData(_fileName, MaximumFileSize)) {
            const pugi::xml_parse_result parsed = document.load_buffer(
                data->data(), data->size(), pugi::parse_default | pugi::parse_ws_pcdata, pugi::encoding_utf8);
            pugi::xml_node root = document.document_element();
            if (parsed && std::string_view(root.name()) == RootElementName) {
                for (pugi::xml_node element : root.children(PresetElementName)) {
                    if (StylePreset* preset = appendNewPreset()) preset->readFromElement(element);
                }
            }
        }
    }
    if (_presets.empty()) insertDefaultPresets();
}

std::string StylePresets::presetsFileText() const
{
    StyleFileFormat* format = StyleFileFormat::installed();
    if (!format) return {};
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = document.append_child(RootElementName);
    for (const std::unique_ptr<StylePreset>& preset : _presets) {
        preset->writeToElement(root.append_child(PresetElementName));
    }
    return format->documentText(document, false);
}

bool StylePresets::saveToFile(Error* error) const
{
    if (_fileName.empty()) return false;
    const std::string text = presetsFileText();
    if (text.empty()) return false;
    const size_t slash = _fileName.rfind('/');
    if (slash != std::string::npos && slash > 0) Folders::createFolder(_fileName.substr(0, slash));
    return writeFileAtomically(_fileName, text, error);
}

// ---- Text presets ----

TextStylePresets& TextStylePresets::textStylePresets()
{
    static TextStylePresets shared(presetsDirectory());
    return shared;
}

TextStylePresets::TextStylePresets(const std::string& directory)
{
    openInDirectory(directory);
}

std::string TextStylePresets::getPresetsFileName() const
{
    return "text-style-presets.xml";
}

std::unique_ptr<StylePreset> TextStylePresets::createPresetInstance() const
{
    return std::make_unique<TextStylePreset>();
}

TextStyle* TextStylePresets::internalAddPreset()
{
    StylePreset* preset = appendNewPreset();
    return preset ? static_cast<TextStylePreset*>(preset)->textStyle() : nullptr;
}

void TextStylePresets::insertDefaultPresets()
{
    auto font = [this](uint64_t fontStyle, double size) {
        TextStyle* style = internalAddPreset();
        style->setFontStyle(fontStyle);
        style->setFontSize(size);
        style->setCustomizedProps(TextStyle::FontMask);
    };
    auto fill = [this](const Color& color) {
        TextStyle* style = internalAddPreset();
        style->setFillColor(color);
        style->setCustomizedProps(TextStyle::FillColorMask);
    };
    auto callOut = [this](uint64_t callOut) {
        TextStyle* style = internalAddPreset();
        style->setCallOut(callOut);
        style->setCustomizedProps(TextStyle::CallOutMask);
    };
    auto whiteOn = [this](const Color& color) {
        TextStyle* style = internalAddPreset();
        style->setTextColor(normalizedWhiteColor());
        style->setFillColor(color);
        style->setCustomizedProps(TextStyle::TextColorMask | TextStyle::FillColorMask);
    };

    font(0, 8);
    font(1, 11);
    font(1, 14);
    font(1, 20);
    TextStyle* grey = internalAddPreset();
    grey->setTextColor(normalizedGrayColor());
    grey->setCustomizedProps(TextStyle::TextColorMask);
    fill(Color::rgb255(252, 252, 173));
    fill(Color::rgb255(208, 225, 125));
    fill(Color::rgb255(54, 169, 206));
    fill(Color::rgb255(239, 90, 161));
    fill(Color::rgb255(174, 134, 188));
    fill(Color::rgb255(255, 223, 37));
    callOut(1);
    callOut(2);
    whiteOn(Color::rgb255(210, 0, 0));
    whiteOn(Color::rgb255(255, 142, 17));
    whiteOn(Color::rgb255(0, 160, 0));
}

// ---- Node presets ----

NodeStylePresets& NodeStylePresets::nodeStylePresets()
{
    static NodeStylePresets shared(presetsDirectory());
    return shared;
}

NodeStylePresets::NodeStylePresets(const std::string& directory)
{
    openInDirectory(directory);
}

std::string NodeStylePresets::getPresetsFileName() const
{
    return "node-style-presets.xml";
}

std::unique_ptr<StylePreset> NodeStylePresets::createPresetInstance() const
{
    return std::make_unique<NodeStylePreset>();
}

NodeStyle* NodeStylePresets::internalAddPreset()
{
    StylePreset* preset = appendNewPreset();
    return preset ? static_cast<NodeStylePreset*>(preset)->nodeStyle() : nullptr;
}

void NodeStylePresets::addPresetWithFillColor(const Color& fillColor, const Color& strokeColor)
{
    NodeStyle* style = internalAddPreset();
    style->setFillColor(fillColor);
    style->setTextColor(normalizedBlackColor());
    style->setStrokeColor(strokeColor);
    style->setCustomizedProps(TextStyle::TextColorMask | TextStyle::FillColorMask | NodeStyle::StrokeColorMask);
}

void NodeStylePresets::addPresetWithFillColor(const Color& fillColor)
{
    addPresetWithFillColor(fillColor, MMColorScheme::getReducedLuminanceStrokeColor(fillColor));
}

void NodeStylePresets::insertDefaultPresets()
{
    auto wideStroke = [this](const Color& stroke) {
        NodeStyle* style = internalAddPreset();
        style->setStrokeColor(stroke);
        style->setBorderWidth(7);
        style->setCustomizedProps(NodeStyle::BorderWidthMask | NodeStyle::StrokeColorMask);
    };

    wideStroke(Color::rgb255(0, 160, 0));
    wideStroke(Color::rgb255(255, 142, 17));
    wideStroke(Color::rgb255(210, 0, 0));
    NodeStyle* orange = internalAddPreset();
    orange->setFillColor(Color::rgb255(255, 124, 68));
    orange->setStrokeColor(Color::rgb255(162, 48, 0));
    orange->setTextColor(Color::rgb255(254, 250, 0));
    orange->setBorderWidth(1);
    orange->setBorderStyle(0);
    orange->setCustomizedProps(NodeStyle::BorderStyleMask | NodeStyle::BorderWidthMask | TextStyle::FillColorMask |
                               NodeStyle::StrokeColorMask | TextStyle::TextColorMask);
    addPresetWithFillColor(Color::rgb255(255, 124, 66));
    addPresetWithFillColor(Color::rgb255(246, 216, 105));
    addPresetWithFillColor(Color::rgb255(173, 213, 85));
    addPresetWithFillColor(Color::rgb255(103, 208, 158));
    addPresetWithFillColor(Color::rgb255(156, 235, 222), Color::rgb255(6, 230, 183));
    addPresetWithFillColor(Color::rgb255(211, 190, 255));
    addPresetWithFillColor(Color::rgb255(255, 114, 243));
    addPresetWithFillColor(Color::rgb255(222, 154, 245), Color::rgb255(206, 3, 255));
}

// ---- Relation presets ----

RelationStylePresets& RelationStylePresets::relationStylePresets()
{
    static RelationStylePresets shared(presetsDirectory());
    return shared;
}

RelationStylePresets::RelationStylePresets(const std::string& directory)
{
    openInDirectory(directory);
}

std::string RelationStylePresets::getPresetsFileName() const
{
    return "relation-style-presets.xml";
}

std::unique_ptr<StylePreset> RelationStylePresets::createPresetInstance() const
{
    return std::make_unique<RelationStylePreset>();
}

RelationStyle* RelationStylePresets::internalAddPreset()
{
    StylePreset* preset = appendNewPreset();
    return preset ? static_cast<RelationStylePreset*>(preset)->relationStyle() : nullptr;
}

void RelationStylePresets::insertDefaultPresets()
{
    RelationStyle* red = internalAddPreset();
    red->setColor(Color::rgb255(255, 0, 0));
    red->setCustomizedProps(RelationStyle::ColorMask);
}
