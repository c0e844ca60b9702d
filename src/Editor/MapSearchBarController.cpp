#include "Editor/MapSearchBarController.h"

#include "MindMaps/CustomIcon.h"
#include "MindMaps/ImageStore.h"
#include "MindMaps/MapImageServices.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapElement.h"
#include "editor-view/MindMapEditor.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "render/ProgressIconPainter.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace {

// Titles of the icon filter's entries must differ from each other, so they are numbered.
int nextUniqueIconTitle()
{
    static int counter = 0;
    ++counter;
    if (counter > 31999) counter = 0;
    return counter;
}

// The user may edit the defaults file: a value that cannot stand for a flag leaves the flag as is.
bool storedFlag(const std::string& key, bool fallback)
{
    const UserDefaults& defaults = UserDefaults::standard();
    if (!defaults.hasUserValue(key)) return fallback;
    switch (defaults.objectForKey(key).type()) {
    case PropertyList::Type::Boolean:
    case PropertyList::Type::Integer:
    case PropertyList::Type::Real:
    case PropertyList::Type::String:
        return defaults.boolForKey(key);
    default:
        return fallback;
    }
}

} // namespace

MapSearchBarController::MapSearchBarController(MindMapEditor& editor, Size fullSize)
    : _editor(editor), _fullSize(fullSize), _date(std::chrono::system_clock::now())
{
    _advancedSearch = storedFlag(AdvancedModeKey, _advancedSearch);
    _scrollCenter = storedFlag(ScrollCenterKey, _scrollCenter);
    // Escape in any find bar closes it, whichever bar posted.
    _cancelObservation = NotificationCenter::defaultCenter().addObserver(CancelledNotification, nullptr,
                                                                         [this](const Notification&) { closeBar(); });
}

MapSearchBarController::~MapSearchBarController()
{
    listenTo(nullptr);
}

void MapSearchBarController::setView(MapSearchBarView* view)
{
    _view = view;
    if (!_view) return;
    _view->setAdvancedRowShown(_advancedSearch, viewHeight());
    _view->setResultsText(_resultsText);
    _view->setNavigationEnabled(_navigationEnabled);
}

MindMap* MapSearchBarController::mindMap() const
{
    return _editor.mindMap();
}

void MapSearchBarController::listenTo(MindMap* map)
{
    // The map keeps a plain pointer to its listener: one this bar no longer searches must forget
    // it, or it would call a bar that is gone.
    if (std::shared_ptr<MindMap> old = _listenedMap.lock(); old && old.get() != map) {
        if (old->searchListener() == this) {
            old->setSearchListener(nullptr);
            old->setSearchData(nullptr);
        }
    }
    _listenedMap.reset();
    if (!map) return;
    std::shared_ptr<MindMap> shared = _editor.sharedMindMap();
    if (shared.get() != map) return;
    _listenedMap = shared;
    map->setSearchListener(this);
}

void MapSearchBarController::startSearch()
{
    listenTo(mindMap());
    forceUpdateSearchMatches();
    if (!_view) return;
    _view->showBar();
    _view->focusSearchField();
}

void MapSearchBarController::editorMindMapChanged()
{
    if (!isShown()) {
        listenTo(nullptr);
        return;
    }
    listenTo(mindMap());
    forceUpdateSearchMatches();
}

void MapSearchBarController::setSearchText(const std::string& text)
{
    _searchText = text;
    updateSearchData();
}

void MapSearchBarController::setCheckedFilterIndex(int index)
{
    _checkedIndex = std::max(0, index);
    updateSearchData();
}

void MapSearchBarController::setIconFilter(const std::string& key)
{
    _iconKey = key;
    updateSearchData();
}

void MapSearchBarController::setDateFilterIndex(int index)
{
    _dateIndex = std::max(0, index);
    updateSearchData();
}

void MapSearchBarController::setFilterDate(MindMapSearchData::Date date)
{
    _date = date;
    updateSearchData();
}

MindMapSearchData MapSearchBarController::searchData() const
{
    MindMapSearchData data(_searchText);
    uint32_t scope = _searchText.empty() ? 0u : uint32_t(SearchScopeText);
    if (_checkedIndex > 0) {
        scope |= SearchScopeCheckedState;
        data.setCheckedState(_checkedIndex == 1 ? 0 : 1);
    }
    if (!_iconKey.empty()) {
        data.setIcon(_iconKey);
        scope |= SearchScopeIcon;
    }
    if (_dateIndex > 0) {
        data.setEarlierDate(_dateIndex == 1);
        data.setDate(_date);
        scope |= SearchScopeDate;
    }
    data.setScope(scope);
    return data;
}

void MapSearchBarController::updateSearchData()
{
    MindMap* map = mindMap();
    if (!map || _listenedMap.lock().get() != map) return;
    const MindMapSearchData data = searchData();
    map->setSearchData(&data);
}

void MapSearchBarController::forceUpdateSearchMatches()
{
    MindMap* map = mindMap();
    if (!map || _listenedMap.lock().get() != map) {
        showResults(0, 0);
        return;
    }
    const MindMapSearchData data = searchData();
    if (data.isEqual(map->searchData())) map->updateSearchMatches();
    else map->setSearchData(&data);
    // Criteria that find nothing to clear report nothing back.
    searchMatchesChanged();
}

void MapSearchBarController::searchMatchesChanged()
{
    MindMap* map = mindMap();
    if (!map || _listenedMap.lock().get() != map) {
        showResults(0, 0);
        return;
    }
    const auto& matches = map->searchMatches();
    size_t position = 0;
    if (MindMapElement* selected = map->selectedElement()) {
        auto it = std::find(matches.begin(), matches.end(), selected);
        if (it != matches.end()) position = static_cast<size_t>(it - matches.begin()) + 1;
    }
    showResults(position, matches.size());
}

void MapSearchBarController::showResults(size_t position, size_t count)
{
    _resultsText = formatText("%ld/%ld", {std::to_string(position), std::to_string(count)});
    _navigationEnabled = count > 0;
    if (!_view) return;
    _view->setResultsText(_resultsText);
    _view->setNavigationEnabled(_navigationEnabled);
}

void MapSearchBarController::selectNextMatch()
{
    MindMap* map = mindMap();
    if (!map || _listenedMap.lock().get() != map || map->searchMatches().empty()) {
        searchMatchesChanged();
        return;
    }
    const auto& matches = map->searchMatches();
    auto it = std::find(matches.begin(), matches.end(), map->selectedElement());
    size_t index = 0;
    if (it != matches.end()) index = (static_cast<size_t>(it - matches.begin()) + 1) % matches.size();
    scrollMatch(matches[index]);
}

void MapSearchBarController::selectPreviousMatch()
{
    MindMap* map = mindMap();
    if (!map || _listenedMap.lock().get() != map || map->searchMatches().empty()) {
        searchMatchesChanged();
        return;
    }
    const auto& matches = map->searchMatches();
    auto it = std::find(matches.begin(), matches.end(), map->selectedElement());
    size_t index = matches.size() - 1;
    if (it != matches.end() && it != matches.begin()) index = static_cast<size_t>(it - matches.begin()) - 1;
    scrollMatch(matches[index]);
}

void MapSearchBarController::navigationButtonClick(int segment)
{
    if (segment == 1) selectNextMatch();
    else selectPreviousMatch();
}

void MapSearchBarController::scrollMatch(MindMapElement* element)
{
    MindMap* map = mindMap();
    if (!map || !element) return;
    map->forceElementVisible(element);
    map->setSelectedElement(element);
    if (_scrollCenter) _editor.scrollSelectedElementToCenter();
    else _editor.scrollElementVisible(element);
    // The selection changing does not report back as a match change.
    searchMatchesChanged();
}

void MapSearchBarController::closeBar()
{
    listenTo(nullptr);
    if (MindMap* map = mindMap()) {
        if (map->searchListener() == this) map->setSearchListener(nullptr);
        map->setSearchData(nullptr);
    }
    showResults(0, 0);
    if (_view && _view->isBarShown()) _view->hideBar();
    _editor.setNeedsDisplay();
    if (MindMapEditorHost* host = _editor.host()) host->focusEditor();
}

void MapSearchBarController::setAdvancedSearch(bool advanced)
{
    if (advanced == _advancedSearch) return;
    _advancedSearch = advanced;
    if (_view) _view->setAdvancedRowShown(_advancedSearch, viewHeight());
}

void MapSearchBarController::toggleAdvancedSearch()
{
    setAdvancedSearch(!_advancedSearch);
    UserDefaults::standard().setBool(AdvancedModeKey, _advancedSearch);
}

void MapSearchBarController::toggleScrollCenter()
{
    _scrollCenter = !_scrollCenter;
    UserDefaults::standard().setBool(ScrollCenterKey, _scrollCenter);
}

double MapSearchBarController::viewHeight() const
{
    return _advancedSearch ? _fullSize.height : _fullSize.height - AdvancedRowHeight;
}

bool MapSearchBarController::isMenuItemChecked(int tag) const
{
    if (tag == AdvancedSearchTag) return _advancedSearch;
    if (tag == ScrollCenterTag) return _scrollCenter;
    return false;
}

void MapSearchBarController::addRecentSearch(const std::string& text)
{
    if (text.empty()) return;
    _recentSearches.erase(std::remove(_recentSearches.begin(), _recentSearches.end(), text), _recentSearches.end());
    _recentSearches.push_front(text);
    if (_recentSearches.size() > MaximumRecentSearches) _recentSearches.resize(MaximumRecentSearches);
}

void MapSearchBarController::clearRecentSearches()
{
    _recentSearches.clear();
}

Size MapSearchBarController::iconFilterImageSize(Size size, double heightLimit)
{
    if (!(size.height > heightLimit)) return size;
    const double width = size.width * heightLimit / size.height;
    return {std::round(width), std::round(heightLimit)};
}

void MapSearchBarController::updateIconFilterItems(std::vector<IconFilterItem>& items) const
{
    std::set<std::string> keys;
    if (MindMap* map = mindMap()) map->collectReferencedIcons(keys);
    // The first entry stands for any icon and stays.
    if (items.empty()) items.emplace_back();
    for (size_t i = items.size(); i-- > 1;) {
        auto found = keys.find(items[i].key);
        if (found == keys.end()) items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
        else keys.erase(found);
    }
    MindMap* map = mindMap();
    for (const std::string& key : keys) {
        std::shared_ptr<const Image> image;
        double limit = StockIconHeightLimit;
        if (CustomIcon::isCustomIconImageName(key)) {
            limit = CustomIconHeightLimit;
            if (ImageStore* store = map ? map->imageStore() : nullptr)
                image = store->customImageWithHash(key.substr(1));
        } else {
            image = mapImageServicesInstance().stockIconNamed(key);
        }
        if (!image || image->isNull()) continue;
        IconFilterItem item;
        item.uniqueTitle = nextUniqueIconTitle();
        item.key = key;
        item.imageSize = iconFilterImageSize(image->size(), limit);
        item.image = std::move(image);
        items.push_back(std::move(item));
    }
}

Image MapSearchBarController::checkedImage(bool checked)
{
    Image image(16, 16);
    if (image.isNull()) return image;
    CairoContext cr(cairo_create(image.surface()));
    {
        CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Bitmap);
        ProgressIconPainter painter;
        painter.setCheckboxMode(1);
        painter.setProgress(checked ? 100 : 0);
        painter.setTintColor(Color(60 / 255.0, 153 / 255.0, 252 / 255.0, 1.0));
        painter.draw(context, insetRect(Rect{0, 0, 16, 16}, 2.0, 2.0));
    }
    cr.reset();
    cairo_surface_flush(image.surface());
    return image;
}
