#include "Editor/CloudProgressWindowController.h"

#include "platform/Localizer.h"
#include "store/MindMapProvider.h"

namespace {

const char* progressTextKey(int32_t providerType)
{
    switch (providerType) {
    case MindMapProviderDropbox:
        return CloudProgressWindowController::DropboxProgressTextKey;
    case MindMapProviderGoogleDrive:
        return CloudProgressWindowController::GoogleDriveProgressTextKey;
    default:
        return nullptr;
    }
}

} // namespace

CloudProgressWindowController::CloudProgressWindowController(std::unique_ptr<CloudProgressWindowView> view,
                                                             int32_t providerType)
    : _view(std::move(view))
{
    if (!_view) return;
    const char* key = progressTextKey(providerType);
    _view->setLabel(key ? localized(key) : std::string());
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
    CloudFetchProgress::setPresenter(
        [factory = std::move(factory)](int32_t providerType) -> std::unique_ptr<CloudFetchProgress> {
            auto controller = std::make_unique<CloudProgressWindowController>(factory(), providerType);
            controller->showWindow();
            return controller;
        });
}
