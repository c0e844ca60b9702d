#pragma once

#include "platform/Error.h"

#include <string>
#include <vector>

enum class AlertStyle { Warning = 0, Informational = 1, Critical = 2 };

// A modal question to the user: a message, an informative text and buttons in order. The answer
// is the chosen button: AlertFirstButtonReturn for the first, one more for each following one.
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

    // Adds a button after the existing ones and answers it.
    Button& addButtonWithTitle(const std::string& title, const std::string& keyEquivalent = {});
    const std::vector<Button>& buttons() const { return _buttons; }

    // Shows the alert through the installed presenter and waits for the answer.
    int runModal() const;

private:
    std::string _messageText;
    std::string _informativeText;
    AlertStyle _alertStyle = AlertStyle::Warning;
    std::vector<Button> _buttons;
};

// What shows alerts and errors to the user: the application window. Without one installed, an
// alert answers its first button and errors are not shown.
class ModalAlertPresenter {
public:
    virtual ~ModalAlertPresenter() = default;
    virtual int runModal(const ModalAlert& alert) = 0;
    virtual void presentError(const Error& error) = 0;
};

// Installs the presenter (not owned); nullptr restores the headless behaviour.
void SetModalAlertPresenter(ModalAlertPresenter* presenter);
ModalAlertPresenter* ModalAlertPresenterInstance();

// Shows an error to the user through the installed presenter.
void PresentError(const Error& error);
