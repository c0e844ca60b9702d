#include "formats/PlainTextImporter.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/StyleSheet.h"
#include "Utils/StringUtils.h"
#include "formats/TextDecoding.h"
#include "layout/NodeLayouter.h"
#include "layout/StrictNodeLayouter.h"
#include "platform/Localizer.h"
#include "platform/NumberText.h"
#include "platform/Pasteboard.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr int32_t StrictHorizontalLayout = 1;

} // namespace

PlainTextImporter::PlainTextImporter(MindMap& mindMap) : MindMapFilerBase(mindMap)
{
}

namespace {

// Sizes for the user in megabytes with one decimal, "8.0 MB"; never rounded down to the limit.
std::string megabytesText(uint64_t bytes)
{
    const uint64_t tenths = (bytes * 10 + 1024 * 1024 - 1) / (1024 * 1024);
    return formatInteger(static_cast<int64_t>(tenths / 10)) + "." + formatInteger(static_cast<int64_t>(tenths % 10)) +
        " MB";
}

bool refused(Error* error, const std::string& reasonKey, const std::vector<std::string>& arguments)
{
    return setError(error,
                    MakeAppError(PlainTextImporter::RefusedErrorCode, localized("map_import_error"),
                                 localizedFormat(reasonKey, arguments)));
}

} // namespace

bool PlainTextImporter::acceptsTextSize(uint64_t size, Error* error)
{
    if (size <= MaximumTextSize) return true;
    return refused(error, "map_import_text_too_large_reason", {megabytesText(size), megabytesText(MaximumTextSize)});
}

bool PlainTextImporter::acceptsLineCount(std::string_view text, Error* error)
{
    // Counted before anything is built: a line end ends a line, and text after the last one is
    // a line of its own.
    const size_t lines =
        static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + (text.empty() || text.back() == '\n' ? 0 : 1);
    if (lines <= MaximumLineCount) return true;
    return refused(error, "map_import_text_too_many_lines_reason",
                   {formatInteger(static_cast<int64_t>(lines)), formatInteger(MaximumLineCount)});
}

size_t PlainTextImporter::leadTabCount(std::string_view line)
{
    const size_t first = line.find_first_not_of('\t');
    return first == std::string_view::npos ? line.size() : first;
}

void PlainTextImporter::setLines(std::string text)
{
    // Decoded text is at most three times the bytes accepted (one byte of Windows-1252 becomes
    // three of UTF-8 at most): every offset fits the lines' 32 bits.
    static_assert(MaximumTextSize * 3 < std::numeric_limits<uint32_t>::max());
    _text = std::move(text);
    _lines.clear();
    const std::string_view all(_text);
    _lines.reserve(static_cast<size_t>(std::count(all.begin(), all.end(), '\n')) + 1);
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find('\n', start);
        const bool last = end == std::string_view::npos;
        if (last) end = all.size();
        _lines.push_back({static_cast<uint32_t>(start), static_cast<uint32_t>(end - start)});
        if (last) break;
        start = end + 1;
    }
}

void PlainTextImporter::convertTextLines(MindMapNode* parent)
{
    const size_t count = _lines.size();
    // For each line, the "]" line that would close a note block opened there: the first line
    // after it that is "]" while every line in between has the same tab count. Known up front,
    // a "[" that never closes costs nothing to find out, however many of them there are.
    constexpr uint32_t NoClosingLine = std::numeric_limits<uint32_t>::max();
    std::vector<uint32_t> closingLine(count, NoClosingLine);
    size_t tabsBelow = count > 0 ? leadTabCount(line(count - 1)) : 0; // of line i in the loop
    for (size_t i = count; i-- > 1;) {
        const size_t tabs = leadTabCount(line(i - 1));
        if (tabs == tabsBelow)
            closingLine[i - 1] =
                trimmedWhitespaceAndNewlines(line(i)) == "]" ? static_cast<uint32_t>(i) : closingLine[i];
        tabsBelow = tabs;
    }

    const Point location = parent ? parent->location() : Point{};
    const bool showCheckbox = parent && parent->showCheckbox();
    size_t previousTabs = 0;
    MindMapNode* previous = nullptr;
    // The newest topic and its ancestors among the new ones, by depth below the parent: the
    // topic a line hangs under is always the deepest of them above the line's tab count.
    std::vector<MindMapNode*> path;
    for (size_t i = 0; i < count; ++i) {
        if (_lines[i].length == 0) continue;
        const size_t lineTabs = leadTabCount(line(i));
        const std::string_view text = trimmedWhitespaceAndNewlines(line(i));
        if (lineTabs == previousTabs && previous && text.starts_with('[') && closingLine[i] != NoClosingLine) {
            std::string note;
            for (size_t j = i + 1; j < closingLine[i]; ++j) {
                if (j > i + 1) note += '\n';
                note += trimmedWhitespaceAndNewlines(line(j));
            }
            previous->setNote(note);
            i = closingLine[i];
            continue;
        }
        MindMapNode* node = addNodeLoadingAtLocation(location);
        node->setText(text);
        if (showCheckbox) node->setShowCheckbox(true);
        MindMapNode* nodeParent = parent;
        size_t depth = 0;
        if (lineTabs > 0 && !path.empty()) {
            depth = std::min(lineTabs - 1, path.size() - 1);
            nodeParent = path[depth];
            ++depth;
        }
        node->linkToParent(nodeParent);
        path.resize(depth);
        path.push_back(node);
        previousTabs = lineTabs;
        previous = node;
    }
    // The topics hold their own texts: a large text need not stay while they are styled and
    // measured. Swapped out, as assigning an empty string would keep the buffer.
    std::vector<Line>().swap(_lines);
    std::string().swap(_text);
}

void PlainTextImporter::detectPlainTextFile()
{
    MindMap& map = mindMap();
    const std::vector<MindMapNode*> topics = map.nodes();
    if (topics.size() < 2) return;
    if (std::any_of(topics.begin(), topics.end(), [](const MindMapNode* node) { return node->parent() != nullptr; }))
        return;
    MindMapNode* theme = addNodeLoadingAtLocation(Point{0, 0});
    theme->setText(localized("import_text_central_theme_title"));
    for (MindMapNode* topic : topics) topic->linkToParent(theme);
}

std::optional<std::string> PlainTextImporter::decodedText(const MindMapData& data, Error* error)
{
    if (data.empty() || !mindMap().isEmpty()) return std::nullopt;
    if (!acceptsTextSize(data.size(), error)) return std::nullopt;
    std::optional<std::string> text = decodeImportedText(data.data(), data.size());
    if (!text) {
        setError(error,
                 MakeAppError(RefusedErrorCode, localized("map_import_error"),
                              localized("map_import_text_encoding_reason")));
    }
    return text;
}

bool PlainTextImporter::importMindMapFromData(const MindMapData& data, Error* error)
{
    std::optional<std::string> text = decodedText(data, error);
    return text && importText(std::move(*text), error);
}

bool PlainTextImporter::importMindMapFromData(MindMapData&& data, Error* error)
{
    std::optional<std::string> text = decodedText(data, error);
    // The bytes are done with once decoded: a large file is not held beside its topics.
    MindMapData().swap(data);
    return text && importText(std::move(*text), error);
}

bool PlainTextImporter::importText(std::string decoded, Error* error)
{
    MindMap& map = mindMap();
    std::string text = NormalizeNewlines(decoded);
    std::string().swap(decoded);
    if (!acceptsLineCount(text, error)) return false;
    setLines(std::move(text));
    convertTextLines(nullptr);
    detectPlainTextFile();

    map.rethinkCentralThemes();
    nodesLoadedFromIndex(0);
    if (StyleSheet* styleSheet = map.styleSheet()) styleSheet->applyStyleToDiagram(map);
    map.validateElementStates();
    MindMapNode::measureDefaultWrapsAhead(map.nodes());
    for (MindMapNode* node : map.nodes()) node->applyDefaultWrap();
    map.validateElementStates();
    StrictNodeLayouter::layoutMindMapStrictHorizontal(map);
    for (MindMapNode* theme : map.centralThemes()) theme->setLayoutMode(StrictHorizontalLayout);
    map.validateElementStates();
    return true;
}

void PlainTextImporter::pasteTextAsList(const Pasteboard& pasteboard)
{
    MindMap& map = mindMap();
    if (map.readOnly()) return;
    std::optional<std::string> pasted = pasteboard.stringForType(Pasteboard::StringType);
    if (!pasted) return;
    Error error;
    if (!acceptsTextSize(pasted->size(), &error)) {
        map.presentErrorAlt(error);
        return;
    }
    std::string text = NormalizeNewlines(*pasted);
    pasted.reset();
    if (text.empty()) return;
    if (!acceptsLineCount(text, &error)) {
        map.presentErrorAlt(error);
        return;
    }
    map.forceSingleSelection();
    if (!map.selectedNode()) return;
    setLines(std::move(text));

    // Leaving the editor's modes can take the selected topic away; then nothing is pasted.
    MindMapNode* parent = map.prepareUndoableNodeOperation(localized("action_paste_text_as_list"));
    if (!parent) return;
    MindMap::UpdateGuard update(map);
    const bool arrange = parent->childCount() == 0 && !parent->isAutoLayout() && parent->layoutMode() == 0;
    const size_t firstNew = map.nodes().size();
    convertTextLines(parent);
    const std::vector<MindMapNode*> added(map.nodes().begin() + static_cast<std::ptrdiff_t>(firstNew),
                                          map.nodes().end());
    if (!added.empty()) {
        map.setSelectedElement(added.front());
        for (size_t i = 1; i < added.size(); ++i) map.toggleSelection(added[i], false);
    }

    nodesLoadedFromIndex(firstNew);
    parent->hierarchyChanged();
    if (StyleSheet* styleSheet = map.styleSheet()) styleSheet->applyStyleToDiagram(map);
    map.validateElementStates();
    MindMapNode::measureDefaultWrapsAhead(added);
    for (MindMapNode* node : added) node->applyDefaultWrap();
    map.validateElementStates();
    if (arrange) {
        StrictNodeLayouter::layoutBranch(parent, StrictHorizontalLayout);
    } else {
        for (MindMapNode* node : added) {
            if (!node->isAutoLayout()) NodeLayouter::assignDefaultNodeLocation(node);
        }
    }
}
