#pragma once

#include "platform/AlertPanel.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// What the pairing dialog's PIN field holds, and whether the dialog's OK button may be pressed:
// only for exactly four decimal digits, the PIN the mobile app shows.
class DevicePinModel {
public:
    static constexpr int PinLength = 4;

    static bool isValidPin(std::string_view text);

    // The alert's control over its OK button; the button follows every change of the text.
    void setControl(std::shared_ptr<AlertPanel::AccessoryControl> control);
    void setText(const std::string& text);
    const std::string& text() const { return _text; }
    bool okEnabled() const { return isValidPin(_text); }
    // "0042" is 42; nothing while the text is no PIN.
    std::optional<int> pinValue() const;
    void updateOkButtonEnabledState() const;

private:
    std::shared_ptr<AlertPanel::AccessoryControl> _control;
    std::string _text;
};
