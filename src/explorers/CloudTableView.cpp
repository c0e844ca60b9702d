#include "explorers/CloudTableView.h"

#include "platform/Menu.h"

void CloudTableView::setEmptyText(const std::string& text)
{
    _emptyText = text;
    updateEmptyText();
}

void CloudTableView::updateEmptyText()
{
    _showsEmptyText = numberOfRows() == 0 && !_emptyText.empty();
    showEmptyText(_showsEmptyText ? _emptyText : std::string());
}

void CloudTableView::reloadData()
{
    ++_isReloadingData;
    reloadRows();
    --_isReloadingData;
    if (!_emptyText.empty() || _showsEmptyText) updateEmptyText();
}

void CloudTableView::keyDown(const KeyEvent& event)
{
    const bool enter = event.keyValue == ReturnKey || event.keyValue == KeypadEnterKey || event.keyValue == IsoEnterKey;
    if (enter && event.modifiers == 0 && _controller) _controller->tableViewEnterKeyDown(*this);
}

void CloudTableView::moveLeft()
{
    if (_controller) _controller->tableViewMoveLeft(*this);
}

void CloudTableView::moveRight()
{
    if (_controller) _controller->tableViewMoveRight(*this);
}

std::shared_ptr<Menu> CloudTableView::menuForEvent(const PointerEvent& event)
{
    return _controller ? _controller->menuForEvent(event) : nullptr;
}

bool CloudTableView::textFieldAcceptsFirstResponder(const PointerEvent& event)
{
    return event.button != SecondaryButton;
}
