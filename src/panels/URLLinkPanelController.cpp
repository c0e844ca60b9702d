#include "panels/URLLinkPanelController.h"

#include "MindMaps/DiagramLink.h"
#include "Utils/ProtocolUtils.h"
#include "platform/Localizer.h"
#include "platform/UriLauncher.h"

#include <filesystem>

URLLinkPanelController::URLLinkPanelController(const std::string& link, bool isCloudMap,
                                               const std::string& providerTitle, bool hasLink)
    : _field(link), _isCloudMap(isCloudMap), _hasLink(hasLink)
{
    // The provider's title fills the object placeholder; the translation is never a format.
    _uploadTitle = isCloudMap && !providerTitle.empty() ? localizedFormat(UploadToKey, {providerTitle})
                                                        : localized(UploadToCloudKey);
    updateStatus();
}

void URLLinkPanelController::setField(const std::string& text)
{
    _field = text;
    updateStatus();
}

void URLLinkPanelController::uploadToggled(bool on)
{
    _uploadOn = on && _uploadEnabled;
}

void URLLinkPanelController::updateStatus()
{
    std::error_code error;
    _uploadEnabled = _isCloudMap && !_field.empty() && !ProtocolUtils::containsProtocol(_field) &&
        std::filesystem::exists(_field, error) && !std::filesystem::is_directory(_field, error);
    if (!_uploadEnabled) _uploadOn = false;
}

bool URLLinkPanelController::testLinkClicked() const
{
    Error error;
    if (DiagramLink::openURLLink(_field, &error)) return true;
    UriLauncher::reportFailure(error);
    return false;
}
