#pragma once

#include "editor-view/PdfPreviewManager.h"

// Opens a linked PDF in the desktop's PDF viewer at the linked page, where the viewer is one that
// takes a page on its command line; any other viewer opens the file at its start.
class GtkPdfPageViewer : public PdfPreviewManager::Viewer {
public:
    bool openPdfFile(const std::string& path, int64_t pageNumber) override;
};
