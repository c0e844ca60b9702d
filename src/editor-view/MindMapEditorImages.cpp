// The picture commands: custom images, embedded images and image topics from files, the clipboard
// and the current cloud storage.
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/CustomImageHandler.h"
#include "editor-view/MindMapEditor.h"
#include "platform/FileChooser.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "platform/Pasteboard.h"
#include "store/CustomImageStore.h"

namespace {

constexpr int ImageTopicSizeLimit = 320;

// Decoded no larger than it is stored: a large photo is never held whole.
std::string importReduced(CustomImageStore& store, const std::string& path)
{
    return store.importImage(Image::fromFile(path, ImageTopicSizeLimit), ImageTopicSizeLimit);
}

} // namespace

void MindMapEditor::registerPictureActions()
{
    addAction("addContactLink:", [this](const ActionSender*) {
        if (enabled()) addContacLink();
    });
    addAction("openFullSizeImage:", [this](const ActionSender*) {
        if (enabled()) openFullSizeImage();
    });
    registerDropActions();
}

std::optional<std::string> MindMapEditor::pickImageFile()
{
    cancelEditorModes(true);
    FileChooser::OpenOptions options;
    options.title = localized("explorer_select_image_title");
    options.allowedTypes = Image::readableFileExtensions();
    const std::vector<std::string> paths = FileChooser::shared().runOpenPanel(options);
    if (paths.empty() || paths.front().empty()) return std::nullopt;
    return paths.front();
}

void MindMapEditor::addCustomImage()
{
    if (!enabled() || _readOnly) return;
    cancelEditorModes(true);
    _mindMap->forceSingleSelection();
    if (std::optional<std::string> path = pickImageFile()) addImageFromFile(*path, nullptr);
}

void MindMapEditor::addImageFromFile(const std::string& path, MindMapNode* node)
{
    if (!enabled() || _readOnly) return;
    cancelEditorModes(true);
    if (node) _mindMap->setSelectedElement(node);
    else _mindMap->forceSingleSelection();
    std::make_shared<CustomImageHandler>(_mindMap)->addImageFromFile(path);
}

void MindMapEditor::addImageFromCloud(const std::string& cloudPath, MindMapNode* node)
{
    if (!enabled() || _readOnly) return;
    cancelEditorModes(true);
    if (node) _mindMap->setSelectedElement(node);
    else _mindMap->forceSingleSelection();
    // The handler keeps itself alive until the picture has come.
    std::make_shared<CustomImageHandler>(_mindMap)->addImageFromCurrentCloud(cloudPath);
}

void MindMapEditor::addImageFromPasteboard(const Pasteboard* pasteboard, MindMapNode* node)
{
    if (!enabled() || _readOnly || !pasteboard || !node) return;
    cancelEditorModes(true);
    _mindMap->setSelectedElement(node);
    std::make_shared<CustomImageHandler>(_mindMap)->addImageFromPasteboard(*pasteboard);
}

void MindMapEditor::editSelectedImage()
{
    if (!enabled() || _readOnly) return;
    cancelEditorModes(true);
    _mindMap->forceSingleSelection();
    MindMapImage* image = _mindMap->selectedImage();
    if (!image) return;
    const std::string guid = image->guid();
    const std::optional<std::string> path = pickImageFile();
    // The file panel ran modally: the image must still be the selected one.
    if (!path || _mindMap->selectedImage() != image || _mindMap->selectedElementGuid() != guid) return;
    std::make_shared<CustomImageHandler>(_mindMap)->changeImage(image, *path);
}

void MindMapEditor::addImageAsTopic()
{
    if (!enabled() || _readOnly) return;
    cancelEditorModes(true);
    _mindMap->forceSingleSelection();
    const std::optional<std::string> path = pickImageFile();
    auto* store = dynamic_cast<CustomImageStore*>(_mindMap->imageStore());
    if (!path || !store) return;
    const std::string hash = importReduced(*store, *path);
    if (!hash.empty()) _mindMap->addImageAsTopicWithHash(hash);
}

void MindMapEditor::invokeEmbeddedImagePicker()
{
    if (!enabled() || _readOnly) return;
    cancelEditorModes(true);
    const std::optional<std::string> path = pickImageFile();
    auto* store = dynamic_cast<CustomImageStore*>(_mindMap->imageStore());
    if (!path || !store) return;
    const std::string hash = importReduced(*store, *path);
    if (!hash.empty()) _mindMap->selectEmbeddedImage(hash);
}
