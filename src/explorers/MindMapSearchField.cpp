#include "explorers/MindMapSearchField.h"

#include "platform/Localizer.h"
#include "platform/UserDefaults.h"

MindMapSearchField::MindMapSearchField() : _searchMenu(std::make_shared<Menu>())
{
    addAction(SetSearchCategoryAction,
              [this](const ActionSender* sender) { setSearchCategoryFrom(sender ? sender->tag() : SearchTitlesTag); });
    searchModeChanged();
}

MindMapSearchField::~MindMapSearchField()
{
    // The owner must not keep a field that is gone.
    if (MindMapSearchFieldTarget* target = _target) {
        _target = nullptr;
        target->setSearchBar(nullptr);
    }
}

std::string MindMapSearchField::scopeText(bool fullTextSearch)
{
    return localized(fullTextSearch ? FullTextSearchKey : SearchTitlesKey);
}

void MindMapSearchField::searchModeChanged()
{
    _placeholder = scopeText(_fullTextSearch);
    _searchMenu->removeAllItems();
    for (const bool fullText : {false, true}) {
        MenuItem& item = _searchMenu->addItem(scopeText(fullText), SetSearchCategoryAction);
        item.setTag(fullText ? FullTextSearchTag : SearchTitlesTag);
        item.setChecked(fullText == _fullTextSearch);
    }
    changed();
}

void MindMapSearchField::setSearchCategoryFrom(int64_t tag)
{
    setFullTextSearch(tag == FullTextSearchTag);
}

void MindMapSearchField::setFullTextSearch(bool fullTextSearch)
{
    if (fullTextSearch == _fullTextSearch) return;
    _fullTextSearch = fullTextSearch;
    searchModeChanged();
    if (!_text.empty() && _target) _target->searchModeChanged(*this);
    if (!_searchModeAutoSaveKey.empty()) UserDefaults::standard().setBool(_searchModeAutoSaveKey, _fullTextSearch);
}

void MindMapSearchField::setSearchModeAutoSaveKey(const std::string& key)
{
    if (key == _searchModeAutoSaveKey) return;
    _searchModeAutoSaveKey = key;
    if (key.empty()) return;
    const bool saved = UserDefaults::standard().boolForKey(key);
    if (saved == _fullTextSearch) return;
    // Reading the saved mode is no change of the user's: nothing is written back or reported.
    _fullTextSearch = saved;
    searchModeChanged();
}

void MindMapSearchField::setText(const std::string& text)
{
    if (text == _text) return;
    _text = text;
    changed();
}

void MindMapSearchField::textChangedByUser(const std::string& text)
{
    _text = text;
    if (_action) _action(*this);
}

void MindMapSearchField::setTarget(MindMapSearchFieldTarget* target, Action action)
{
    _target = target;
    _action = std::move(action);
}

void MindMapSearchField::changed()
{
    if (_changed) _changed();
}

void MindMapSearchField::setEnabled(bool enabled)
{
    if (enabled == _enabled) return;
    _enabled = enabled;
    changed();
}
