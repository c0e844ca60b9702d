#include "MindMaps/CommandPrompts.h"

#include "Editor/ModalAlert.h"
#include "Utils/StandardButtons.h"

#include <deque>

namespace {

// Answers as a user who closes every question would: nothing is confirmed or changed.
class HeadlessCommandPrompts : public CommandPrompts {
public:
    int runAlert(const ModalAlert&) override { return Dismissed; }
    bool runRelationStyleDialog(const std::string&, const std::string&, const RelationStyle&, RelationStyle&) override
    {
        return false;
    }
    std::optional<std::string> runImageLinkPrompt(const std::string&, const std::string&, const std::string&,
                                                  const std::string&) override
    {
        return std::nullopt;
    }
};

// Lets the standard button helpers fill a ModalAlert: they set a button's key after adding it,
// so the buttons are collected first and handed over whole.
class ButtonCollector : public Alert {
public:
    AlertButton& addButtonWithTitle(const std::string& title) override { return _buttons.emplace_back(title); }

    void addTo(ModalAlert& alert) const
    {
        for (const AlertButton& button : _buttons) alert.addButtonWithTitle(button.title(), button.keyEquivalent());
    }

private:
    std::deque<AlertButton> _buttons; // keeps the references handed out valid
};

CommandPrompts* gPrompts = nullptr;

} // namespace

void SetCommandPrompts(CommandPrompts* prompts)
{
    gPrompts = prompts;
}

CommandPrompts& CommandPromptsInstance()
{
    static HeadlessCommandPrompts headless;
    return gPrompts ? *gPrompts : headless;
}

void addOKAndCancelButtons(ModalAlert& alert)
{
    ButtonCollector buttons;
    addOKButton(buttons);
    addCancelButton(buttons);
    buttons.addTo(alert);
}
