#include "MindMaps/MindMap.h"

#include "Utils/StringUtils.h"

#include "MindMaps/MapLayouter.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "MindMaps/TopicDepthLimit.h"
#include "MindMaps/TopicTextLimit.h"
#include "Utils/FeedbackSink.h"
#include "platform/ImagePasteboard.h"
#include "platform/Localizer.h"
#include "platform/Pasteboard.h"

#include <algorithm>

namespace {

// Keeps the map in a loading state for its lifetime, so that an early return cannot leave the
// map refusing notifications and undo steps.
class LoadingStateScope {
public:
    LoadingStateScope(MindMap& mindMap, uint64_t state) : _mindMap(mindMap) { _mindMap.setLoadingState(state); }
    ~LoadingStateScope() { _mindMap.setLoadingState(MindMapIdle); }
    LoadingStateScope(const LoadingStateScope&) = delete;
    LoadingStateScope& operator=(const LoadingStateScope&) = delete;

private:
    MindMap& _mindMap;
};

} // namespace

// ---- Copy and paste ----

bool MindMap::internalCopy()
{
    MindMapElement* primary = selectedElement();
    cancelEditorModes();
    if (!primary || primary != selectedElement()) return false;
    const int32_t type = primary->elementType();
    if (type != ElementTypeNode && type != ElementTypeImage && type != ElementTypeText) return false;
    const MindMapSelectionCopier& copySelection = MindMapFormats::selectionCopier();
    if (!copySelection) return false;
    copySelection(*this);
    return true;
}

void MindMap::copy()
{
    internalCopy();
}

void MindMap::cut()
{
    if (_readOnly) return;
    if (internalCopy()) delete_();
}

void MindMap::paste()
{
    if (_readOnly) return;
    const Pasteboard& pasteboard = Pasteboard::generalPasteboard();
    const std::vector<std::string> types = pasteboard.types();
    const bool offersNativeData = std::find(types.begin(), types.end(), MindMapPasteboardType) != types.end();
    if (!offersNativeData && ImagePasteboard::canInitWithPasteboard(pasteboard)) {
        if (!_nodeEditor) return;
        readPasteboard(ImagePasteboard::pictureTypes(pasteboard), [this](const Pasteboard& contents) {
            // The picture as the pasteboard had it, for whatever topic is selected now.
            if (_nodeEditor) _nodeEditor->addImageFromPasteboard(&contents, selectedNode());
        });
        return;
    }
    internalPaste(false);
}

void MindMap::pasteAsCentralTheme()
{
    internalPaste(true);
}

void MindMap::readPasteboard(const std::vector<std::string>& wanted, std::function<void(const Pasteboard&)> paste)
{
    Pasteboard::generalPasteboard().read(wanted, _pasteRequester,
                                         [this, paste = std::move(paste)](const Pasteboard& contents) {
                                             // The map may have become read-only meanwhile.
                                             if (!_readOnly) paste(contents);
                                         });
}

void MindMap::internalPaste(bool asCentralTheme)
{
    if (_readOnly) return;
    const std::optional<std::string> type =
        Pasteboard::generalPasteboard().availableTypeFromArray({MindMapPasteboardType, Pasteboard::StringType});
    if (!type) return;

    if (*type == MindMapPasteboardType) {
        readPasteboard({*type}, [this, asCentralTheme](const Pasteboard& contents) {
            cancelEditorModes();
            const UndoState undoState = prepareDelayedUndoableOperation(localized("undoable_op_paste"));
            Error error;
            bool pasted = false;
            {
                UpdateGuard update(*this);
                LoadingStateScope pasting(*this, MindMapPasting);
                addChangeBits(MindMapChangeScrollSelection | MindMapChangeSearchMatches);
                const MindMapClipboardPaster& pasteClipboard = MindMapFormats::clipboardPaster();
                pasted = pasteClipboard && pasteClipboard(*this, asCentralTheme, contents, &error);
                if (pasted) pushDelayedUndoableOperation(undoState);
            }
            if (!pasted && !error.isEmpty()) presentErrorAlt(error);
        });
        return;
    }

    // A topic made of pasted text; there is none to make as a central theme.
    if (asCentralTheme) return;
    readPasteboard({*type}, [this](const Pasteboard& contents) {
        const std::string pasted = contents.stringForType(Pasteboard::StringType).value_or(std::string());
        std::string text = MindMapNode::validateNodeText(pasted);
        if (trimWhitespaceAndNewlines(text).empty()) return;
        if (selectedNode() && !acceptsLevelsBelow(selectedNode(), 1)) return;
        MindMapNode* node = prepareUndoableNodeOperation(localized("undoable_op_paste"));
        if (!node) return;
        UpdateGuard update(*this);
        MindMapNode* child = addMindMapNodeAsChild(node, node->location());
        child->setText(fittedText(std::move(text)));
        if (!child->isAutoLayout()) MapLayouter::shared().layoutSubTree(child, true);
        setSelectedElement(child);
        addChangeBits(MindMapChangeScrollSelection | MindMapChangeSearchMatches);
    });
}

void MindMap::presentErrorAlt(const Error& error)
{
    feedbackSinkInstance().showEditorNotification(error.localizedDescription, error.failureReason, FeedbackStateError);
}

bool MindMap::acceptsLevelsBelow(const MindMapNode* parent, size_t levels)
{
    Error error;
    if (TopicDepthLimit::acceptsLevelsBelow(parent ? parent->nodeLevel() : -1, levels, &error)) return true;
    presentErrorAlt(error);
    return false;
}

std::string MindMap::fittedText(std::string text, std::string_view previous)
{
    Error error;
    if (!TopicTextLimit::fitText(text, previous, &error)) presentErrorAlt(error);
    return text;
}

void MindMap::pasteTextAsList()
{
    if (_readOnly) return;
    cancelEditorModes();
    readPasteboard({Pasteboard::StringType}, [this](const Pasteboard& contents) {
        if (const MindMapTextListPaster& pasteList = MindMapFormats::textListPaster()) pasteList(*this, contents);
    });
}

void MindMap::copyAsImage()
{
    cancelEditorModes();
    const MindMapData data = exportDataOfFormat(static_cast<int32_t>(MindMapExportFormat::Png), 1.0, false);
    if (data.empty()) return;
    Pasteboard& pasteboard = Pasteboard::generalPasteboard();
    pasteboard.declareTypes({ImagePasteboard::PNGType});
    pasteboard.setData(data, ImagePasteboard::PNGType);
}

void MindMap::copyAsOutline()
{
    cancelEditorModes();
    MindMapData data = exportDataOfFormat(static_cast<int32_t>(MindMapExportFormat::PlainText));
    // Text on a pasteboard carries no byte-order mark: the receiving program would paste it.
    static constexpr uint8_t Bom[] = {0xEF, 0xBB, 0xBF};
    if (data.size() >= std::size(Bom) && std::equal(std::begin(Bom), std::end(Bom), data.begin())) {
        data.erase(data.begin(), data.begin() + std::size(Bom));
    }
    if (data.empty()) return;
    Pasteboard& pasteboard = Pasteboard::generalPasteboard();
    pasteboard.declareTypes({Pasteboard::StringType});
    pasteboard.setData(data, Pasteboard::StringType);
}
