#pragma once

#include "platform/Menu.h"
#include "platform/Responder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class MindMapSearchField;

// The owner of an explorers' search field: told when the mode changes while the field holds text,
// and handed the field it is to follow.
class MindMapSearchFieldTarget {
public:
    virtual ~MindMapSearchFieldTarget() = default;
    virtual void searchModeChanged(MindMapSearchField& field) = 0;
    // nullptr detaches the owner from its field.
    virtual void setSearchBar(MindMapSearchField* field) = 0;
};

// The explorers' search field (the main window's and the browser window's): its text, and a menu
// that switches between searching titles only and full-text search, remembered under a defaults
// key its owner chooses. The GTK entry shows what this holds and reports what the user types.
class MindMapSearchField : public Responder {
public:
    static constexpr int64_t SearchTitlesTag = 1;
    static constexpr int64_t FullTextSearchTag = 2;
    static constexpr const char* SearchTitlesKey = "search_scope_search_titles";
    static constexpr const char* FullTextSearchKey = "search_scope_full_text_search";
    static constexpr const char* SetSearchCategoryAction = "setSearchCategoryFrom:";
    // The key the main window's field keeps its mode under.
    static constexpr const char* MainTopicSearchModeKey = "MainTopicSearchMode";

    MindMapSearchField();
    ~MindMapSearchField() override;
    MindMapSearchField(const MindMapSearchField&) = delete;
    MindMapSearchField& operator=(const MindMapSearchField&) = delete;

    bool fullTextSearch() const { return _fullTextSearch; }
    // A change rebuilds placeholder and menu, tells the target when the field holds text and
    // saves the mode under the auto-save key.
    void setFullTextSearch(bool fullTextSearch);
    const std::string& searchModeAutoSaveKey() const { return _searchModeAutoSaveKey; }
    // An empty key means none; a new key reads the mode saved under it (titles when none is).
    void setSearchModeAutoSaveKey(const std::string& key);
    static std::string scopeText(bool fullTextSearch);
    // Rebuilds the placeholder and the mode menu from the current mode.
    void searchModeChanged();
    // Tag 2 selects full text, any other tag titles.
    void setSearchCategoryFrom(int64_t tag);

    const std::string& placeholder() const { return _placeholder; }
    // The mode menu, its items sending their action to this field.
    Menu& searchMenu() { return *_searchMenu; }
    const std::shared_ptr<Menu>& searchMenuPointer() const { return _searchMenu; }

    const std::string& text() const { return _text; }
    // A pane that cannot search now (a cloud that is not connected) disables its field.
    bool isEnabled() const { return _enabled; }
    void setEnabled(bool enabled);
    // Sets the text as a program does: the target is not told.
    void setText(const std::string& text);
    // The user changed the text: it is kept and the action goes to the target.
    void textChangedByUser(const std::string& text);

    // The owner the action and mode changes go to; not owned.
    MindMapSearchFieldTarget* target() const { return _target; }
    using Action = std::function<void(MindMapSearchField& field)>;
    void setTarget(MindMapSearchFieldTarget* target, Action action);

    // The widget showing the field redraws whatever changed (text, placeholder, menu).
    void setChangeHandler(std::function<void()> handler) { _changed = std::move(handler); }

private:
    void changed();

    bool _fullTextSearch = false;
    std::string _searchModeAutoSaveKey;
    std::string _placeholder;
    std::string _text;
    std::shared_ptr<Menu> _searchMenu;
    MindMapSearchFieldTarget* _target = nullptr;
    Action _action;
    std::function<void()> _changed;
    bool _enabled = true;
};
