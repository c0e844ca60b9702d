#include "formats/PlainTextImporter.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TopicDepthLimit.h"
#include "Utils/StringUtils.h"
#include "formats/MegabytesText.h"
#include "formats/TextDecoding.h"
#include "layout/NodeLayouter.h"
#include "layout/StrictNodeLayouter.h"
#include "platform/Localizer.h"
#include "platform/NumberText.h"
#include "platform/Pasteboard.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <utility>

namespace {

constexpr int32_t StrictHorizontalLayout = 1;

} // namespace

PlainTextImporter::PlainTextImporter(MindMap& mindMap) : MindMapFilerBase(mindMap)
{
}

namespace {

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

namespace {

// The lines of a text whose line ends are normalised, without their line ends; text after the last
// line end is a line of its own, an empty one when the text ends with a line end.
class LinesForward {
public:
    explicit LinesForward(std::string_view text) : _text(text) {}
    bool atEnd() const { return _start > _text.size(); }
    size_t index() const { return _index; }
    // Where the next line starts: everything before it has been read.
    size_t offset() const { return _start; }
    std::string_view next()
    {
        size_t end = _text.find('\n', _start);
        if (end == std::string_view::npos) end = _text.size();
        const std::string_view line = _text.substr(_start, end - _start);
        _start = end + 1;
        ++_index;
        return line;
    }

private:
    std::string_view _text;
    size_t _start = 0;
    size_t _index = 0;
};

class LinesBackward {
public:
    explicit LinesBackward(std::string_view text)
        : _text(text), _end(text.size()), _index(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')))
    {
    }
    bool atEnd() const { return _done; }
    // The index of the line next() gives.
    size_t index() const { return _index; }
    std::string_view next()
    {
        const size_t lineEnd = _end > 0 ? _text.rfind('\n', _end - 1) : std::string_view::npos;
        // _end may sit right after a line end: then the line is empty.
        const size_t start = _end > 0 && lineEnd != std::string_view::npos ? lineEnd + 1 : 0;
        const std::string_view line = _text.substr(start, _end - start);
        if (start == 0) _done = true;
        else {
            _end = start - 1;
            --_index;
        }
        return line;
    }

private:
    std::string_view _text;
    size_t _end;
    size_t _index;
    bool _done = false;
};

// A copy of a text read once from start to end, in memory of its own whose pages are handed back
// to the system as soon as they have been read: a large text is not held whole beside the topics
// made from it.
class ReadOnceText {
public:
    explicit ReadOnceText(std::string_view text) : _size(text.size())
    {
        if (_size == 0) return;
        void* data = ::mmap(nullptr, _size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (data == MAP_FAILED) throw std::bad_alloc();
        _data = static_cast<char*>(data);
        std::memcpy(_data, text.data(), _size);
    }
    ReadOnceText(const ReadOnceText&) = delete;
    ReadOnceText& operator=(const ReadOnceText&) = delete;
    ~ReadOnceText()
    {
        if (_data) ::munmap(_data, _size);
    }

    std::string_view text() const { return {_data, _size}; }

    // Nothing before offset is read again.
    void readUpTo(size_t offset)
    {
        // In steps of a megabyte at least, so that the calls stay few.
        constexpr size_t Step = 1024 * 1024;
        static const auto page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
        const size_t end = std::min(offset, _size) / page * page;
        if (end < _released + Step) return;
        ::madvise(_data + _released, end - _released, MADV_DONTNEED);
        _released = end;
    }

private:
    char* _data = nullptr;
    size_t _size;
    size_t _released = 0;
};

} // namespace

namespace {

// For each "[" line, the "]" line that would close a note block opened there: the first line after
// it that is "]" while every line in between has the same tab count. Found from the end in one
// pass, a "[" that never closes costs nothing to find out, however many of them there are; only
// the lines that open a block are kept, last first, and the text is never split into a table of
// all its lines.
struct NoteBlocks {
    std::vector<std::pair<uint32_t, uint32_t>> closings;
    // Every line that is not empty makes a topic at most.
    size_t topicLines = 0;
};

NoteBlocks findNoteBlocks(std::string_view text)
{
    // Decoded text is at most three times the bytes accepted (one byte of Windows-1252 becomes
    // three of UTF-8 at most): every line index fits 32 bits.
    static_assert(PlainTextImporter::MaximumTextSize * 3 < std::numeric_limits<uint32_t>::max());
    NoteBlocks blocks;
    constexpr uint32_t NoClosingLine = std::numeric_limits<uint32_t>::max();
    uint32_t closingBelow = NoClosingLine; // of the line below the one read
    bool closesBelow = false;
    size_t tabsBelow = 0;
    bool last = true;
    for (LinesBackward lines(text); !lines.atEnd();) {
        const auto index = static_cast<uint32_t>(lines.index());
        const std::string_view line = lines.next();
        if (!line.empty()) ++blocks.topicLines;
        const size_t tabs = PlainTextImporter::leadTabCount(line);
        const std::string_view trimmed = trimmedWhitespaceAndNewlines(line);
        uint32_t closing = NoClosingLine;
        if (!last && tabs == tabsBelow) closing = closesBelow ? index + 1 : closingBelow;
        if (closing != NoClosingLine && trimmed.starts_with('[')) blocks.closings.emplace_back(index, closing);
        closingBelow = closing;
        closesBelow = trimmed == "]";
        tabsBelow = tabs;
        last = false;
    }
    return blocks;
}

// Walks the topics of the text in order without making any: topic(depth, text) for each, depth
// being the number of new topics above it; note(lines) for a note block of the topic before, with
// the lines between "[" and "]" as they stand. readUpTo(offset) as the walk leaves text behind.
template <typename Topic, typename Note, typename ReadUpTo>
void walkTopicLines(std::string_view text, const NoteBlocks& blocks, Topic&& topic, Note&& note, ReadUpTo&& readUpTo)
{
    size_t closing = blocks.closings.size(); // the next block opens at closings[closing - 1]
    size_t previousTabs = 0;
    bool hasPrevious = false;
    // The newest topic and its ancestors among the new ones: a line hangs under the deepest of
    // them above its tab count.
    size_t pathLength = 0;
    for (LinesForward lines(text); !lines.atEnd();) {
        const size_t i = lines.index();
        const std::string_view line = lines.next();
        readUpTo(lines.offset() - line.size() - 1);
        while (closing > 0 && blocks.closings[closing - 1].first < i) --closing;
        if (line.empty()) continue;
        const size_t lineTabs = PlainTextImporter::leadTabCount(line);
        const std::string_view trimmed = trimmedWhitespaceAndNewlines(line);
        if (lineTabs == previousTabs && hasPrevious && trimmed.starts_with('[') && closing > 0 &&
            blocks.closings[closing - 1].first == i) {
            const size_t end = blocks.closings[closing - 1].second;
            const size_t first = lines.offset();
            for (size_t j = i + 1; j < end; ++j) lines.next();
            const size_t last = lines.offset();
            lines.next(); // the "]"
            // Without the line end before the "]"; a block of no lines is an empty note.
            note(end == i + 1 ? std::string_view() : text.substr(first, last - 1 - first));
            continue;
        }
        size_t depth = 0;
        if (lineTabs > 0 && pathLength > 0) depth = std::min(lineTabs - 1, pathLength - 1) + 1;
        topic(depth, trimmed);
        pathLength = depth + 1;
        previousTabs = lineTabs;
        hasPrevious = true;
    }
}

} // namespace

size_t PlainTextImporter::textLevels(std::string_view text)
{
    size_t deepest = 0;
    walkTopicLines(
        text, findNoteBlocks(text),
        [&deepest](size_t depth, std::string_view) { deepest = std::max(deepest, depth + 1); }, [](std::string_view) {},
        [](size_t) {});
    return deepest;
}

void PlainTextImporter::convertTextLines(std::string_view text, MindMapNode* parent,
                                         const std::function<void(size_t offset)>& readUpTo)
{
    const NoteBlocks blocks = findNoteBlocks(text);
    // A new map's node list is made the size of its topics at once, with one more for the
    // central theme a flat list is gathered under. A paste leaves the list's growth as it is.
    if (!parent) mindMap().reserveLoadingNodes(blocks.topicLines + 1);
    const Point location = parent ? parent->location() : Point{};
    const bool showCheckbox = parent && parent->showCheckbox();
    MindMapNode* previous = nullptr;
    std::vector<MindMapNode*> path;
    walkTopicLines(
        text, blocks,
        [&](size_t depth, std::string_view trimmed) {
            MindMapNode* node = addNodeLoadingAtLocation(location);
            setTopicText(node, trimmed);
            if (showCheckbox) node->setShowCheckbox(true);
            node->linkToParent(depth > 0 ? path[depth - 1] : parent);
            // The topics left behind have all their children: their lists keep no room to grow.
            for (size_t left = depth; left < path.size(); ++left) path[left]->fitChildRoom(0);
            path.resize(depth);
            path.push_back(node);
            previous = node;
        },
        [&](std::string_view block) {
            std::string note;
            bool first = true;
            for (LinesForward lines(block); !lines.atEnd(); first = false) {
                if (!first) note += '\n';
                note += trimmedWhitespaceAndNewlines(lines.next());
            }
            previous->setNote(note);
        },
        [&readUpTo](size_t offset) {
            if (readUpTo) readUpTo(offset);
        });
    for (MindMapNode* left : path) left->fitChildRoom(0);
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
    theme->fitChildRoom(topics.size());
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
    if (!TopicDepthLimit::acceptsLevels(textLevels(text), error)) return false;
    {
        // Each topic copies its line: the text read so far need not stay while the rest are made,
        // nor any of it while they are styled and measured.
        ReadOnceText readOnce(text);
        std::string().swap(text);
        convertTextLines(readOnce.text(), nullptr, [&](size_t offset) { readOnce.readUpTo(offset); });
    }
    detectPlainTextFile();

    map.rethinkCentralThemes();
    nodesLoadedFromIndex(0);
    if (StyleSheet* styleSheet = map.styleSheet()) styleSheet->applyStyleToDiagram(map);
    map.validateElementStates();
    MindMapNode::applyDefaultWraps(map.nodes());
    map.validateElementStates();
    StrictNodeLayouter::layoutMindMapStrictHorizontal(map);
    for (MindMapNode* theme : map.centralThemes()) theme->setLayoutMode(StrictHorizontalLayout);
    map.validateElementStates();
    reportCutTexts();
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
    if (!TopicDepthLimit::acceptsLevelsBelow(map.selectedNode()->nodeLevel(), textLevels(text), &error)) {
        map.presentErrorAlt(error);
        return;
    }

    // Leaving the editor's modes can take the selected topic away; then nothing is pasted.
    MindMapNode* parent = map.prepareUndoableNodeOperation(localized("action_paste_text_as_list"));
    if (!parent) return;
    MindMap::UpdateGuard update(map);
    const bool arrange = parent->childCount() == 0 && !parent->isAutoLayout() && parent->layoutMode() == 0;
    const size_t firstNew = map.nodes().size();
    convertTextLines(text, parent);
    std::string().swap(text);
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
    MindMapNode::applyDefaultWraps(added);
    map.validateElementStates();
    reportCutTexts();
    if (arrange) {
        StrictNodeLayouter::layoutBranch(parent, StrictHorizontalLayout);
    } else {
        for (MindMapNode* node : added) {
            if (!node->isAutoLayout()) NodeLayouter::assignDefaultNodeLocation(node);
        }
    }
}
