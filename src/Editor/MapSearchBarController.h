#pragma once

#include "MindMaps/MindMapSearchData.h"
#include "MindMaps/SearchMatchListener.h"
#include "platform/Geometry.h"
#include "platform/Image.h"
#include "platform/NotificationCenter.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class MindMap;
class MindMapEditor;
class MindMapElement;

// What the find bar's widget shows for its controller. The widget hands the user's input to the
// controller's setters; the controller tells it what to show.
class MapSearchBarView {
public:
    virtual ~MapSearchBarView() = default;
    // The counter, "position/count".
    virtual void setResultsText(const std::string& text) = 0;
    // The previous and next buttons.
    virtual void setNavigationEnabled(bool enabled) = 0;
    // The row of the icon, checkbox and date filters shows exactly when shown is set; the bar is
    // then height points high.
    virtual void setAdvancedRowShown(bool shown, double height) = 0;
    // On screen and not on its way out.
    virtual bool isBarShown() const = 0;
    // Slides the bar in or out over the canvas.
    virtual void showBar() = 0;
    virtual void hideBar() = 0;
    virtual void focusSearchField() = 0;
};

// One entry of the icon filter's menu: the icon key it filters by and its picture at the size it
// is shown, with the number that keeps its title unique.
struct IconFilterItem {
    std::string key;
    std::shared_ptr<const Image> image;
    Size imageSize;
    int uniqueTitle = 0;
};

// The map editor's find bar: turns the bar's text and filters into the open map's search
// criteria, counts the matches ("2/5") and steps through them. Escape in the bar posts
// CancelledNotification, on which every bar closes; closing clears the matches and hands the
// keyboard back to the canvas.
class MapSearchBarController : public SearchMatchListener {
public:
    static constexpr const char* CancelledNotification = "EditorSearchBarCancelledNotification";
    static constexpr const char* AdvancedModeKey = "EditorSearchBar.AdvancedMode";
    static constexpr const char* ScrollCenterKey = "EditorSearchBar.ScrollCenter";
    // What the filter row takes of the bar's full height.
    static constexpr double AdvancedRowHeight = 54.0;
    // Pictures in the icon filter are no higher than these.
    static constexpr double CustomIconHeightLimit = 32.0;
    static constexpr double StockIconHeightLimit = 24.0;
    static constexpr size_t MaximumRecentSearches = 10;

    // Tags of the search field's menu.
    enum MenuTag : int {
        RecentsTitleTag = 1000,
        RecentsTag = 1001,
        ClearRecentsTag = 1002,
        AdvancedSearchTag = 1,
        ScrollCenterTag = 2,
    };

    // fullSize: the bar as laid out with its filter row.
    MapSearchBarController(MindMapEditor& editor, Size fullSize);
    ~MapSearchBarController() override;
    MapSearchBarController(const MapSearchBarController&) = delete;
    MapSearchBarController& operator=(const MapSearchBarController&) = delete;

    MindMapEditor& editor() const { return _editor; }
    void setView(MapSearchBarView* view);

    // Becomes the map's search listener, applies the criteria, shows the bar and focuses its field.
    void startSearch();
    // The editor shows another map: a bar on screen searches that one instead.
    void editorMindMapChanged();
    bool isShown() const { return _view && _view->isBarShown(); }

    // ---- Criteria, set by the bar's controls; each change searches again ----
    const std::string& searchText() const { return _searchText; }
    void setSearchText(const std::string& text);
    // 0 any, 1 unchecked, 2 checked.
    int checkedFilterIndex() const { return _checkedIndex; }
    void setCheckedFilterIndex(int index);
    // Empty for any icon.
    const std::string& iconFilter() const { return _iconKey; }
    void setIconFilter(const std::string& key);
    // 0 any, 1 on or before the date, 2 on or after it.
    int dateFilterIndex() const { return _dateIndex; }
    void setDateFilterIndex(int index);
    MindMapSearchData::Date filterDate() const { return _date; }
    void setFilterDate(MindMapSearchData::Date date);
    // The criteria as the bar's controls say now.
    MindMapSearchData searchData() const;
    void updateSearchData();
    // Re-applies the criteria even when they did not change (the map changed under them).
    void forceUpdateSearchMatches();

    // ---- Matches ----
    // "position/count" with the 1-based position of the map's selection among the matches, 0 when
    // it is none of them.
    std::string resultsText() const { return _resultsText; }
    bool navigationEnabled() const { return _navigationEnabled; }
    void selectNextMatch();
    void selectPreviousMatch();
    // 0 previous, 1 next.
    void navigationButtonClick(int segment);
    void scrollMatch(MindMapElement* element);

    // Closes the bar (its close button, Escape): the matches go, the canvas takes the keyboard.
    void closeBar();

    // ---- Modes ----
    bool advancedSearch() const { return _advancedSearch; }
    void setAdvancedSearch(bool advanced);
    bool scrollCenter() const { return _scrollCenter; }
    void toggleAdvancedSearch();
    void toggleScrollCenter();
    // The height of the bar as it is now: without the filter row when not advanced.
    double viewHeight() const;
    Size searchBarSize() const { return {_fullSize.width, viewHeight()}; }
    // Whether the search field's menu item of the tag is checked.
    bool isMenuItemChecked(int tag) const;

    // ---- Recent searches (the field's menu) ----
    const std::deque<std::string>& recentSearches() const { return _recentSearches; }
    // The field's text was sent (Return): it goes in front of the recents.
    void addRecentSearch(const std::string& text);
    void clearRecentSearches();

    // ---- The icon filter's menu ----
    // Brings the entries after the fixed first one up to date with the icons the map's topics
    // show: an icon no topic shows any more goes, a new one is added with its picture; an icon
    // without a picture is left out.
    void updateIconFilterItems(std::vector<IconFilterItem>& items) const;
    // The size a picture is shown at in the icon filter: no higher than the limit, the width
    // scaled alike, both rounded.
    static Size iconFilterImageSize(Size size, double heightLimit);
    // The checkbox filter's pictures: 16 by 16, unchecked or checked.
    static Image checkedImage(bool checked);

    // SearchMatchListener
    void searchMatchesChanged() override;

private:
    MindMap* mindMap() const;
    void listenTo(MindMap* map);
    void showResults(size_t position, size_t count);

    MindMapEditor& _editor;
    MapSearchBarView* _view = nullptr;
    Size _fullSize;
    bool _advancedSearch = true;
    bool _scrollCenter = true;
    std::string _searchText;
    int _checkedIndex = 0;
    std::string _iconKey;
    int _dateIndex = 0;
    MindMapSearchData::Date _date;
    std::string _resultsText = "0/0";
    bool _navigationEnabled = false;
    std::deque<std::string> _recentSearches;
    // The map this listens to, so that a map switched away from or gone is let go of safely.
    std::weak_ptr<MindMap> _listenedMap;
    ObservationToken _cancelObservation;
};
