#pragma once

#include <any>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Modal questions of the desktop: a message, an informative text, buttons in order and, for
// prompts, one text field. The shell's prompts and the feedback log's details reach the user
// through the installed panel; without one (tests, a process without a display) every question
// is dismissed. Main thread only.
class AlertPanel {
public:
    // The answer of an alert closed without pressing any of its buttons.
    static constexpr int Dismissed = 0;
    static constexpr int FirstButtonReturn = 1000;

    enum class Style { Warning = 0, Informational = 1, Critical = 2 };

    struct Button {
        std::string title;
        std::string keyEquivalent; // "\r" for Return, "\033" for Escape, empty for none
    };

    struct TextField {
        std::string text;
        std::string placeholder;
    };

    // What an accessory may do to its alert while it shows; the panel fills it in.
    struct AccessoryControl {
        std::function<void(bool enabled)> setFirstButtonEnabled;
    };

    // Extra controls below the message: the desktop's half makes them from the content registered
    // under the name, showing the model (a plain object owned by the asker, alive while the alert
    // runs).
    struct Accessory {
        std::string content;
        std::any model;
        std::shared_ptr<AccessoryControl> control = std::make_shared<AccessoryControl>();
    };

    struct Request {
        std::string messageText;
        std::string informativeText;
        Style style = Style::Warning;
        std::vector<Button> buttons; // none gives a single OK button
        std::optional<TextField> textField;
        std::optional<Accessory> accessory;
    };

    struct Answer {
        int button = Dismissed; // FirstButtonReturn for the first button, one more for each next
        std::string text;       // what the text field holds when the alert closed
    };

    virtual ~AlertPanel() = default;

    // Shows the request and waits until the user answers.
    virtual Answer runModal(const Request& request) = 0;

    // Installs the panel (not owned); nullptr brings back the one that dismisses everything.
    static void setShared(AlertPanel* panel);
    // The installed panel; while a hold lives, the holding one.
    static AlertPanel& shared();

    // While one lives, nothing is put to the user, so that whoever waits on the caller is answered
    // first. A question (more than one button, a text field or an accessory) gets the answer of
    // one closed unanswered, which every asker takes as the safe one, and is kept by the innermost
    // hold, for its holder to ask again once it may. An alert of one button is shown once the main
    // loop comes to it after the last hold has gone.
    class Hold {
    public:
        Hold();
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

        // The questions put while this was the innermost hold, in order.
        const std::vector<Request>& questions() const { return _questions; }

    private:
        friend class AlertPanel;
        class Panel;
        Hold* _outer = nullptr;
        std::vector<Request> _questions;
    };
};
