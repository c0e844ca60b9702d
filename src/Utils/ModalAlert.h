#pragma once

#include <deque>
#include <string>

enum class AlertStyle { Warning = 0, Informational = 1, Critical = 2 };

// A modal question to the user: a message, an informative text and buttons in order. Whoever asks
// hands it to the installed presenter (CommandPrompts), which answers the chosen button:
// AlertFirstButtonReturn for the first, one more for each following one.
class ModalAlert {
public:
    static constexpr int AlertFirstButtonReturn = 1000;

    struct Button {
        std::string title;
        std::string keyEquivalent; // "\r" for Return, "\033" for Escape, empty for none
    };

    const std::string& messageText() const { return _messageText; }
    void setMessageText(const std::string& text) { _messageText = text; }
    const std::string& informativeText() const { return _informativeText; }
    void setInformativeText(const std::string& text) { _informativeText = text; }
    AlertStyle alertStyle() const { return _alertStyle; }
    void setAlertStyle(AlertStyle style) { _alertStyle = style; }

    // Adds a button after the existing ones and answers it; it stays valid while the alert lives.
    Button& addButtonWithTitle(const std::string& title, const std::string& keyEquivalent = {})
    {
        _buttons.push_back({title, keyEquivalent});
        return _buttons.back();
    }
    const std::deque<Button>& buttons() const { return _buttons; }

private:
    std::string _messageText;
    std::string _informativeText;
    AlertStyle _alertStyle = AlertStyle::Warning;
    // A deque, so that the button references handed out survive later additions.
    std::deque<Button> _buttons;
};
