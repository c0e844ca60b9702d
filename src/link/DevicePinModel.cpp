#include "link/DevicePinModel.h"

bool DevicePinModel::isValidPin(std::string_view text)
{
    if (text.size() != PinLength) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

void DevicePinModel::setControl(std::shared_ptr<AlertPanel::AccessoryControl> control)
{
    _control = std::move(control);
    updateOkButtonEnabledState();
}

void DevicePinModel::setText(const std::string& text)
{
    _text = text;
    updateOkButtonEnabledState();
}

std::optional<int> DevicePinModel::pinValue() const
{
    if (!isValidPin(_text)) return std::nullopt;
    int value = 0;
    for (char c : _text) value = value * 10 + (c - '0');
    return value;
}

void DevicePinModel::updateOkButtonEnabledState() const
{
    if (_control && _control->setFirstButtonEnabled) _control->setFirstButtonEnabled(okEnabled());
}
