#include "Editor/TwToolbar.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>

// The toolbar's stored arrangement comes from the defaults file the user may edit: whatever the
// property list holds, the toolbar shows only identifiers it knows, each at most once apart from
// spaces and separators.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::optional<PropertyList> stored = PropertyList::fromData(PropertyList::Data(data, data + size));
    const std::vector<std::string> identifiers = TwToolbar::sanitizedIdentifiers(stored ? *stored : PropertyList());
    const auto& allowed = TwToolbar::allowedItemIdentifiers();
    std::set<std::string> seen;
    for (const std::string& identifier : identifiers) {
        if (std::find(allowed.begin(), allowed.end(), identifier) == allowed.end()) std::abort();
        if (!TwToolbar::isSpaceOrSeparator(identifier) && !seen.insert(identifier).second) std::abort();
    }
    // Without the explorers there is no search field to show; every other item is shown.
    std::vector<std::string> shown;
    for (const std::string& identifier : identifiers)
        if (identifier != TwToolbar::SearchItemIdentifier) shown.push_back(identifier);
    TwToolbar toolbar({});
    toolbar.setItemIdentifiers(identifiers);
    if (toolbar.itemIdentifiers() != shown) std::abort();
    return 0;
}
