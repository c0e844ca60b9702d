#pragma once

#include "platform/Geometry.h"

#include <string>

// Shows a picture at its full size. The preview window comes with the application's widgets; until
// one is installed, the picture opens in the desktop's image viewer.
class ImagePreviewWindowController {
public:
    // The window's content is never smaller than this on either side...
    static constexpr double MinimumContentSide = 150;
    // ...nor larger than this share of the matching side of the screen's work area.
    static constexpr double MaximumScreenShare = 0.75;

    virtual ~ImagePreviewWindowController() = default;

    // true when the picture is shown.
    virtual bool loadImageFromUrl(const std::string& fileUrl) = 0;

    // Through the installed preview.
    static bool showImageFromUrl(const std::string& fileUrl);
    // Installs the preview (not owned); nullptr brings back the desktop's viewer.
    static void setShared(ImagePreviewWindowController* controller);

    // The content size of the window for a picture of that size (points) on a screen whose work
    // area has that size; the screen's limit wins over the minimum. An empty work area limits
    // nothing.
    static Size contentSize(Size imageSize, Size workArea);
};
