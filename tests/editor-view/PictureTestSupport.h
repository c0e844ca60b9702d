#pragma once

#include "editor-view/ImageLinkData.h"
#include "editor-view/ImagePreviewWindowController.h"
#include "editor-view/PdfPreviewManager.h"
#include "platform/CairoGuard.h"
#include "platform/Image.h"
#include "store/EditorInterface.h"
#include "store/MindMapProvider.h"
#include "store/MindMapStorage.h"

#include <cairo.h>

#include <any>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace picturetest {

// An opaque picture of that many pixels, red left and blue right so that it is no flat colour.
inline Image makePicture(int width, int height)
{
    Image image(width, height);
    const CairoContext context(cairo_create(image.surface()));
    cairo_set_source_rgb(context.get(), 0.8, 0.1, 0.1);
    cairo_paint(context.get());
    cairo_set_source_rgb(context.get(), 0.1, 0.1, 0.8);
    cairo_rectangle(context.get(), width / 2.0, 0, width / 2.0, height);
    cairo_fill(context.get());
    cairo_surface_flush(image.surface());
    return image;
}

inline std::vector<uint8_t> pictureData(int width, int height)
{
    return *makePicture(width, height).pngData();
}

inline void writePicture(const std::string& path, int width, int height)
{
    makePicture(width, height).writePng(path);
}

// Keeps the pictures shown at full size instead of showing them; installed while it lives.
class RecordingImagePreview : public ImagePreviewWindowController {
public:
    RecordingImagePreview() { ImagePreviewWindowController::setShared(this); }
    ~RecordingImagePreview() override { ImagePreviewWindowController::setShared(nullptr); }
    bool loadImageFromUrl(const std::string& fileUrl) override
    {
        shown.push_back(fileUrl);
        return true;
    }
    std::vector<std::string> shown;
};

// A cloud provider that keeps what is uploaded and fetched, and answers with the links it is told.
class FakeCloudProvider : public MindMapProvider {
public:
    struct Upload {
        std::string fromPath;
        std::string targetName;
        // The picture's size when it was uploaded (the file is gone afterwards when temporary).
        int width = 0;
        int height = 0;
    };

    FakeCloudProvider() : MindMapProvider(MindMapProviderDropbox) {}

    bool enabled() const override { return signedIn; }
    std::string title() const override { return "Cloudy"; }
    std::string uploadMedia(uint32_t, const std::string& fromPath, const std::string& targetName,
                            MindMapStorage*) override
    {
        const Image image = Image::fromFile(fromPath);
        uploads.push_back({fromPath, targetName, image.pixelWidth(), image.pixelHeight()});
        return uploadAnswer.empty() ? std::string() : uploadAnswer + targetName;
    }
    std::string buildPathBasedLink(const std::string& path) override { return "/Apps" + path; }
    void openCloudLink(const std::string& link) override { openedLinks.push_back(link); }
    void getImageFromLink(const std::string& link, const ImageAvailableCallback& onAvailable) override
    {
        fetched.push_back(link);
        // As a busy service answers: nothing, before the call returns.
        if (busy) onAvailable({}, {});
        else pendingFetch = onAvailable;
    }

    bool signedIn = true;
    bool busy = false;
    std::string uploadAnswer = "/Images/";
    std::vector<Upload> uploads;
    std::vector<std::string> openedLinks;
    std::vector<std::string> fetched;
    ImageAvailableCallback pendingFetch;
};

// The editor interface with a current storage the test chooses, keeping the maps it is asked to
// open. Installed while it lives.
class StorageEditorInterface : public NullEditorInterface {
public:
    struct Opening {
        std::string providerId;
        std::string mindMapId;
        std::string element;
    };

    MindMapStorage* currentStorage() override { return storage.get(); }
    MindMapProvider* currentProvider() override { return storage ? storage->provider() : nullptr; }
    void asyncOpenMindMap(const std::string& providerId, const std::string& mindMapId, const std::any& info) override
    {
        const auto* element = std::any_cast<std::string>(&info);
        openings.push_back({providerId, mindMapId, element ? *element : std::string()});
    }

    std::shared_ptr<MindMapStorage> storage;
    std::vector<Opening> openings;
};

// Installs a StorageEditorInterface with a storage of a local and of a cloud provider to choose
// from; removes it and lets the storages go when it goes.
class EditorInterfaceScope {
public:
    EditorInterfaceScope()
    {
        SetEditorInterfaceInstance(editor);
        localStorage = MindMapStorage::create<MindMapStorage>(&local, std::string("0123456789ABCDEF01234567"));
        cloudStorage = MindMapStorage::create<MindMapStorage>(cloud.get(), std::string("/Maps/Plan.twkx"));
        editor->storage = localStorage;
    }
    ~EditorInterfaceScope()
    {
        editor->storage.reset();
        SetEditorInterfaceInstance(nullptr);
        localStorage->dispose();
        cloudStorage->dispose();
    }
    EditorInterfaceScope(const EditorInterfaceScope&) = delete;
    EditorInterfaceScope& operator=(const EditorInterfaceScope&) = delete;

    void useLocalMap() { editor->storage = localStorage; }
    void useCloudMap() { editor->storage = cloudStorage; }

    MindMapProvider local{MindMapProviderLocal};
    std::shared_ptr<FakeCloudProvider> cloud = std::make_shared<FakeCloudProvider>();
    std::shared_ptr<StorageEditorInterface> editor = std::make_shared<StorageEditorInterface>();
    std::shared_ptr<MindMapStorage> localStorage;
    std::shared_ptr<MindMapStorage> cloudStorage;
};

// Answers the image-link panel as the test scripts it, keeping the data it was shown.
class ScriptedImageLinkPanel : public ImageLinkPanel {
public:
    ScriptedImageLinkPanel() { ImageLinkPanel::setShared(this); }
    ~ScriptedImageLinkPanel() override { ImageLinkPanel::setShared(nullptr); }

    bool run(ImageLinkData& data) override
    {
        shownOptions.push_back(data.options());
        shownSourceSizes.push_back(data.sourceSize());
        data.setLinkMode(linkMode);
        data.setThumbnailSize(thumbnailSize);
        data.setUploadSize(uploadSize);
        data.setConvertToPng(convertToPng);
        if (whileShown) whileShown();
        return confirms;
    }

    bool confirms = true;
    int32_t linkMode = ImageLinkData::Embed;
    int64_t thumbnailSize = 160;
    int64_t uploadSize = 320;
    bool convertToPng = false;
    std::function<void()> whileShown;
    std::vector<uint32_t> shownOptions;
    std::vector<Size> shownSourceSizes;
};

// Keeps the PDF pages it is asked to show. Installed while it lives.
class RecordingPdfViewer : public PdfPreviewManager::Viewer {
public:
    RecordingPdfViewer() { PdfPreviewManager::setViewer(this); }
    ~RecordingPdfViewer() override { PdfPreviewManager::setViewer(nullptr); }
    bool openPdfFile(const std::string& path, int64_t pageNumber) override
    {
        opened.emplace_back(path, pageNumber);
        return true;
    }
    std::vector<std::pair<std::string, int64_t>> opened;
};

} // namespace picturetest
