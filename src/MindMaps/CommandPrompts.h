#pragma once

#include <optional>
#include <string>

class ModalAlert;
class RelationStyle;
struct Error;

// Every modal question and alert the libraries below the shell put to the user: confirmations,
// errors, the relation style dialog and the image link prompt. The application shell installs the
// one presenter that shows them; until it does (and in tests, unless a test installs its own),
// every question is answered the safe way (dismissed, cancelled, nothing entered) and errors are
// not shown. No library below the shell shows a window itself. Main thread only.
class CommandPrompts {
public:
    // The answer of an alert that was closed without pressing any of its buttons.
    static constexpr int Dismissed = 0;

    virtual ~CommandPrompts() = default;

    // Shows the alert and waits: ModalAlert::AlertFirstButtonReturn for its first button, one more
    // for each following one, Dismissed when none was pressed.
    virtual int runAlert(const ModalAlert& alert) = 0;

    // Shows a failed operation to the user; nothing to answer.
    virtual void presentError(const Error&) {}

    // The relation style dialog (OK and Cancel; the connection-style controls hidden), loaded with
    // `working`. On OK it writes the chosen style into `edited` and answers true; Cancel answers
    // false and leaves `edited` alone. The texts come localised.
    virtual bool runRelationStyleDialog(const std::string& messageText, const std::string& informativeText,
                                        const RelationStyle& working, RelationStyle& edited) = 0;

    // The image link prompt (OK and Cancel, one text field holding currentLink, with the
    // placeholder): the field's text as typed on OK, nothing on Cancel.
    virtual std::optional<std::string> runImageLinkPrompt(const std::string& messageText,
                                                          const std::string& informativeText,
                                                          const std::string& placeholder,
                                                          const std::string& currentLink) = 0;
};

// Installs the prompts (not owned); nullptr brings back the headless answers.
void setCommandPrompts(CommandPrompts* prompts);
// The installed prompts, else the headless ones.
CommandPrompts& commandPromptsInstance();
