#pragma once

#include "Editor/TwToolbar.h"
#include "Editor/gtk/MainToolbar.h"
#include "platform/NotificationCenter.h"

#include <functional>
#include <memory>
#include <vector>

class CheckboxMenuHandler;
class MainWindow;
class TwkDocumentController;

// The main window's toolbar wired to the window: placed under the menu bar, validated with the
// window's other bars, its search field handed to the explorers, its zoom text following the
// editor's zoom.
class MainWindowToolbar {
public:
    MainWindowToolbar(MainWindow& window, const std::shared_ptr<TwkDocumentController>& documentController,
                      CheckboxMenuHandler& checkboxMenuHandler);
    ~MainWindowToolbar();
    MainWindowToolbar(const MainWindowToolbar&) = delete;
    MainWindowToolbar& operator=(const MainWindowToolbar&) = delete;

    TwToolbar& toolbar() { return *_toolbar; }
    MainToolbar& widget() { return *_widget; }
    // Shows the editor's zoom in the zoom item.
    void showZoomFactor();

    // The link the "document" segments send to: the first responder ahead of the document that
    // takes their action, the side bar left out, else the document controller's document of the
    // moment. That document goes when the application quits, while the window still validates its
    // bars.
    class CurrentDocument : public Responder {
    public:
        // sideBar answers the responder of the side bar's explorer shown, if any.
        CurrentDocument(std::weak_ptr<TwkDocumentController> controller, std::function<Responder*()> sideBar)
            : _controller(std::move(controller)), _sideBar(std::move(sideBar))
        {
        }
        Responder* document() const;
        bool respondsToAction(const std::string& action) const override;
        bool performAction(const std::string& action, const ActionSender* sender) override;
        ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override;

    private:
        Responder* handler(const std::string& action) const;
        std::weak_ptr<TwkDocumentController> _controller;
        std::function<Responder*()> _sideBar;
    };

private:
    MainWindow& _window;
    CurrentDocument _document;
    std::unique_ptr<TwToolbar> _toolbar;
    std::unique_ptr<MainToolbar> _widget;
    std::vector<ObservationToken> _observations;
};
