#pragma once

// Told whenever the map recomputes its search matches (the search bar), which then re-reads them.
class SearchMatchListener {
public:
    virtual ~SearchMatchListener() = default;
    virtual void searchMatchesChanged() = 0;
};
