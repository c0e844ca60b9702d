#include "MindMaps/MindMapNode.h"

#include "MindMaps/MindMap.h"

void MindMapNode::taskChanged(uint64_t bits)
{
    if (_isLoading) return;
    if (MindMap* map = reportingMap()) {
        map->invalidateSearchMatches();
        // Roll-up parents follow at the map's next validation, inside an update or not.
        map->setProgressDirty();
    }
    includeNodeUpdateState(bits);
}

void MindMapNode::setCheckboxMode(int32_t checkboxMode)
{
    const bool showedCheckbox = showCheckbox();
    if (!_extras && !NodeTaskState().setCheckboxMode(checkboxMode)) return;
    if (!extras().task.setCheckboxMode(checkboxMode)) return;
    taskChanged(showedCheckbox != showCheckbox() ? UpdateOuterSize : UpdateAppearance);
}

void MindMapNode::setProgress(int64_t progress)
{
    if (!_extras && !NodeTaskState().setProgress(progress)) return;
    if (extras().task.setProgress(progress)) taskChanged(UpdateAppearance);
}

void MindMapNode::updateRollUpProgress()
{
    if (checkboxMode() != 3) return;
    int64_t sum = 0;
    int64_t count = 0;
    for (const MindMapNode* child : _children) {
        if (!child->showCheckbox()) continue;
        sum += child->progress();
        ++count;
    }
    setProgress(count > 0 ? sum / count : 0);
}

void MindMapNode::setDate(const std::optional<Date>& date)
{
    if (!_extras && !date) return;
    if (!extras().task.setDate(date)) return;
    if (_isLoading) return;
    includeNodeUpdateState(UpdateDateText);
    if (MindMap* map = reportingMap()) {
        map->invalidateSearchMatches();
        map->hierarchyChanged();
    }
}

const std::string& MindMapNode::validatedDateText()
{
    if ((_updateState & UpdateDateText) && !_validatingState) doValidateDateText();
    return dateText();
}

void MindMapNode::doValidateDateText()
{
    if (!(_updateState & UpdateDateText)) return;
    // Without a date there is no text to refresh.
    if (_extras) _extras->task.refreshDateText();
    _updateState &= ~static_cast<uint64_t>(UpdateDateText);
    _updateState |= UpdateOuterSize;
}

std::string MindMapNode::formatDateText(const Date& date)
{
    return NodeTaskState::formatDateText(date);
}

void MindMapNode::setVoiceMemo(const std::string& voiceMemo)
{
    if (voiceMemo == this->voiceMemo()) return;
    extras().voiceMemo = voiceMemo;
    if (!_isLoading) includeNodeUpdateState(UpdateOuterSize);
}
