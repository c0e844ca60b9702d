#pragma once

#include "platform/Image.h"
#include "platform/NotificationCenter.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CustomImageStore;
class StockIconStore;

// What one image browser of the icon picker shows and which of its cells are selected. The
// controller owns the items and the selection; the widget asks for the items it brings into view,
// reports the user's clicks as selection changes and follows what the controller tells it.
class ImageBrowserModel {
public:
    virtual ~ImageBrowserModel() = default;

    virtual size_t numberOfItems() const = 0;
    // What tells an item apart across reloads: the icon name or the image hash.
    virtual std::string itemUniqueId(size_t index) const = 0;
    // Decoded on demand, so that only the cells brought into view cost a decoding; null when the
    // item has no picture.
    virtual std::shared_ptr<const Image> itemImage(size_t index) const = 0;

    // In ascending order; the first one is "the selected item".
    const std::vector<size_t>& selectionIndexes() const { return _selection; }
    // Indexes past the end are left out. scrollToFirst asks the widget to bring the first into view.
    void setSelectionIndexes(std::vector<size_t> indexes, bool scrollToFirst = false);
    void clearSelection() { setSelectionIndexes({}); }
    // A selection made by the widget (a click): kept without telling the widget back.
    void userSelected(std::vector<size_t> indexes);

    bool hidden() const { return _hidden; }
    void passivateBrowser();

    // The widget's side: rebuild every cell; show the selection (and the index to scroll to);
    // hide itself.
    struct ViewHandlers {
        std::function<void()> reloadData;
        std::function<void(std::optional<size_t> scrollTo)> selectionChanged;
        std::function<void()> hide;
    };
    void setViewHandlers(ViewHandlers handlers) { _view = std::move(handlers); }

protected:
    void reloadData();

private:
    std::vector<size_t> normalized(std::vector<size_t> indexes) const;

    std::vector<size_t> _selection;
    bool _hidden = false;
    ViewHandlers _view;
};

// A stock icon shown in a browser: its picture comes from the stock icon registry, or is the
// application's globe picture when the registry has none.
struct StockItemBrowserItem {
    std::string iconName;

    std::shared_ptr<const Image> image() const;
};

// One of the built-in icon sets in a browser, in the set's order.
class StockIconBrowserController : public ImageBrowserModel {
public:
    explicit StockIconBrowserController(const StockIconStore& stockIconStore);

    size_t numberOfItems() const override { return _stockIconItems.size(); }
    std::string itemUniqueId(size_t index) const override;
    std::shared_ptr<const Image> itemImage(size_t index) const override;

    // The name of the first selected icon; none without a selection.
    std::optional<std::string> selectedIconName() const;

private:
    std::vector<StockItemBrowserItem> _stockIconItems;
};

// One of the user's own icons: an image file of the custom icon store, named by its hash.
struct CustomImageBrowserItem {
    CustomImageStore* imageStore = nullptr;
    std::string imageHash;

    std::string imagePath() const;
};

// The user's own icons in the order the user gave them. The order lives in "custom-icons-order.plist"
// beside the store's other settings; the list follows every change of the store, and the user
// adds, deletes and (in the editing mode) reorders icons.
class CustomImageBrowserController : public ImageBrowserModel {
public:
    static constexpr const char* OrderFileName = "custom-icons-order.plist";
    // What a dragged cell carries; it never leaves the program.
    static constexpr const char* ReorderDragType = "Tarnwick.IconReorderPBoardType";

    // orderFolder holds the order file; the list is loaded at once and follows the store's
    // change notifications while this lives.
    CustomImageBrowserController(std::shared_ptr<CustomImageStore> images, std::string orderFolder);
    ~CustomImageBrowserController() override;
    CustomImageBrowserController(const CustomImageBrowserController&) = delete;
    CustomImageBrowserController& operator=(const CustomImageBrowserController&) = delete;

    size_t numberOfItems() const override { return _imageFiles.size(); }
    std::string itemUniqueId(size_t index) const override;
    std::shared_ptr<const Image> itemImage(size_t index) const override;

    std::string orderedHashesFileName() const;
    // Writes the shown order, all or nothing; a failure is told to the user and answered false.
    bool saveOrderedHashes();
    // Rebuilds the list from the store's files in the saved order; writes nothing.
    void loadImageFiles();
    std::vector<std::string> orderedHashes() const;

    std::optional<std::string> selectedImageHash() const;
    // The first item with that hash; none for an empty hash or an empty list.
    std::optional<size_t> indexOfImageHash(const std::string& hash) const;
    // Selects it alone and brings it into view; clears the selection when it is not shown.
    void selectImageHash(const std::string& hash);

    // The longest side of an imported icon, in pixels.
    static int64_t imageSizeLimit() { return 240; }
    // Asks for image files and imports them; the first new one shown is selected.
    void browseButtonClicked();
    // Deletes the first selected icon from the store, without asking.
    void deleteButtonClicked();

    bool editingMode() const { return _editingMode; }
    void setEditingMode(bool editingMode);

    // The drag of cells in the editing mode: what the drag carries (the first item's hash), or
    // none when no drag may start.
    std::optional<std::string> writeItemsAtIndexes(const std::vector<size_t>& indexes) const;
    // Moves the first of the items to the destination (an index in 0...n, n meaning after the
    // last). True when the order changed hands to the file.
    bool moveItemsAtIndexes(const std::vector<size_t>& indexes, size_t destination);

private:
    std::shared_ptr<CustomImageStore> _images;
    std::string _orderFolder;
    std::vector<CustomImageBrowserItem> _imageFiles;
    bool _editingMode = false;
    ObservationToken _storeObservation;
};
