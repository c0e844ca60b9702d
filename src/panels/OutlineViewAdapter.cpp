#include "panels/OutlineViewAdapter.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/TopicTextLimit.h"
#include "Utils/FeedbackSink.h"
#include "Utils/LocalizedCompare.h"
#include "Utils/StringUtils.h"
#include "editor-view/MindMapEditor.h"
#include "platform/Localizer.h"
#include "platform/TextExcerpt.h"

#include <algorithm>
#include <cmath>

OutlineViewAdapter::OutlineViewAdapter(MindMapEditor* editor) : _editor(editor)
{
}

OutlineViewAdapter::~OutlineViewAdapter()
{
    setOutlineView(nullptr);
}

MindMap* OutlineViewAdapter::mindMap() const
{
    return _editor ? _editor->mindMap() : nullptr;
}

void OutlineViewAdapter::setOutlineView(OutlineView* view)
{
    if (view == _outlineView) return;
    _outlineView = view;
    if (_outlineView) updateOutlineState();
}

void OutlineViewAdapter::setHidden(bool hidden)
{
    if (hidden == _hidden) return;
    cancelEditing();
    _hidden = hidden;
    if (!_hidden) {
        refresh(true);
        return;
    }
    // A hidden outline keeps no rows: they would only go stale.
    clearRows();
}

void OutlineViewAdapter::clearRows()
{
    _nodes.clear();
    _rows.clear();
    _datedRows = 0;
    Raise raise(_reloading);
    if (_outlineView) _outlineView->reloadData();
}

void OutlineViewAdapter::setEnabled(bool enabled)
{
    if (enabled == _enabled) return;
    cancelEditing();
    _enabled = enabled;
    if (_enabled) {
        refresh(true);
    } else {
        _dragItem = nullptr;
        clearRows();
    }
    updateOutlineState();
    // Once the rows may be edited again.
    reopenTakenEdit();
}

void OutlineViewAdapter::setReadOnly(bool readOnly)
{
    if (readOnly == _readOnly) return;
    cancelEditing();
    _readOnly = readOnly;
    if (_outlineView) {
        // The rows take the new editability only when they are made again.
        Raise raise(_reloading);
        MindMapNode* selected = _outlineView->selectedItem();
        _outlineView->setNeedsDisplay();
        _outlineView->selectItem(selected);
    }
    updateOutlineState();
}

void OutlineViewAdapter::setOutlineMode(uint64_t mode)
{
    if (mode >= ModeCount) mode = Hierarchy;
    if (mode == _outlineMode) return;
    _outlineMode = mode;
    updateOutlineState();
    refresh(true);
}

OutlineViewState OutlineViewAdapter::outlineState() const
{
    OutlineViewState state;
    state.enabled = _enabled;
    state.indentationPerLevel = _outlineMode == Hierarchy ? TreeIndentation : 0;
    state.editable = _enabled && !_readOnly;
    if (!_enabled)
        state.background = Color(DisabledBackgroundWhite, DisabledBackgroundWhite, DisabledBackgroundWhite, 1);
    else if (_readOnly)
        state.background = Color(ReadOnlyBackgroundWhite, ReadOnlyBackgroundWhite, ReadOnlyBackgroundWhite, 1);
    return state;
}

void OutlineViewAdapter::updateOutlineState()
{
    if (_outlineView) _outlineView->applyOutlineState(outlineState());
}

void OutlineViewAdapter::buildRows(MindMap& map, std::vector<OutlineRow>& rows)
{
    const std::vector<MindMapNode*>& all = map.nodes();
    const bool anyCheckbox =
        std::any_of(all.begin(), all.end(), [](MindMapNode* node) { return node->showCheckbox(); });
    switch (_outlineMode) {
    case Hierarchy:
        _hasCheckboxes = anyCheckbox;
        collectTreeRows(map, rows);
        return;
    case CheckList:
    case TodoList:
    case DoneList: {
        _hasCheckboxes = true;
        std::vector<MindMapNode*> ordered;
        ordered.reserve(all.size());
        for (MindMapNode* theme : map.centralThemes()) theme->collectNodeAndChildrenInArray(ordered);
        for (MindMapNode* node : ordered) {
            if (!node->showCheckbox()) continue;
            const bool done = node->checkedState() == 1;
            if ((_outlineMode == TodoList && done) || (_outlineMode == DoneList && !done)) continue;
            _nodes.push_back(node);
        }
        break;
    }
    case DateList: {
        _hasCheckboxes = anyCheckbox;
        for (MindMapNode* node : all)
            if (node->hasDate()) _nodes.push_back(node);
        std::stable_sort(_nodes.begin(), _nodes.end(), [](MindMapNode* a, MindMapNode* b) {
            if (*a->date() != *b->date()) return *a->date() < *b->date();
            return localizedStandardCompare(a->displayText().string(), b->displayText().string()) < 0;
        });
        break;
    }
    default:
        break;
    }
    rows.reserve(_nodes.size());
    for (MindMapNode* node : _nodes) rows.push_back({node, 0, uint8_t(node->hasDate() ? OutlineRow::Dated : 0)});
}

void OutlineViewAdapter::collectTreeRows(MindMap& map, std::vector<OutlineRow>& rows) const
{
    rows.reserve(map.nodes().size());
    // Depth first without recursion: a chain of topics may be as deep as the map is large.
    std::vector<std::pair<MindMapNode*, uint32_t>> pending;
    const std::vector<MindMapNode*>& themes = map.centralThemes();
    for (auto theme = themes.rbegin(); theme != themes.rend(); ++theme) pending.emplace_back(*theme, 0);
    while (!pending.empty()) {
        const auto [node, level] = pending.back();
        pending.pop_back();
        OutlineRow row{node, level, uint8_t(node->hasDate() ? OutlineRow::Dated : 0)};
        if (const size_t count = node->childCount(); count > 0) {
            row.flags |= OutlineRow::Expandable;
            // Rows open unless the user closed them; the flag lives on the topic.
            if (!node->outlineCollapsed()) {
                row.flags |= OutlineRow::Expanded;
                for (size_t index = count; index-- > 0;) pending.emplace_back(node->childAtIndex(index), level + 1);
            }
        }
        rows.push_back(row);
    }
}

namespace {

size_t datedRows(const std::vector<OutlineRow>& rows)
{
    return size_t(std::count_if(rows.begin(), rows.end(), [](const OutlineRow& row) { return row.dated(); }));
}

} // namespace

void OutlineViewAdapter::refreshOutline()
{
    refresh(false);
}

void OutlineViewAdapter::refresh(bool reload)
{
    if (!shown()) return;
    cancelEditing();
    Raise raise(_reloading);
    _nodes.clear();
    _dragItem = nullptr;
    std::vector<OutlineRow> rows;
    if (MindMap* map = mindMap()) buildRows(*map, rows);
    if (reload || !_outlineView) {
        _rows = std::move(rows);
        _datedRows = datedRows(_rows);
        if (_outlineView) _outlineView->reloadData();
    } else {
        applyRows(std::move(rows));
    }
    if (!_outlineView) return;
    syncSelectedElement();
    _outlineView->setNeedsDisplay();
    // A refill is nothing the user did: a rename it took opens again on its topic.
    reopenTakenEdit();
}

void OutlineViewAdapter::reopenTakenEdit()
{
    if (!_outlineView || !shown()) return;
    const std::optional<OutlineTopicPlace> place = _outlineView->takenEditPlace();
    MindMap* map = mindMap();
    if (!place || !map) return;
    const std::optional<std::string> letGo = _outlineView->reopenTakenEdit(place->find(*map));
    // Kept where the user can find it again: the log, with the text as typed.
    if (letGo)
        feedbackSinkInstance().addItemWithTitle(localized("outline_rename_topic_gone"),
                                                formatText(localized("outline_rename_topic_gone_text_fmt"), {*letGo}),
                                                FeedbackStateWarning);
}

OutlineTopicPlace OutlineTopicPlace::of(const MindMapNode& topic)
{
    OutlineTopicPlace place;
    place.id = topic.id();
    const MindMapNode* node = &topic;
    for (; node->parent(); node = node->parent()) place.indices.push_back(node->indexInParent());
    if (MindMap* map = node->mindMap()) {
        const std::vector<MindMapNode*>& themes = map->centralThemes();
        place.indices.push_back(size_t(std::find(themes.begin(), themes.end(), node) - themes.begin()));
    }
    std::reverse(place.indices.begin(), place.indices.end());
    return place;
}

MindMapNode* OutlineTopicPlace::find(MindMap& map) const
{
    if (id >= 0) return map.findNodeOnId(id);
    if (indices.empty() || indices.front() >= map.centralThemes().size()) return nullptr;
    MindMapNode* node = map.centralThemes()[indices.front()];
    for (size_t level = 1; node && level < indices.size(); ++level)
        node = indices[level] < node->childCount() ? node->childAtIndex(indices[level]) : nullptr;
    return node;
}

void OutlineViewAdapter::applyRows(std::vector<OutlineRow> rows)
{
    // A change of the map touches few rows in one place (a topic added, removed or moved among
    // its siblings, a row opened): what lies before and after it stays as it was. Rows that keep
    // their topics at either end of the rest only change in look.
    const std::vector<OutlineRow>& old = _rows;
    const size_t oldCount = old.size(), newCount = rows.size();
    size_t head = 0;
    while (head < oldCount && head < newCount && old[head] == rows[head]) ++head;
    size_t tail = 0;
    while (tail < oldCount - head && tail < newCount - head && old[oldCount - 1 - tail] == rows[newCount - 1 - tail])
        ++tail;
    const size_t oldEnd = oldCount - tail, newEnd = newCount - tail;
    size_t leading = 0;
    while (head + leading < oldEnd && head + leading < newEnd && old[head + leading].node == rows[head + leading].node)
        ++leading;
    size_t trailing = 0;
    while (head + leading + trailing < oldEnd && head + leading + trailing < newEnd &&
           old[oldEnd - 1 - trailing].node == rows[newEnd - 1 - trailing].node)
        ++trailing;
    const size_t removed = oldEnd - head - leading - trailing;
    const size_t inserted = newEnd - head - leading - trailing;
    _rows = std::move(rows);
    _datedRows = datedRows(_rows);
    if (!_outlineView) return;
    if (leading > 0) _outlineView->updateRows(head, leading);
    if (removed > 0 || inserted > 0) _outlineView->replaceRows(head + leading, removed, inserted);
    if (trailing > 0) _outlineView->updateRows(head + leading + inserted, trailing);
}

std::optional<size_t> OutlineViewAdapter::rowOf(const MindMapNode* item) const
{
    if (!item) return std::nullopt;
    const auto found =
        std::find_if(_rows.begin(), _rows.end(), [item](const OutlineRow& row) { return row.node == item; });
    if (found == _rows.end()) return std::nullopt;
    return size_t(found - _rows.begin());
}

bool OutlineViewAdapter::isItemExpanded(const MindMapNode* item) const
{
    const std::optional<size_t> row = rowOf(item);
    return row && _rows[*row].expanded();
}

void OutlineViewAdapter::expandItem(MindMapNode* item, bool withDescendants)
{
    setItemsExpanded({item}, true, withDescendants);
}

void OutlineViewAdapter::collapseItem(MindMapNode* item, bool withDescendants)
{
    setItemsExpanded({item}, false, withDescendants);
}

void OutlineViewAdapter::setItemsExpanded(const std::vector<MindMapNode*>& items, bool expanded, bool withDescendants)
{
    if (_outlineMode != Hierarchy) return;
    bool changed = false;
    std::vector<MindMapNode*> pending;
    for (MindMapNode* item : items) {
        if (!item) continue;
        pending.push_back(item);
        while (!pending.empty()) {
            MindMapNode* node = pending.back();
            pending.pop_back();
            const size_t count = node->childCount();
            // A row without children neither opens nor closes.
            if (count > 0 && node->outlineCollapsed() == expanded) {
                node->setOutlineCollapsed(!expanded);
                changed = true;
            }
            if (withDescendants)
                for (size_t index = 0; index < count; ++index) pending.push_back(node->childAtIndex(index));
        }
    }
    MindMap* map = mindMap();
    if (!changed || !shown() || !map) return;
    Raise raise(_reloading);
    _nodes.clear();
    std::vector<OutlineRow> rows;
    buildRows(*map, rows);
    applyRows(std::move(rows));
    // The selected topic may have lost its row; the selection then shows no row.
    syncSelectedElement();
}

void OutlineViewAdapter::syncSelectedElement()
{
    if (!shown() || !_outlineView) return;
    cancelEditing();
    MindMap* map = mindMap();
    MindMapNode* selected = map ? map->selectedNode() : nullptr;
    Raise raise(_reloading);
    _outlineView->selectItem(selected);
}

void OutlineViewAdapter::autoSyncSelectedElement()
{
    if (_reloading == 0) syncSelectedElement();
}

void OutlineViewAdapter::cancelEditing()
{
    if (!shown() || !_outlineView) return;
    {
        Raise raise(_cancelEdit);
        _outlineView->takeFocusFromEditor();
    }
    closeDatePicker();
}

void OutlineViewAdapter::closeDatePicker()
{
    if (std::shared_ptr<PopoverPresenter::Popover> popover = std::move(_datePickerPopover)) popover->close();
    if (!_datePickerOpened) return;
    _datePickerOpened = false;
    if (_editor && _editor->datePickerShown()) _editor->cancelEditorModes(false);
}

std::string OutlineViewAdapter::singleLineText(std::string_view text)
{
    std::string line = NormalizeNewlines(trimWhitespaceAndNewlines(text));
    std::replace(line.begin(), line.end(), '\n', ' ');
    return line;
}

std::string OutlineViewAdapter::shownText(std::string_view text)
{
    return TextExcerpt::excerpt(singleLineText(text), TextExcerpt::Name);
}

void OutlineViewAdapter::applyEditedText(const std::string& text, MindMapNode* node)
{
    MindMap* map = mindMap();
    if (!map || !node || !map->containsElement(node)) return;
    if (text == singleLineText(node->displayText().string())) return;
    map->prepareUndoableOperation(localized(EditTextUndoKey));
    map->setSelectedNode(node);
    node->setText(map->fittedText(text, node->text()));
    node->validateNodeState();
}

size_t OutlineViewAdapter::numberOfChildrenOfItem(MindMapNode* item) const
{
    if (!shown()) return 0;
    if (_outlineMode != Hierarchy) return item ? 0 : _nodes.size();
    if (item) return item->childCount();
    MindMap* map = mindMap();
    return map ? map->centralThemes().size() : 0;
}

MindMapNode* OutlineViewAdapter::child(size_t index, MindMapNode* item) const
{
    if (_outlineMode != Hierarchy) return index < _nodes.size() ? _nodes[index] : nullptr;
    if (item) return item->childAtIndex(index);
    MindMap* map = mindMap();
    if (!map || index >= map->centralThemes().size()) return nullptr;
    return map->centralThemes()[index];
}

bool OutlineViewAdapter::isItemExpandable(MindMapNode* item) const
{
    return _outlineMode == Hierarchy && item && item->childCount() > 0;
}

void OutlineViewAdapter::revealNode(MindMapNode* node)
{
    MindMap* map = mindMap();
    if (!map) return;
    map->forceNodeVisible(node);
    if (_editor) _editor->scrollElementVisible(node);
}

void OutlineViewAdapter::selectionDidChange()
{
    if (_reloading > 0 || !_outlineView) return;
    MindMapNode* node = _outlineView->selectedItem();
    MindMap* map = mindMap();
    if (!node || !map || !map->containsElement(node)) return;
    map->setSelectedElement(node);
    revealNode(node);
}

void OutlineViewAdapter::itemDidExpand(MindMapNode* item)
{
    if (_reloading > 0 || _outlineMode != Hierarchy || !item) return;
    expandItem(item, false);
}

void OutlineViewAdapter::itemDidCollapse(MindMapNode* item)
{
    if (_reloading > 0 || _outlineMode != Hierarchy || !item) return;
    MindMap* map = mindMap();
    MindMapNode* selected = map ? map->selectedNode() : nullptr;
    const bool selectedShown = rowOf(selected).has_value();
    collapseItem(item, false);
    // Closing the row over the selected topic selects the row that closed, as a click on it would.
    if (selectedShown && !rowOf(selected) && _outlineView) _outlineView->selectItem(item);
}

double OutlineViewAdapter::heightOfRowByItem(MindMapNode* item) const
{
    return item && item->hasDate() ? DateRowHeight : RowHeight;
}

OutlineRowContent OutlineViewAdapter::viewForItem(MindMapNode* item) const
{
    OutlineRowContent row;
    if (!item) return row;
    MindMap* map = mindMap();
    row.hasDate = item->hasDate();
    row.identifier = row.hasDate ? OutlineRowContent::DateCellIdentifier : OutlineRowContent::CellIdentifier;
    if (map && map->autoNumberStyle() != AutoNumberDisabled) row.autoNumberPath = item->validatedAutoNumberPath();
    if (row.hasDate) row.dateText = item->validatedDateText();
    row.title = shownText(item->displayText().string());
    if (row.title.empty()) row.placeholder = localized(EmptyTopicKey);
    row.editable = !_readOnly;
    row.dimmed = map && map->searching() && !item->searchMatch();
    row.hasNote = item->hasNote();
    row.checkboxMode = item->checkboxMode();
    row.progressHidden = row.checkboxMode == 0;
    row.progress = item->progress();
    row.progressEnabled = !_readOnly;
    row.hasCheckboxes = _hasCheckboxes;
    row.height = heightOfRowByItem(item);
    return row;
}

OutlineRowContent OutlineViewAdapter::viewForRow(const OutlineRow& row) const
{
    OutlineRowContent content = viewForItem(row.node);
    content.inTree = _outlineMode == Hierarchy;
    content.level = row.level;
    content.expandable = row.expandable();
    content.expanded = row.expanded();
    return content;
}

size_t OutlineViewAdapter::cellWillInsert(MindMapNode* item, std::string_view before, std::string_view text,
                                          std::string_view after)
{
    MindMap* map = mindMap();
    const bool known = item && map && map->containsElement(item);
    Error error;
    const size_t kept = TopicTextLimit::fitInsertion(
        before, text, after, TopicTextLimit::allowedCharacters(known ? std::string_view(item->text()) : ""), &error);
    if (kept < text.size())
        feedbackSinkInstance().showEditorNotification(error.localizedDescription, error.failureReason,
                                                      FeedbackStateError);
    return kept;
}

void OutlineViewAdapter::cellEndEdit(MindMapNode* item, const std::string& text)
{
    if (_cancelEdit > 0 || _reloading > 0 || _readOnly || !item) return;
    applyEditedText(text, item);
}

void OutlineViewAdapter::outlineProgressIconClicked(MindMapNode* item)
{
    MindMap* map = mindMap();
    if (_reloading > 0 || !item || !map || !map->containsElement(item) || _readOnly) return;
    map->setSelectedNode(item);
    revealNode(item);
    if (item->checkboxMode() == 1) map->toggleCheckedState();
    else if (_showCheckboxMenu) _showCheckboxMenu();
}

void OutlineViewAdapter::dateIconClicked(MindMapNode* item)
{
    MindMap* map = mindMap();
    if (_reloading > 0 || !item || !map || !map->containsElement(item) || !_editor) return;
    map->setSelectedNode(item);
    revealNode(item);
    closeDatePicker();
    const Rect icon = _outlineView ? _outlineView->dateIconFrame(item) : Rect();
    if (!_popoverPresenter || icon.isEmpty()) {
        _editor->invokeDatePicker();
        _datePickerOpened = _editor->datePickerShown();
        return;
    }
    _datePickerInitialDate = item->date().value_or(std::chrono::system_clock::now());
    PopoverPresenter::Request request;
    request.content = MindMapEditor::DatePickerContent;
    request.relativeTo = icon;
    request.preferredEdge = PopoverPresenter::Edge::Bottom;
    request.behavior = PopoverPresenter::Behavior::Semitransient;
    auto shown = std::make_shared<std::weak_ptr<PopoverPresenter::Popover>>();
    _datePickerPopover = _popoverPresenter->showPopover(request, [this, shown] {
        // Only the popover that closed is let go: a later one may have taken its place.
        if (_datePickerPopover && _datePickerPopover == shown->lock()) _datePickerPopover.reset();
    });
    *shown = _datePickerPopover;
}

void OutlineViewAdapter::popoverDatePicked(std::optional<std::chrono::system_clock::time_point> date)
{
    closeDatePicker();
    if (_editor) _editor->cancelEditorModes(true);
    if (MindMap* map = mindMap()) map->applyDate(date);
}

bool OutlineViewAdapter::writeItems(const std::vector<MindMapNode*>& items)
{
    _dragItem = nullptr;
    if (!_enabled || _readOnly || _outlineMode != Hierarchy || items.empty() || !items.front()) return false;
    _dragItem = items.front();
    return true;
}

int64_t OutlineViewAdapter::endIndexUnder(MindMapNode* parent) const
{
    if (parent) return static_cast<int64_t>(parent->childCount());
    MindMap* map = mindMap();
    return map ? static_cast<int64_t>(map->centralThemes().size()) : 0;
}

int64_t OutlineViewAdapter::currentIndex(MindMapNode* node) const
{
    if (node->parent()) return static_cast<int64_t>(node->indexInParent());
    MindMap* map = mindMap();
    if (!map) return -1;
    const auto& themes = map->centralThemes();
    const auto found = std::find(themes.begin(), themes.end(), node);
    return found == themes.end() ? -1 : static_cast<int64_t>(found - themes.begin());
}

OutlineViewAdapter::DragOperation OutlineViewAdapter::validateDrop(bool fromOwnView, MindMapNode* proposedParent,
                                                                   int64_t proposedIndex) const
{
    if (!fromOwnView || !_dragItem || _outlineMode != Hierarchy) return DragOperation::None;
    if (!_dragItem->isValidParentNode(proposedParent)) return DragOperation::None;
    if (proposedParent != _dragItem->parent()) return DragOperation::Move;
    const int64_t index = proposedIndex == -1 ? endIndexUnder(proposedParent) : proposedIndex;
    return index == currentIndex(_dragItem) ? DragOperation::None : DragOperation::Move;
}

void OutlineViewAdapter::proposedDrop(MindMapNode* row, DropPlace place, MindMapNode*& parent, int64_t& index) const
{
    parent = nullptr;
    index = -1;
    if (!row) return;
    if (place == DropPlace::Onto) {
        parent = row;
        return;
    }
    parent = row->parent();
    const int64_t at = currentIndex(row);
    index = place == DropPlace::Before ? at : at + 1;
}

bool OutlineViewAdapter::acceptDrop(bool fromOwnView, MindMapNode* parent, int64_t index)
{
    MindMap* map = mindMap();
    // Rows may have been rebuilt since the drag began: only topics still in the map are asked.
    const bool current =
        map && _dragItem && map->containsElement(_dragItem) && (!parent || map->containsElement(parent));
    if (!current || validateDrop(fromOwnView, parent, index) == DragOperation::None) {
        _dragItem = nullptr;
        return false;
    }
    MindMapNode* item = _dragItem;
    _dragItem = nullptr;
    if (index == -1) index = endIndexUnder(parent);
    return map->reconnectNode(item, parent, index);
}

double OutlineViewAdapter::progressMenuTop(double pointerY, double menuHeight, double workAreaMaxY)
{
    return std::min(pointerY, workAreaMaxY - menuHeight);
}

OutlineRowLayout OutlineRowLayout::layout(const OutlineRowContent& row, const Rect& cell, double autoNumberWidth)
{
    OutlineRowLayout layout;
    double left = cell.minX();
    double right = cell.maxX();
    // Every tree row keeps the expander's room, so that the titles of a level line up.
    if (row.inTree) {
        left += row.level * OutlineViewAdapter::TreeIndentation;
        layout.expander = Rect(left, cell.minY(), ExpanderWidth, cell.height());
        left += ExpanderWidth;
    }
    // Room for the icon is kept on every row once any row has one, so that the titles line up.
    if (row.hasCheckboxes) {
        layout.progressIcon = Rect(left, cell.minY(), ProgressSlotWidth, cell.height());
        left += ProgressSlotWidth;
    }
    if (!row.autoNumberPath.empty()) {
        const double width = std::max(0.0, autoNumberWidth) + 2 * TextPadding;
        layout.autoNumber = Rect(left, cell.minY(), width, cell.height());
        left += width;
    }
    if (row.hasDate) {
        right -= IconSize;
        layout.dateIcon = Rect(right, cell.minY(), IconSize, cell.height());
    }
    if (row.hasNote) {
        right -= IconSize;
        layout.noteMark = Rect(right, cell.minY(), IconSize, cell.height());
    }
    const double width = std::max(0.0, right - left);
    if (row.hasDate) {
        const double dateLine = std::min(DateLineHeight, cell.height());
        layout.title = Rect(left, cell.minY(), width, cell.height() - dateLine);
        layout.dateText = Rect(left, cell.maxY() - dateLine, width, dateLine);
    } else {
        layout.title = Rect(left, cell.minY(), width, cell.height());
    }
    return layout;
}

Rect OutlineRowLayout::iconIn(const Rect& slot)
{
    return Rect(slot.minX(), std::floor(slot.minY() + (slot.height() - IconSize) / 2), IconSize, IconSize);
}
