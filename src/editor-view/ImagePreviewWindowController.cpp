#include "editor-view/ImagePreviewWindowController.h"

#include "Utils/LinkLaunchPolicy.h"
#include "platform/UriLauncher.h"

namespace {

class DesktopImageViewer : public ImagePreviewWindowController {
public:
    bool loadImageFromUrl(const std::string& fileUrl) override
    {
        const LinkLaunchDecision decision = decideLinkLaunch(fileUrl);
        return decision.action == LinkLaunchAction::Open && UriLauncher::shared().openURL(decision.target);
    }
};

ImagePreviewWindowController* gController = nullptr;

} // namespace

bool ImagePreviewWindowController::showImageFromUrl(const std::string& fileUrl)
{
    static DesktopImageViewer desktop;
    return (gController ? *gController : static_cast<ImagePreviewWindowController&>(desktop)).loadImageFromUrl(fileUrl);
}

void ImagePreviewWindowController::setShared(ImagePreviewWindowController* controller)
{
    gController = controller;
}
