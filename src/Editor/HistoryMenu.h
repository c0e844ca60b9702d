#pragma once

#include "platform/Menu.h"

#include <memory>
#include <string>

class TwkDocumentController;

// The maps visited lately, newest first, made anew each time the menu opens from the controller's
// recent list (maps that are gone are dropped from it then). Each item carries its HistoryPoint
// and sends ItemAction, which the controller answers by opening that map.
class HistoryMenu : public Menu {
public:
    static constexpr const char* ItemAction = "menuItemClicked:";

    explicit HistoryMenu(std::string title = {}) : Menu(std::move(title)) {}

    // Not owned; without a controller the menu stays empty.
    void setController(std::weak_ptr<TwkDocumentController> controller) { _controller = std::move(controller); }
    void menuNeedsUpdate() override;

private:
    std::weak_ptr<TwkDocumentController> _controller;
};
