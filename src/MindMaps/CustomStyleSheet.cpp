#include "MindMaps/CustomStyleSheet.h"

#include "MindMaps/ColorUtils.h"
#include "MindMaps/CustomColorScheme.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/StyleFileFormat.h"
#include "MindMaps/StyleManager.h"
#include "Utils/GregorianCalendar.h"
#include "Utils/PathValidation.h"
#include "Utils/StringUtils.h"
#include "platform/FileUtils.h"
#include "platform/Folders.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The parse keeps the document type declaration unread: nothing is expanded or fetched.
constexpr unsigned ParseOptions = pugi::parse_default | pugi::parse_ws_pcdata;
static_assert((ParseOptions & pugi::parse_doctype) == 0);

std::string& rememberedDirectory()
{
    static std::string directory;
    return directory;
}

const GregorianCalendar& calendar()
{
    static const GregorianCalendar shared;
    return shared;
}

std::string keyOfPath(const std::string& path)
{
    return fs::path(path).stem().string();
}

bool itemExists(const std::string& path)
{
    std::error_code error;
    // A dangling symbolic link counts: a file would be written through it.
    return fs::exists(fs::symlink_status(path, error));
}

std::optional<CustomStyleSheet::Timestamp> modificationTime(const std::string& path)
{
    std::error_code error;
    const fs::file_time_type time = fs::last_write_time(path, error);
    if (error) return std::nullopt;
    return std::chrono::time_point_cast<CustomStyleSheet::Timestamp::duration>(std::chrono::file_clock::to_sys(time));
}

std::optional<int> parseField(std::string_view text)
{
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t next = text.find(separator, start);
        parts.push_back(text.substr(start, next == std::string_view::npos ? std::string_view::npos : next - start));
        if (next == std::string_view::npos) return parts;
        start = next + 1;
    }
}

std::shared_ptr<CustomStyleSheet> asCustomSheet(const std::shared_ptr<StyleSheet>& sheet)
{
    return sheet && sheet->isCustomStyle() ? std::dynamic_pointer_cast<CustomStyleSheet>(sheet) : nullptr;
}

} // namespace

bool CustomStyleSheet::isSafeStyleKey(const std::string& key)
{
    // A key names a file in the custom styles folder: a plain, visible file name there, which
    // can neither reach another folder, name the folder itself, nor hide.
    if (key.empty() || key.front() == '.') return false;
    if (key.find_first_of("/\\") != std::string::npos || containsInvalidFilenameChars(key)) return false;
    return std::none_of(key.begin(), key.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

CustomStyleSheet::CustomStyleSheet() : _customColors(std::make_shared<CustomColorScheme>())
{
    setColorScheme(_customColors);
}

CustomStyleSheet::CustomStyleSheet(const std::string& path) : CustomStyleSheet()
{
    if (!path.empty()) loadFromFile(path);
}

CustomStyleSheet::CustomStyleSheet(const StyleSheet& style) : CustomStyleSheet()
{
    assign(&style);
}

CustomStyleSheet::~CustomStyleSheet() = default;

bool CustomStyleSheet::isCustomStyle() const
{
    return true;
}

std::string CustomStyleSheet::description() const
{
    return styleKeyName();
}

CustomColorScheme& CustomStyleSheet::customColors() const
{
    return *_customColors;
}

bool CustomStyleSheet::isValid() const
{
    return customColors().isValid();
}

void CustomStyleSheet::clear()
{
    reset();
    CustomColorScheme& colors = customColors();
    colors.clear();
    colors.setShadowColor(normalizedGrayColor());
    colors.setFontColor(normalizedBlackColor());
    colors.setBackgroundColor(normalizedWhiteColor());
    _timestamp.reset();
}

void CustomStyleSheet::assign(const StyleSheet* style)
{
    if (!style || style == this) return;
    UpdateGuard batch(*this);
    clear();
    MindMapStyle::assign(style);
    if (style->colorScheme()) customColors().assign(*style->colorScheme());
    setTextColor(customColors().fontColor());
}

void CustomStyleSheet::setFileName(const std::string& path)
{
    _fileName = path;
    if (!path.empty()) setStyleKeyName(keyOfPath(path));
}

// ---- The style file ----

void CustomStyleSheet::loadFromXmlElement(pugi::xml_node root)
{
    if (StyleFileFormat* format = StyleFileFormat::installed()) format->readStyleSheet(*this, root);
}

bool CustomStyleSheet::loadFile(const std::string& path, bool keyFromFileName)
{
    clear();
    const std::optional<std::vector<uint8_t>> data = readFileData(path, MaximumFileSize);
    if (!data || data->empty()) return false;
    pugi::xml_document document;
    if (!document.load_buffer(data->data(), data->size(), ParseOptions, pugi::encoding_auto)) return false;
    pugi::xml_node root = document.document_element();
    if (std::string_view(root.name()) != RootElementName) return false;
    loadFromXmlElement(root);
    if (!_timestamp) _timestamp = modificationTime(path);
    if (keyFromFileName) setFileName(path);
    return true;
}

void CustomStyleSheet::loadFromFile(const std::string& path)
{
    loadFile(path, true);
}

void CustomStyleSheet::reloadFromFile()
{
    // The key stays the file's name, whatever "description" says: maps and look-ups know the
    // sheet by that key, and it must not change under them.
    loadFile(_fileName, true);
    customColors().validate();
    StyleManager::styleManager().styleChanged(this);
}

void CustomStyleSheet::saveToXmlElement(pugi::xml_node root) const
{
    if (StyleFileFormat* format = StyleFileFormat::installed()) format->writeStyleSheet(*this, root);
}

bool CustomStyleSheet::saveToFile(Error* error)
{
    if (_fileName.empty()) return false;
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version").set_value("1.0");
    declaration.append_attribute("encoding").set_value("UTF-8");
    document.append_child(pugi::node_doctype).set_value(RootElementName);
    saveToXmlElement(document.append_child(RootElementName));

    StyleFileFormat* format = StyleFileFormat::installed();
    if (!format) return false;
    if (!writeFileAtomically(_fileName, format->documentText(document, true), error)) return false;
    StyleManager::styleManager().styleChanged(this);
    return true;
}

bool CustomStyleSheet::saveAs(const std::string& path, Error* error)
{
    const std::string previousFileName = _fileName;
    const std::string previousKey = styleKeyName();
    setFileName(path);
    if (saveToFile(error)) return true;
    // Left as it was, so that a retry (or a save elsewhere) is not refused for a file that was
    // never written.
    _fileName = previousFileName;
    setStyleKeyName(previousKey);
    return false;
}

// ---- Registration ----

bool CustomStyleSheet::registerWithFileName(const std::string& path, Error* error)
{
    if (path.empty() || hasFileName() || itemExists(path)) return false;
    const std::shared_ptr<CustomStyleSheet> self = weak_from_this().lock();
    if (!self) return false;
    if (!saveAs(path, error)) return false;
    StyleManager::styleManager().registerStyle(self);
    return true;
}

std::shared_ptr<StyleSheet> CustomStyleSheet::registerInlineStyleSheet()
{
    const std::string key = styleKeyName();
    const std::string directory = customStylesDirectory();
    if (key.empty() || directory.empty() || hasFileName()) return nullptr;
    const std::shared_ptr<CustomStyleSheet> self = weak_from_this().lock();
    if (!self) return nullptr;

    StyleManager& manager = StyleManager::styleManager();
    const std::shared_ptr<StyleSheet> registered = manager.getStyleOnKey(key, false);
    if (!registered) {
        // The key comes from a document anyone may have written.
        if (!isSafeStyleKey(key)) return nullptr;
        // Checked again after normalisation: the name must stay one plain component, so that the
        // file lands in the folder itself.
        const std::string name = canonicalForFileSystem(key + "." + FileExtension);
        if (!isSafeStyleKey(name)) return nullptr;
        const fs::path path = fs::path(directory) / name;
        if (itemExists(path.string())) return nullptr;
        if (!saveAs(path.string(), nullptr)) return nullptr;
        manager.registerStyle(self);
        return self;
    }

    const std::shared_ptr<CustomStyleSheet> custom = asCustomSheet(registered);
    if (!custom) return nullptr;
    if (!_timestamp) return custom;
    if (!custom->timestamp()) return self;
    if (*custom->timestamp() < *_timestamp && custom->hasFileName()) {
        // The newer sheet replaces the file that backs the registered one, which then reads it.
        if (saveAs(custom->fileName(), nullptr)) custom->reloadFromFile();
    }
    return custom;
}

void CustomStyleSheet::unregister()
{
    if (hasFileName()) {
        std::error_code error;
        if (fs::is_regular_file(fs::symlink_status(_fileName, error))) fs::remove(_fileName, error);
    }
    StyleManager::styleManager().unregisterStyle(this);
}

std::shared_ptr<StyleSheet> CustomStyleSheet::customStyleImported(const std::string& path)
{
    const std::shared_ptr<StyleSheet> registered = StyleManager::styleManager().getStyleOnKey(keyOfPath(path), false);
    if (!registered) {
        auto sheet = std::make_shared<CustomStyleSheet>(path);
        if (!sheet->isValid() || !sheet->hasFileName()) return nullptr;
        StyleManager::styleManager().registerStyle(sheet);
        return sheet;
    }
    const std::shared_ptr<CustomStyleSheet> custom = asCustomSheet(registered);
    if (custom) custom->reloadFromFile();
    return custom;
}

void CustomStyleSheet::loadCustomStylesFromDirectory(const std::string& directory)
{
    rememberedDirectory() = directory;
    std::vector<std::string> paths;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == std::string(".") + FileExtension) paths.push_back(it->path().string());
    }
    std::sort(paths.begin(), paths.end());
    StyleManager& manager = StyleManager::styleManager();
    for (const std::string& path : paths) {
        // A second sheet of a key could never be looked up, only shadow or be shadowed.
        if (manager.indexOfStyleKey(keyOfPath(path)) != StyleManager::NotFound) continue;
        auto sheet = std::make_shared<CustomStyleSheet>(path);
        if (sheet->isValid() && sheet->hasFileName()) manager.registerStyle(sheet);
    }
}

std::string CustomStyleSheet::customStylesDirectory()
{
    if (!rememberedDirectory().empty()) return rememberedDirectory();
    const std::string data = Folders::userDataFolder();
    return data.empty() ? std::string() : data + "/Mind Maps";
}

// ---- Time stamps ----

std::string CustomStyleSheet::formatTimestamp(Timestamp timestamp)
{
    const DateComponents c = calendar().components(timestamp);
    char text[64];
    std::snprintf(text, sizeof text, "%4d-%.2d-%.2d+%.2d:%.2d:%.2d", c.year, c.month, c.day, c.hour, c.minute,
                  c.second);
    return text;
}

std::optional<CustomStyleSheet::Timestamp> CustomStyleSheet::parseTimestamp(const std::string& text)
{
    if (text.size() < 2) return std::nullopt;
    const std::vector<std::string_view> halves = split(text, '+');
    if (halves.size() != 2) return std::nullopt;
    const std::vector<std::string_view> date = split(halves[0], '-');
    const std::vector<std::string_view> time = split(halves[1], ':');
    if (date.size() != 3 || time.size() != 3) return std::nullopt;
    int fields[6];
    for (size_t i = 0; i < 6; ++i) {
        const std::optional<int> field = parseField(i < 3 ? date[i] : time[i - 3]);
        if (!field) return std::nullopt;
        fields[i] = *field;
    }
    return calendar().dateFromComponents({fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]});
}
