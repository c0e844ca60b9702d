#pragma once

#include "platform/Menu.h"
#include "platform/NotificationCenter.h"

#include <vector>

// Keeps each menu popped up with where it was asked to appear; choose() plays the user picking an
// item of the last one, with the notifications a real menu posts.
class RecordingMenuPresenter : public MenuPresenter {
public:
    struct Popup {
        Menu* menu;
        Point point;
        int positionedItem;
    };

    void popUpMenu(Menu& menu, Point inView, int positionedItem, ChosenHandler chosen) override
    {
        NotificationCenter::defaultCenter().post(MenuDidBeginTrackingNotification, &menu);
        popups.push_back({&menu, inView, positionedItem});
        _chosen = std::move(chosen);
    }

    void choose(size_t index)
    {
        Menu* menu = popups.back().menu;
        NotificationCenter::defaultCenter().post(MenuWillSendActionNotification, menu);
        if (_chosen) _chosen(*menu->items().at(index));
    }

    std::vector<Popup> popups;

private:
    ChosenHandler _chosen;
};
