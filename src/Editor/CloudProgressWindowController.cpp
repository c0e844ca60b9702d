#include "Editor/CloudProgressWindowController.h"

#include "platform/Localizer.h"

CloudProgressWindowController::CloudProgressWindowController(std::unique_ptr<CloudProgressWindowView> view)
    : _view(std::move(view))
{
    if (!_view) return;
    _view->setLabel(localized(ProgressTextKey));
    _view->startProgressIndicator();
}

CloudProgressWindowController::~CloudProgressWindowController()
{
    close();
}

void CloudProgressWindowController::showWindow()
{
    if (_view) _view->showCentred();
}

void CloudProgressWindowController::close()
{
    if (!_view) return;
    _view->close();
    _view.reset();
}

void CloudProgressWindowController::install(ViewFactory factory)
{
    if (!factory) {
        CloudFetchProgress::setPresenter(nullptr);
        return;
    }
    CloudFetchProgress::setPresenter([factory = std::move(factory)]() -> std::unique_ptr<CloudFetchProgress> {
        auto controller = std::make_unique<CloudProgressWindowController>(factory());
        controller->showWindow();
        return controller;
    });
}
