#pragma once

#include "MindMaps/CommandPrompts.h"

#include <functional>
#include <string>

// The questions of the libraries below the shell, put to the user through the desktop's alert
// panel. The relation style dialog belongs to the panels; until they install theirs it is
// cancelled.
class ShellCommandPrompts : public CommandPrompts {
public:
    int runAlert(const ModalAlert& alert) override;
    void presentError(const Error& error) override;
    bool runRelationStyleDialog(const std::string& messageText, const std::string& informativeText,
                                const RelationStyle& working, RelationStyle& edited) override;
    std::optional<std::string> runImageLinkPrompt(const std::string& messageText, const std::string& informativeText,
                                                  const std::string& placeholder,
                                                  const std::string& currentLink) override;

    using RelationStyleDialog = std::function<bool(const std::string& messageText, const std::string& informativeText,
                                                   const RelationStyle& working, RelationStyle& edited)>;
    // Installed by the panels at start-up; nullptr cancels every request again.
    static void setRelationStyleDialog(RelationStyleDialog dialog);
};
