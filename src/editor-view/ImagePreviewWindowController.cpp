#include "editor-view/ImagePreviewWindowController.h"

#include "Utils/LinkLaunchPolicy.h"
#include "platform/UriLauncher.h"

#include <algorithm>
#include <cmath>

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

Size ImagePreviewWindowController::contentSize(Size imageSize, Size workArea)
{
    const auto side = [](double image, double screen) {
        double result = std::isfinite(image) ? std::max(image, MinimumContentSide) : MinimumContentSide;
        if (std::isfinite(screen) && screen > 0) result = std::min(result, std::floor(screen * MaximumScreenShare));
        return result;
    };
    return {side(imageSize.width, workArea.width), side(imageSize.height, workArea.height)};
}
