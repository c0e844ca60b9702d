#pragma once

#include <string>

// Shows a picture at its full size. The preview window comes with the application's panels; until
// one is installed, the picture opens in the desktop's image viewer.
class ImagePreviewWindowController {
public:
    virtual ~ImagePreviewWindowController() = default;

    // true when the picture is shown.
    virtual bool loadImageFromUrl(const std::string& fileUrl) = 0;

    // Through the installed preview.
    static bool showImageFromUrl(const std::string& fileUrl);
    // Installs the preview (not owned); nullptr brings back the desktop's viewer.
    static void setShared(ImagePreviewWindowController* controller);
};
