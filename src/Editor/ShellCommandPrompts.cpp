#include "Editor/ShellCommandPrompts.h"

#include "Utils/ModalAlert.h"
#include "platform/AlertPanel.h"
#include "platform/Error.h"
#include "platform/Localizer.h"

#include <algorithm>

int ShellCommandPrompts::runAlert(const ModalAlert& alert)
{
    AlertPanel::Request request;
    request.messageText = alert.messageText();
    request.informativeText = alert.informativeText();
    request.style = static_cast<AlertPanel::Style>(alert.alertStyle());
    for (const ModalAlert::Button& button : alert.buttons())
        request.buttons.push_back({button.title, button.keyEquivalent});
    const int answer = AlertPanel::shared().runModal(request).button;
    // Both count their buttons from the same first answer; a panel that answers outside the
    // buttons shown was closed without choosing.
    if (answer < ModalAlert::AlertFirstButtonReturn ||
        answer >= ModalAlert::AlertFirstButtonReturn + static_cast<int>(std::max<size_t>(alert.buttons().size(), 1)))
        return Dismissed;
    return answer;
}

void ShellCommandPrompts::presentError(const Error& error)
{
    AlertPanel::Request request;
    request.style = AlertPanel::Style::Critical;
    request.messageText = error.localizedDescription;
    request.informativeText = error.failureReason;
    request.buttons.push_back({localized("ok_button_title"), "\r"});
    AlertPanel::shared().runModal(request);
}

namespace {

ShellCommandPrompts::RelationStyleDialog& relationStyleDialog()
{
    static ShellCommandPrompts::RelationStyleDialog dialog;
    return dialog;
}

} // namespace

void ShellCommandPrompts::setRelationStyleDialog(RelationStyleDialog dialog)
{
    relationStyleDialog() = std::move(dialog);
}

bool ShellCommandPrompts::runRelationStyleDialog(const std::string& messageText, const std::string& informativeText,
                                                 const RelationStyle& working, RelationStyle& edited)
{
    return relationStyleDialog() && relationStyleDialog()(messageText, informativeText, working, edited);
}

std::optional<std::string> ShellCommandPrompts::runImageLinkPrompt(const std::string& messageText,
                                                                   const std::string& informativeText,
                                                                   const std::string& placeholder,
                                                                   const std::string& currentLink)
{
    AlertPanel::Request request;
    request.messageText = messageText;
    request.informativeText = informativeText;
    request.buttons = {{localized("ok_button_title"), "\r"}, {localized("cancel_button_title"), "\033"}};
    request.textField = AlertPanel::TextField{currentLink, placeholder};
    const AlertPanel::Answer answer = AlertPanel::shared().runModal(request);
    if (answer.button != AlertPanel::FirstButtonReturn) return std::nullopt;
    return answer.text;
}
