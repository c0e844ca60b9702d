#include "Editor/Menu.h"

#include <algorithm>

MenuItem MenuItem::separatorItem()
{
    MenuItem item;
    item.isSeparator = true;
    return item;
}

MenuItem::MenuItem(std::string title, std::string action, std::string keyEquivalent)
    : title(std::move(title)), action(std::move(action)), keyEquivalent(std::move(keyEquivalent))
{
}

MenuItem* Menu::itemWithAction(const std::string& action)
{
    auto it = std::find_if(items.begin(), items.end(),
                           [&](const MenuItem& item) { return !item.isSeparator && item.action == action; });
    return it == items.end() ? nullptr : &*it;
}

MenuItem* Menu::itemWithTitle(const std::string& itemTitle)
{
    auto it = std::find_if(items.begin(), items.end(),
                           [&](const MenuItem& item) { return !item.isSeparator && item.title == itemTitle; });
    return it == items.end() ? nullptr : &*it;
}

void Menu::removeFirstItemWithAction(const std::string& action)
{
    auto it = std::find_if(items.begin(), items.end(),
                           [&](const MenuItem& item) { return !item.isSeparator && item.action == action; });
    if (it != items.end()) items.erase(it);
}

MenuItem& Menu::addItem(MenuItem item)
{
    items.push_back(std::move(item));
    return items.back();
}
