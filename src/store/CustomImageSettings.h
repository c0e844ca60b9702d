#pragma once

#include <cstdint>

// The image settings the user chooses in the preferences, kept in the user defaults.
class CustomImageSettings {
public:
    static constexpr const char* ImageSizeLimitKey = "Images.ImageSizeLimit";
    static constexpr const char* ThumbnailSizeKey = "Images.ThumbnailSize";
    static constexpr const char* AddInNativeDensityKey = "Images.AddInNativeDensity";

    static constexpr int64_t DefaultImageSizeLimit = 320;
    static constexpr int64_t MinimumImageSizeLimit = 160;
    // What the preferences offer as "unrestricted".
    static constexpr int64_t MaximumImageSizeLimit = 0xFFFFFF;
    static constexpr int64_t DefaultThumbnailSize = 160;
    static constexpr int64_t MinimumThumbnailSize = 24;
    static constexpr int64_t MaximumThumbnailSize = 320;

    // The defaults, not yet read from the user defaults.
    CustomImageSettings() = default;

    // The shared settings, read from the user defaults on first use.
    static CustomImageSettings& customImageSettings();

    // Applies each stored value that is a number; values of other types are ignored.
    void loadSettings();
    void saveSettings() const;

    // The longest side, in pixels, to which imported images are scaled down.
    int64_t imageSizeLimit() const { return _imageSizeLimit; }
    // Whether the add-image command adds images at their native pixel density.
    bool addInNativeDensity() const { return _addInNativeDensity; }
    // The size, in pixels, of the thumbnails made for topics.
    int64_t thumbnailSize() const { return _thumbnailSize; }

    // Clamped to 160 ... 0xFFFFFF.
    void setImageSizeLimit(int64_t imageSizeLimit);
    // Clamped to 24 ... 320.
    void setThumbnailSize(int64_t thumbnailSize);
    // Sets all three as the preferences chose them and saves them.
    void setImageSizeLimit(int64_t imageSizeLimit, bool addInNativeDensity, int64_t thumbnailSize);

private:
    int64_t _imageSizeLimit = DefaultImageSizeLimit;
    bool _addInNativeDensity = false;
    int64_t _thumbnailSize = DefaultThumbnailSize;
};
