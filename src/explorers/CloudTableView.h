#pragma once

#include "editor-view/EditorEvents.h"
#include "explorers/FileListAdapter.h"

#include <cstdint>
#include <memory>
#include <string>

class CloudTableView;
class Menu;

// The owner of a cloud explorer's table: told of Return, of left and right, and asked for a
// context menu. Each is optional; the defaults do nothing.
class CloudTableViewDelegate {
public:
    virtual ~CloudTableViewDelegate() = default;
    virtual std::shared_ptr<Menu> menuForEvent(const PointerEvent& /*event*/) { return nullptr; }
    virtual void tableViewMoveLeft(CloudTableView& /*table*/) {}
    virtual void tableViewMoveRight(CloudTableView& /*table*/) {}
    virtual void tableViewEnterKeyDown(CloudTableView& /*table*/) {}
};

// The table of a cloud folder's listing. This half keeps what the table decides itself: the text
// shown while it has no rows, whether a reload is under way, which keys reach its owner. The GTK
// list derives from it and shows the rows.
class CloudTableView : public FileListTable {
public:
    // Return on the main keyboard and Enter on the keypad.
    static constexpr uint32_t ReturnKey = 0xff0d;
    static constexpr uint32_t KeypadEnterKey = 0xff8d;
    static constexpr uint32_t IsoEnterKey = 0xfe34;

    // Not owned.
    CloudTableViewDelegate* controller() const { return _controller; }
    void setController(CloudTableViewDelegate* controller) { _controller = controller; }

    // Shown in the table's header while it has no rows; the header goes once rows arrive.
    const std::string& emptyText() const { return _emptyText; }
    void setEmptyText(const std::string& text);
    void updateEmptyText();
    bool showsEmptyText() const { return _showsEmptyText; }

    // Raises the reload counter around the widget's own reload, then updates the empty text.
    void reloadData() override;
    bool isReloadingData() const override { return _isReloadingData != 0; }

    // A key the table did not use itself: Return or Enter without a modifier goes to the owner.
    void keyDown(const KeyEvent& event);
    void moveLeft();
    void moveRight();
    std::shared_ptr<Menu> menuForEvent(const PointerEvent& event);
    // Starts editing the row's name in place, when the adapter allows it; false when no edit began.
    virtual bool beginEditingRow(size_t /*row*/) { return false; }
    // A right press never starts editing a name.
    static bool textFieldAcceptsFirstResponder(const PointerEvent& event);

protected:
    virtual void reloadRows() = 0;
    virtual size_t numberOfRows() const = 0;
    // Shows the empty text in the header, or no header when the text is empty.
    virtual void showEmptyText(const std::string& text) = 0;

private:
    CloudTableViewDelegate* _controller = nullptr;
    std::string _emptyText;
    bool _showsEmptyText = false;
    uint64_t _isReloadingData = 0;
};
