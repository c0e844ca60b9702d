#include "editor-view/ImageLinkPanelController.h"

#include "store/CustomImageSettings.h"

namespace {

class DefaultImageLinkPanel : public ImageLinkPanelController {
public:
    bool run(ImageLinkData& data) override
    {
        const CustomImageSettings& settings = CustomImageSettings::customImageSettings();
        data.setLinkMode(ImageLinkData::Embed);
        data.setThumbnailSize(settings.thumbnailSize());
        data.setUploadSize(settings.imageSizeLimit());
        return true;
    }
};

ImageLinkPanelController* gPanel = nullptr;

} // namespace

bool ImageLinkPanelController::executeWithImageLinkData(ImageLinkData& data)
{
    static DefaultImageLinkPanel fallback;
    return (gPanel ? *gPanel : static_cast<ImageLinkPanelController&>(fallback)).run(data);
}

void ImageLinkPanelController::setShared(ImageLinkPanelController* panel)
{
    gPanel = panel;
}
