#include "panels/IconPickerBrowsers.h"

#include "MindMaps/ImageStore.h"
#include "Utils/FeedbackSink.h"
#include "panels/IconPickerOrder.h"
#include "platform/FileChooser.h"
#include "platform/Localizer.h"
#include "store/CustomImageStore.h"
#include "store/StockIcons.h"

#include <algorithm>

namespace {

constexpr const char* MissingIconImage = "globe_32";

std::string withoutExtension(const std::string& fileName)
{
    const size_t dot = fileName.rfind('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

} // namespace

// ---- ImageBrowserModel ----

std::vector<size_t> ImageBrowserModel::normalized(std::vector<size_t> indexes) const
{
    const size_t count = numberOfItems();
    std::erase_if(indexes, [count](size_t index) { return index >= count; });
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    return indexes;
}

void ImageBrowserModel::setSelectionIndexes(std::vector<size_t> indexes, bool scrollToFirst)
{
    _selection = normalized(std::move(indexes));
    std::optional<size_t> scrollTo;
    if (scrollToFirst && !_selection.empty()) scrollTo = _selection.front();
    if (_view.selectionChanged) _view.selectionChanged(scrollTo);
}

void ImageBrowserModel::userSelected(std::vector<size_t> indexes)
{
    _selection = normalized(std::move(indexes));
}

void ImageBrowserModel::passivateBrowser()
{
    _hidden = true;
    if (_view.hide) _view.hide();
}

void ImageBrowserModel::reloadData()
{
    // Indexes of the old list would name other items now.
    _selection = normalized(std::move(_selection));
    if (_view.reloadData) _view.reloadData();
}

// ---- Stock icons ----

std::shared_ptr<const Image> StockItemBrowserItem::image() const
{
    if (std::shared_ptr<const Image> icon = StockIcons::instance().iconNamed(iconName)) return icon;
    static const std::shared_ptr<const Image> missing = std::make_shared<Image>(Image::fromResource(MissingIconImage));
    return missing->isNull() ? nullptr : missing;
}

StockIconBrowserController::StockIconBrowserController(const StockIconStore& stockIconStore)
{
    for (std::string& name : stockIconStore.iconNames()) _stockIconItems.push_back({std::move(name)});
}

std::string StockIconBrowserController::itemUniqueId(size_t index) const
{
    return index < _stockIconItems.size() ? _stockIconItems[index].iconName : std::string();
}

std::shared_ptr<const Image> StockIconBrowserController::itemImage(size_t index) const
{
    return index < _stockIconItems.size() ? _stockIconItems[index].image() : nullptr;
}

std::optional<std::string> StockIconBrowserController::selectedIconName() const
{
    if (selectionIndexes().empty()) return std::nullopt;
    return _stockIconItems[selectionIndexes().front()].iconName;
}

// ---- The user's icons ----

std::string CustomImageBrowserItem::imagePath() const
{
    return imageStore ? imageStore->customImageFilePath(imageHash) : std::string();
}

CustomImageBrowserController::CustomImageBrowserController(std::shared_ptr<CustomImageStore> images,
                                                           std::string orderFolder)
    : _images(std::move(images)), _orderFolder(std::move(orderFolder))
{
    if (_images) {
        _storeObservation =
            NotificationCenter::defaultCenter().addObserver(ImageStore::CustomImagesChangedNotification, _images.get(),
                                                            [this](const Notification&) { loadImageFiles(); });
    }
    loadImageFiles();
}

CustomImageBrowserController::~CustomImageBrowserController() = default;

std::string CustomImageBrowserController::itemUniqueId(size_t index) const
{
    return index < _imageFiles.size() ? _imageFiles[index].imageHash : std::string();
}

std::shared_ptr<const Image> CustomImageBrowserController::itemImage(size_t index) const
{
    if (index >= _imageFiles.size()) return nullptr;
    const std::string path = _imageFiles[index].imagePath();
    if (path.empty()) return nullptr;
    auto image = std::make_shared<Image>(Image::fromFile(path));
    return image->isNull() ? nullptr : image;
}

std::string CustomImageBrowserController::orderedHashesFileName() const
{
    return _orderFolder + "/" + OrderFileName;
}

std::vector<std::string> CustomImageBrowserController::orderedHashes() const
{
    std::vector<std::string> hashes;
    hashes.reserve(_imageFiles.size());
    for (const CustomImageBrowserItem& item : _imageFiles) hashes.push_back(item.imageHash);
    return hashes;
}

bool CustomImageBrowserController::saveOrderedHashes()
{
    Error error;
    if (writeIconOrderFile(orderedHashesFileName(), orderedHashes(), &error)) return true;
    feedbackSinkInstance().showEditorNotification(localized("icon_picker_order_not_saved"), error.localizedDescription,
                                                  FeedbackStateError);
    return false;
}

void CustomImageBrowserController::loadImageFiles()
{
    std::vector<std::string> present;
    if (_images) {
        for (const std::string& fileName : _images->imageFiles()) {
            std::string hash = withoutExtension(fileName);
            // A file whose name is no hash cannot be shown or put on a topic.
            if (!_images->customImageFilePath(hash).empty()) present.push_back(std::move(hash));
        }
    }
    const std::vector<std::string> order = mergeIconOrder(readIconOrderFile(orderedHashesFileName()), present);
    _imageFiles.clear();
    _imageFiles.reserve(order.size());
    for (const std::string& hash : order) _imageFiles.push_back({_images.get(), hash});
    reloadData();
}

std::optional<std::string> CustomImageBrowserController::selectedImageHash() const
{
    if (selectionIndexes().empty()) return std::nullopt;
    return _imageFiles[selectionIndexes().front()].imageHash;
}

std::optional<size_t> CustomImageBrowserController::indexOfImageHash(const std::string& hash) const
{
    if (hash.empty()) return std::nullopt;
    for (size_t index = 0; index < _imageFiles.size(); ++index)
        if (_imageFiles[index].imageHash == hash) return index;
    return std::nullopt;
}

void CustomImageBrowserController::selectImageHash(const std::string& hash)
{
    if (std::optional<size_t> index = indexOfImageHash(hash)) setSelectionIndexes({*index}, true);
    else clearSelection();
}

void CustomImageBrowserController::browseButtonClicked()
{
    if (!_images) return;
    FileChooser::OpenOptions options;
    options.title = localized("topic_menu_custom_image");
    options.allowedTypes = Image::readableFileExtensions();
    options.allowsMultipleSelection = true;
    const std::vector<std::string> paths = FileChooser::shared().runOpenPanel(options);
    if (paths.empty()) return;
    std::vector<std::string> hashes;
    for (const std::string& path : paths) {
        // The store refuses what it cannot read or what is too small, and tells the user why.
        std::string hash = _images->importImageFromFile(path, imageSizeLimit());
        if (!hash.empty()) hashes.push_back(std::move(hash));
    }
    for (const std::string& hash : hashes) {
        if (indexOfImageHash(hash)) {
            selectImageHash(hash);
            return;
        }
    }
    clearSelection();
}

void CustomImageBrowserController::deleteButtonClicked()
{
    if (std::optional<std::string> hash = selectedImageHash(); hash && _images) _images->deleteCustomImage(*hash);
}

void CustomImageBrowserController::setEditingMode(bool editingMode)
{
    if (_editingMode == editingMode) return;
    _editingMode = editingMode;
    if (!editingMode) clearSelection();
}

std::optional<std::string> CustomImageBrowserController::writeItemsAtIndexes(const std::vector<size_t>& indexes) const
{
    if (!_editingMode || indexes.empty() || indexes.front() >= _imageFiles.size()) return std::nullopt;
    return _imageFiles[indexes.front()].imageHash;
}

bool CustomImageBrowserController::moveItemsAtIndexes(const std::vector<size_t>& indexes, size_t destination)
{
    const size_t count = _imageFiles.size();
    if (!_editingMode || indexes.empty() || count == 0) return false;
    const size_t source = std::min(indexes.front(), count - 1);
    destination = std::min(destination, count);
    if (source == destination) {
        reloadData();
        return false;
    }
    if (source > destination) {
        std::rotate(_imageFiles.begin() + std::ptrdiff_t(destination), _imageFiles.begin() + std::ptrdiff_t(source),
                    _imageFiles.begin() + std::ptrdiff_t(source) + 1);
    } else if (source + 1 < destination) {
        // Just before the item that was at the destination.
        std::rotate(_imageFiles.begin() + std::ptrdiff_t(source), _imageFiles.begin() + std::ptrdiff_t(source) + 1,
                    _imageFiles.begin() + std::ptrdiff_t(destination));
    }
    saveOrderedHashes();
    reloadData();
    return true;
}
