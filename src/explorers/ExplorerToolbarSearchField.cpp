#include "explorers/ExplorerToolbarSearchField.h"

ExplorerToolbarSearchField::ExplorerToolbarSearchField()
{
    _field.setSearchModeAutoSaveKey(MindMapSearchField::MainTopicSearchModeKey);
}

MindMapSearchField* ExplorerToolbarSearchField::searchField(EditorSearchField* field)
{
    auto* ours = dynamic_cast<ExplorerToolbarSearchField*>(field);
    return ours ? &ours->field() : nullptr;
}

void ExplorerToolbarSearchField::clearText()
{
    _field.setText("");
}

void ExplorerToolbarSearchField::setEnabled(bool enabled)
{
    if (enabled == _enabled) return;
    _enabled = enabled;
    if (_enabledChanged) _enabledChanged(enabled);
}

void ExplorerToolbarSearchField::install()
{
    TwToolbar::setSearchFieldFactory([] { return std::make_unique<ExplorerToolbarSearchField>(); });
}
