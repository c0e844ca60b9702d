#include "panels/CustomStyleEditorController.h"

#include "Editor/FeedbackCenter.h"
#include "MindMaps/ColorUtils.h"
#include "MindMaps/CustomColorScheme.h"
#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "Utils/PathValidation.h"
#include "Utils/StringUtils.h"
#include "explorers/ExplorerText.h"
#include "platform/AlertPanel.h"
#include "platform/Localizer.h"
#include "platform/TextExcerpt.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace {

constexpr double SelectedBorderWidth = 5.0;
constexpr double BorderWidth = 2.0;

void loadRelationControls(CustomStyleRelationControls& controls, const RelationStyle& style)
{
    controls.lineStyle = style.lineStyle();
    controls.sourceArrow = style.sourceArrowStyle();
    controls.targetArrow = style.targetArrowStyle();
    controls.pathStyle = style.relationPathStyle();
    controls.colorBox = style.isPropCustomized(RelationStyle::ColorMask);
    controls.color = style.color().value_or(normalizedDarkGrayColor());
}

void commitRelationControls(const CustomStyleRelationControls& controls, RelationStyle& style)
{
    style.setCustomizedProps(RelationStyle::LineStyleMask | RelationStyle::PathStyleMask |
                             RelationStyle::SourceArrowMask | RelationStyle::TargetArrowMask);
    style.setLineStyle(controls.lineStyle);
    style.setSourceArrowStyle(controls.sourceArrow);
    style.setTargetArrowStyle(controls.targetArrow);
    style.setRelationPathStyle(controls.pathStyle);
    style.setPropCustomized(RelationStyle::ColorMask, controls.colorBox);
    if (controls.colorBox) style.setColor(controls.color);
}

// Names are compared as the file system keeps them after our own writes: in one canonical form,
// so that a name typed in another Unicode form is the same name.
bool sameName(const std::string& a, const std::string& b)
{
    return canonicalForFileSystem(a) == canonicalForFileSystem(b);
}

bool styleKeyTaken(const std::string& name)
{
    const StyleManager& manager = StyleManager::styleManager();
    if (manager.indexOfStyleKey(name) != -1) return true;
    for (const auto& sheet : manager.styleSheets())
        if (sheet && sameName(sheet->styleKeyName(), name)) return true;
    return false;
}

bool fileNameTaken(const std::filesystem::path& directory, const std::string& fileName)
{
    std::error_code error;
    if (std::filesystem::exists(directory / fileName, error)) return true;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
        if (sameName(it->path().filename().string(), fileName)) return true;
    return false;
}

} // namespace

void AlertingCustomStyleEditorHost::showError(const std::string& message)
{
    FeedbackCenter::feedbackCenter().showEditorNotification(localized("error_caption"), message, 2);
}

std::optional<std::string> AlertingCustomStyleEditorHost::askStyleName(const std::string& rejection)
{
    AlertPanel::Request request;
    request.messageText = localized("style_sheet_name");
    request.informativeText = rejection.empty() ? " " : formatText("%@\n%@", {" ", rejection});
    request.style = AlertPanel::Style::Informational;
    request.buttons = {{localized("ok_button_title"), "\r"}, {localized("cancel_button_title"), "\033"}};
    request.textField = AlertPanel::TextField{"", localized("style_sheet_name")};
    const AlertPanel::Answer answer = AlertPanel::shared().runModal(request);
    if (answer.button != AlertPanel::FirstButtonReturn) return std::nullopt;
    return answer.text;
}

bool AlertingCustomStyleEditorHost::askSaveChanges()
{
    AlertPanel::Request request;
    request.messageText = localized("map_style_close_query_title");
    request.informativeText = " ";
    request.style = AlertPanel::Style::Informational;
    request.buttons = {{localized("save_changes_title"), "\r"}, {localized("discard_changes_title"), ""}};
    return AlertPanel::shared().runModal(request).button == AlertPanel::FirstButtonReturn;
}

CustomStyleEditorController::CustomStyleEditorController(CustomStyleEditorHost& host, std::string documentsDirectory)
    : _host(host), _documentsDirectory(std::move(documentsDirectory))
{
    _controls.parent.color = normalizedDarkGrayColor();
    _controls.cross.color = normalizedDarkGrayColor();
    const UserDefaults& defaults = UserDefaults::standard();
    if (defaults.hasUserValue(DeriveStrokeColorKey))
        _controls.deriveStrokeColor = defaults.boolForKey(DeriveStrokeColorKey);
    _removal =
        NotificationCenter::defaultCenter().addObserver(StyleManager::StyleSheetRemovedNotification, nullptr,
                                                        [this](const Notification& n) { styleSheetRemoved(n.object); });
}

CustomStyleEditorController::~CustomStyleEditorController() = default;

void CustomStyleEditorController::setPreviewSize(Size size)
{
    _previewSize = size;
    rearrangeEntries();
}

void CustomStyleEditorController::setModified(bool modified)
{
    if (_modified == modified) return;
    _modified = modified;
    _host.modifiedChanged(modified);
}

std::string CustomStyleEditorController::title() const
{
    std::string name = _customStyle ? _customStyle->description() : std::string();
    if (name.empty()) name = localized("custom_style_editor_unnamed_style");
    return formatText("%@ - %@", {localized("style_editor_edit"), TextExcerpt::excerpt(name, TextExcerpt::Quote)});
}

std::optional<Color> CustomStyleEditorController::shadowColor() const
{
    if (!_controls.enableShadow) return std::nullopt;
    return _controls.shadowWell.withAlpha(ShadowAlpha);
}

MindMapPreviewShape* CustomStyleEditorController::makeEntry(const Color& fill, const Color& stroke)
{
    auto shape = std::make_unique<MindMapPreviewShape>();
    shape->setPageBkGndColor(_controls.backgroundWell);
    shape->setFillColor(fill);
    shape->setStrokeColor(stroke);
    shape->setShadowColor(shadowColor());
    shape->setBorderStyle(_controls.borderStyle);
    shape->setTextColor(_controls.fontWell);
    _entries.push_back(std::move(shape));
    return _entries.back().get();
}

void CustomStyleEditorController::loadStyle(const std::shared_ptr<StyleSheet>& style)
{
    if (!style || style.get() == _customStyle.get() || style.get() == _editedStyle) return;
    windowShouldClose();
    _editedStyle = style.get();
    if (style->isCustomStyle()) _customStyle = std::static_pointer_cast<CustomStyleSheet>(style);
    else _customStyle = std::make_shared<CustomStyleSheet>(*style);
    _host.titleChanged(title());

    const std::shared_ptr<MMColorScheme>& scheme = _customStyle->colorScheme();
    _selected = nullptr;
    _entries.clear();
    _controls.backgroundWell = _customStyle->backgroundColor();
    _controls.fontWell = scheme ? scheme->fontColor() : Color::black();
    const std::optional<Color> shadow = scheme ? scheme->shadowColor() : std::nullopt;
    _controls.enableShadow = shadow.has_value();
    _controls.shadowWell = shadow.value_or(normalizedGrayColor()).withAlpha(1.0);
    _controls.connectionStyle = _customStyle->connectionStyle();

    const NodeStyle& node = *_customStyle->nodeStyle();
    _controls.borderStyle = node.borderStyle();
    _controls.alignment = node.alignment();
    _controls.borderWidthBox = node.isPropCustomized(NodeStyle::BorderWidthMask);
    _controls.borderWidth = node.borderWidth();
    loadRelationControls(_controls.parent, *_customStyle->parentRelationStyle());
    loadRelationControls(_controls.cross, *_customStyle->crossLinkStyle());
    _controls.levelBased = scheme && scheme->isLevelBased();

    const size_t count = scheme ? scheme->paletteCount() : 0;
    for (size_t i = 0; i < count; ++i)
        makeEntry(scheme->fillColorAtIndex(int64_t(i)), scheme->strokeColorAtIndex(int64_t(i)));
    rearrangeEntries();
    selectEntry(_entries.empty() ? nullptr : _entries.front().get());
    while (_entries.size() < 2) addEntry();
    _host.controlsChanged();
    setModified(false);
}

void CustomStyleEditorController::rearrangeEntries()
{
    const size_t n = _entries.size();
    const double w = _previewSize.width;
    const Point centre{w / 2, _previewSize.height / 2};
    const double radius = (w - 100) / 2;
    const double step = n >= 2 ? 2 * M_PI / double(n - 1) : 0;
    double angle = -M_PI / 6;
    for (size_t i = 0; i < n; ++i) {
        MindMapPreviewShape& entry = *_entries[i];
        entry.setIndex(int64_t(i));
        Point p = centre;
        if (i > 0) {
            // Angles count counter-clockwise from the right in a space whose y grows upward, so
            // the first entry sits below the root's right-hand side.
            p = {centre.x + radius * std::cos(float(angle)), centre.y - radius * std::sin(float(angle))};
            angle -= step;
        }
        entry.setOrigin({p.x - MindMapPreviewShape::Width / 2, p.y - MindMapPreviewShape::Height / 2});
    }
    _host.previewChanged();
}

void CustomStyleEditorController::selectEntry(MindMapPreviewShape* entry)
{
    if (entry == _selected) return;
    _selected = entry;
    for (const auto& e : _entries) {
        e->setIsSelected(e.get() == entry);
        e->setBorderWidth(e.get() == entry ? SelectedBorderWidth : BorderWidth);
    }
    if (_selected) {
        _controls.transparent = _selected->fillColor().isNormalizedClearColor();
        _controls.fillWell = _selected->fillColor();
        _controls.strokeWell = _selected->strokeColor();
    }
    _host.controlsChanged();
    _host.previewChanged();
}

void CustomStyleEditorController::previewClicked(const MindMapPreviewShape* shape)
{
    for (const auto& e : _entries)
        if (e.get() == shape) selectEntry(e.get());
}

bool CustomStyleEditorController::checkEntrySelected()
{
    if (_selected) return true;
    _host.showError(localized("palette_color_dialog_no_color_selected_error"));
    return false;
}

void CustomStyleEditorController::addEntry()
{
    MindMapPreviewShape* entry = makeEntry(_controls.fillWell, _controls.strokeWell);
    rearrangeEntries();
    selectEntry(entry);
    setModified(true);
}

void CustomStyleEditorController::deleteEntry()
{
    if (!checkEntrySelected()) return;
    if (_entries.size() <= 2) {
        _host.showError(localized("palette_color_dialog_two_palette_colors_required"));
        return;
    }
    MindMapPreviewShape* doomed = _selected;
    selectEntry(nullptr);
    std::erase_if(_entries, [doomed](const auto& e) { return e.get() == doomed; });
    rearrangeEntries();
    setModified(true);
    selectEntry(_entries.back().get());
}

void CustomStyleEditorController::moveEntryUp()
{
    if (!checkEntrySelected()) return;
    const size_t i = size_t(_selected->index());
    if (i + 1 < _entries.size()) std::swap(_entries[i], _entries[i + 1]);
    else std::swap(_entries.front(), _entries.back());
    rearrangeEntries();
    setModified(true);
}

void CustomStyleEditorController::moveEntryDown()
{
    if (!checkEntrySelected()) return;
    const size_t i = size_t(_selected->index());
    if (i > 0) std::swap(_entries[i], _entries[i - 1]);
    else std::swap(_entries.front(), _entries.back());
    rearrangeEntries();
    setModified(true);
}

void CustomStyleEditorController::fillColorSelected()
{
    if (!_selected) return;
    _selected->setFillColor(_controls.fillWell);
    if (_controls.deriveStrokeColor && !_controls.fillWell.isNormalizedClearColor()) deriveStrokeColor();
    else _host.previewChanged();
    setModified(true);
}

void CustomStyleEditorController::transparentClicked()
{
    if (!_selected) return;
    _controls.fillWell = _controls.transparent ? Color::normalizedClearColor() : normalizedWhiteColor();
    _selected->setFillColor(_controls.fillWell);
    _host.controlsChanged();
    _host.previewChanged();
    setModified(true);
}

void CustomStyleEditorController::strokeColorSelected()
{
    if (!_selected) return;
    _selected->setStrokeColor(_controls.strokeWell);
    _host.previewChanged();
    setModified(true);
}

void CustomStyleEditorController::deriveStrokeColor()
{
    if (!checkEntrySelected()) return;
    _controls.strokeWell = MMColorScheme::getReducedLuminanceStrokeColor(_selected->fillColor());
    _selected->setStrokeColor(_controls.strokeWell);
    _host.controlsChanged();
    _host.previewChanged();
    setModified(true);
}

void CustomStyleEditorController::backgroundColorSelected()
{
    for (const auto& e : _entries) e->setPageBkGndColor(_controls.backgroundWell);
    _host.previewChanged();
    setModified(true);
}

void CustomStyleEditorController::fontColorSelected()
{
    for (const auto& e : _entries) e->setTextColor(_controls.fontWell);
    _host.previewChanged();
    setModified(true);
}

void CustomStyleEditorController::shadowColorSelected()
{
    for (const auto& e : _entries) e->setShadowColor(shadowColor());
    _host.previewChanged();
    setModified(true);
}

void CustomStyleEditorController::borderStyleSelected()
{
    for (const auto& e : _entries) e->setBorderStyle(_controls.borderStyle);
    _host.previewChanged();
    setModified(true);
}

void CustomStyleEditorController::penStyleSelected()
{
    _host.previewChanged();
    setModified(true);
}

void CustomStyleEditorController::notifyStyleModified()
{
    setModified(true);
}

void CustomStyleEditorController::notifyPreviewModified()
{
    setModified(true);
    _host.previewChanged();
}

void CustomStyleEditorController::commitToStyle()
{
    if (!_customStyle) return;
    CustomStyleSheet& style = *_customStyle;
    style.clear();
    style.setTimestamp(std::chrono::system_clock::now());
    CustomColorScheme& colors = style.customColors();
    colors.setBackgroundColor(_controls.backgroundWell);
    colors.setFontColor(_controls.fontWell);
    colors.setShadowColor(shadowColor());
    colors.setIsLevelBased(_controls.levelBased);
    for (const auto& e : _entries) colors.addFillColor(e->fillColor(), e->strokeColor());

    style.setPropCustomized(MindMapStyle::ConnectionStyleMask, true);
    style.setConnectionStyle(_controls.connectionStyle);
    NodeStyle& node = *style.nodeStyle();
    node.setCustomizedProps(NodeStyle::AlignmentMask | NodeStyle::BorderStyleMask);
    node.setBorderStyle(_controls.borderStyle);
    if (_controls.alignment) node.setAlignment(*_controls.alignment);
    node.setPropCustomized(NodeStyle::BorderWidthMask, _controls.borderWidthBox);
    if (_controls.borderWidthBox) node.setBorderWidth(_controls.borderWidth);
    commitRelationControls(_controls.parent, *style.parentRelationStyle());
    commitRelationControls(_controls.cross, *style.crossLinkStyle());
}

bool CustomStyleEditorController::saveStyle()
{
    if (!_customStyle) return false;
    return _customStyle->hasFileName() ? saveToFile() : saveStyleAs();
}

bool CustomStyleEditorController::saveToFile()
{
    if (!_customStyle || !_customStyle->hasFileName()) return false;
    commitToStyle();
    Error error;
    if (!_customStyle->saveToFile(&error)) {
        // The edits are not on disk: the window keeps its edited mark.
        _host.showError(error.localizedDescription.empty() ? localized("error_caption") : error.localizedDescription);
        return false;
    }
    setModified(false);
    return true;
}

bool CustomStyleEditorController::saveStyleAs()
{
    if (!_customStyle) return false;
    const std::optional<std::string> path = getNewFileName();
    if (!path) return false;
    // The file the style came from stays as it was; the new name gets a copy.
    if (_customStyle->hasFileName())
        _customStyle = std::make_shared<CustomStyleSheet>(static_cast<const StyleSheet&>(*_customStyle));
    commitToStyle();
    Error error;
    const bool saved = _customStyle->registerWithFileName(*path, &error);
    if (saved && _customStyle->hasFileName()) setModified(false);
    if (!saved)
        _host.showError(error.localizedDescription.empty() ? localized("error_caption") : error.localizedDescription);
    _host.titleChanged(title());
    return saved;
}

std::optional<std::string> CustomStyleEditorController::isValidStyleName(const std::string& name)
{
    if (name.empty()) return localized("db_upload_empty_filename_error");
    if (containsInvalidFilenameChars(name)) return localized("db_upload_invalid_filename_error");
    return std::nullopt;
}

std::optional<std::string> CustomStyleEditorController::getNewFileName()
{
    std::string rejection;
    for (;;) {
        const std::optional<std::string> answer = _host.askStyleName(rejection);
        if (!answer) return std::nullopt;
        const std::string name = trimWhitespaceAndNewlines(*answer);
        if (const auto error = isValidStyleName(name)) {
            rejection = *error;
            continue;
        }
        const std::string taken = formatLocalizedText("custom_style_already_exists", {name});
        if (styleKeyTaken(name)) {
            rejection = taken;
            continue;
        }
        const std::string fileName = canonicalForFileSystem(name + "." + CustomStyleSheet::FileExtension);
        if (fileNameTaken(_documentsDirectory, fileName)) {
            rejection = taken;
            continue;
        }
        return (std::filesystem::path(_documentsDirectory) / fileName).string();
    }
}

bool CustomStyleEditorController::windowShouldClose()
{
    if (!_modified) return true;
    if (_host.applicationRunning()) {
        if (_host.askSaveChanges()) saveStyle();
    } else if (_customStyle && _customStyle->hasFileName()) {
        saveToFile();
    }
    setModified(false);
    return true;
}

void CustomStyleEditorController::windowWillClose()
{
    UserDefaults::standard().setBool(DeriveStrokeColorKey, _controls.deriveStrokeColor);
}

void CustomStyleEditorController::styleSheetRemoved(const void* sheet)
{
    if (!sheet) return;
    if (sheet == _editedStyle) _editedStyle = nullptr;
    if (_customStyle && sheet == static_cast<const StyleSheet*>(_customStyle.get())) {
        setModified(false);
        _customStyle.reset();
        _editedStyle = nullptr;
        _host.closeWindow();
    }
}

std::vector<const MindMapPreviewShape*> CustomStyleEditorController::orderedPreviewEntries() const
{
    std::vector<const MindMapPreviewShape*> list;
    list.reserve(_entries.size());
    for (const auto& e : _entries) list.push_back(e.get());
    return list;
}

const MindMapPreviewShape* CustomStyleEditorController::getRootEntry() const
{
    return _entries.empty() ? nullptr : _entries.front().get();
}

CustomStylePreviewBackground CustomStyleEditorController::previewBackground() const
{
    CustomStylePreviewBackground background;
    background.lineStyle = _controls.parent.lineStyle;
    background.color = _controls.backgroundWell;
    background.shadowColor = shadowColor();
    background.pathStyle = _controls.parent.pathStyle;
    if (_controls.parent.colorBox) background.customLineColor = _controls.parent.color;
    return background;
}
