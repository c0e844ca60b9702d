#pragma once

#include "editor-view/ImageLinkData.h"
#include "panels/ImageSizePopupButtons.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

// The image link panel: how a large picture added to a topic is stored (embedded at a size limit,
// linked to its file, or uploaded to the map's cloud), at which thumbnail size and, for uploads,
// whether it becomes a PNG. The window shows what this decides and reports the user's clicks.
class ImageLinkPanelController {
public:
    static constexpr const char* TitleKey = "topic_menu_custom_image";
    static constexpr const char* ModeLabelKey = "image_picker_link_mode";
    static constexpr const char* ThumbnailLabelKey = "image_picker_thumbnail_size";
    static constexpr const char* EmbeddedSizeLabelKey = "image_picker_embedded_image_size";
    static constexpr const char* UploadSizeLabelKey = "image_picker_upload_size";
    static constexpr const char* ConvertToPngKey = "image_picker_convert_to_png";
    static constexpr const char* ConvertToPngHintKey = "image_picker_convert_png_hint";
    static constexpr const char* FrameName = "ImageLinkPanelFrame";
    // Where the upload size starts whatever the record said.
    static constexpr int64_t InitialUploadSize = 1280;

    struct ModeRadio {
        int32_t linkMode;
        const char* titleKey;
        bool enabled = true;
        bool on = false;
    };

    // The size popup below the mode radios: which sizes it offers and which one it shows.
    struct SizePopup {
        bool visible = false;
        const char* labelKey = EmbeddedSizeLabelKey;
        ImageSizePopupButtons::Items items;
        size_t selectedIndex = 0;
    };

    // The window: shows the controller, runs modally and answers the modal result (1 for OK).
    using Window = std::function<int(ImageLinkPanelController& controller)>;
    static void setWindow(Window window);
    // Runs the panel; true when confirmed, with the choices written into the record. Without a
    // window, or when the panel is closed any other way than by OK, the record stays as it was.
    static bool executeWithImageLinkData(ImageLinkData& data);

    ImageLinkPanelController();

    // Sets the controls from the record.
    void setLinkData(const ImageLinkData& data);
    // Writes the controls into the record.
    void commitToLinkData(ImageLinkData& data) const;

    uint32_t options() const { return _options; }
    // The tag of the first radio that is on; embed when none is.
    int32_t selectedLinkMode() const;
    // Turns on exactly the radio with that mode (none for an unknown one).
    void setSelectedLinkMode(int32_t linkMode);
    // A mode radio was clicked: it is on now, and the controls follow the mode.
    void linkModeRadioClicked(int32_t linkMode);
    // The controls follow the selected mode.
    void linkModeRadiosClicked();

    const std::array<ModeRadio, 3>& modeRadios() const { return _modeRadios; }
    const Image* previewImage() const { return _image; }
    // "image_size_width_x_height_fmt" with the picture's size.
    const std::string& sourceSizeText() const { return _sourceSizeText; }

    ImageSizePopupButtons::Items thumbnailSizes() const { return ImageSizePopupButtons::ThumbnailImageSizes; }
    size_t thumbnailIndex() const { return _thumbnailIndex; }
    void selectThumbnailIndex(size_t index);
    int64_t thumbnailSize() const;

    const SizePopup& sizePopup() const { return _sizePopup; }
    void selectSizeIndex(size_t index);
    int64_t selectedSize() const;

    bool convertToPngVisible() const { return _convertToPngVisible; }
    bool convertToPngChecked() const { return _convertToPngChecked; }
    void setConvertToPngChecked(bool checked) { _convertToPngChecked = checked; }

    // Called whenever the controller changed what the window shows by itself.
    void setChangedHandler(std::function<void()> handler) { _changed = std::move(handler); }

private:
    void changed();

    std::array<ModeRadio, 3> _modeRadios;
    uint32_t _options = 0;
    const Image* _image = nullptr;
    std::string _sourceSizeText;
    size_t _thumbnailIndex = 0;
    SizePopup _sizePopup;
    bool _convertToPngVisible = false;
    bool _convertToPngChecked = false;
    std::function<void()> _changed;
};
