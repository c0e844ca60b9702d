#pragma once

#include "panels/ImageSizePopupButtons.h"

#include <cstddef>

class CustomImageSettings;

// The image pane without its widgets: the two size popups and the density radios stand for the
// three image settings, which change together.
class ImageSettingsModel {
public:
    static constexpr const char* CleanupLocalImagesKey = "cleanupLocalImages";

    explicit ImageSettingsModel(CustomImageSettings& settings);

    // The popup items to select for the settings as they stand.
    size_t imageSizeIndex() const;
    size_t thumbnailSizeIndex() const;
    bool addInNativeDensity() const;

    // Any control changed: the settings take all three at once (clamped) and are saved.
    void imageOptionsChanged(long imageSizeIndex, bool nativeDensity, long thumbnailSizeIndex);

private:
    CustomImageSettings& _settings;
};
