#include "editor-view/ImageLinkData.h"

#include "store/CustomImageSettings.h"

namespace {

class DefaultImageLinkPanel : public ImageLinkPanel {
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

ImageLinkPanel* gPanel = nullptr;

} // namespace

bool ImageLinkPanel::executeWithImageLinkData(ImageLinkData& data)
{
    static DefaultImageLinkPanel fallback;
    return (gPanel ? *gPanel : static_cast<ImageLinkPanel&>(fallback)).run(data);
}

void ImageLinkPanel::setShared(ImageLinkPanel* panel)
{
    gPanel = panel;
}
