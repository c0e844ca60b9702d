#pragma once

// The answers of the modal property dialogs. Anything above zero counts as confirmed.
namespace ModalResult {

constexpr int OK = 1;
constexpr int RemoveLink = 2;
// A dialog window closed any other way (Cancel, Escape, the window's close button).
constexpr int Closed = -1001;
constexpr int LinkDialogClosed = -1000;
constexpr int MapStyleOK = 1000;
constexpr int MapStyleClosed = -1000;

constexpr bool isConfirmed(int result)
{
    return result > 0;
}

} // namespace ModalResult
