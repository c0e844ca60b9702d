#pragma once

// A stand-in for the application's dialogs: answers alerts from a script, remembers them and the
// errors shown, and answers the other questions as the headless prompts do.

#include "MindMaps/CommandPrompts.h"
#include "Utils/ModalAlert.h"
#include "platform/Error.h"

#include <deque>
#include <vector>

namespace maptest {

class ScriptedCommandPrompts : public CommandPrompts {
public:
    std::deque<int> alertAnswers; // in order; once empty, alerts are dismissed
    std::vector<ModalAlert> alerts;
    std::vector<Error> errors;

    int runAlert(const ModalAlert& alert) override
    {
        alerts.push_back(alert);
        if (alertAnswers.empty()) return Dismissed;
        const int answer = alertAnswers.front();
        alertAnswers.pop_front();
        return answer;
    }
    void presentError(const Error& error) override { errors.push_back(error); }
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

// Installs the prompts for its lifetime.
class ScopedCommandPrompts {
public:
    explicit ScopedCommandPrompts(CommandPrompts& prompts) { setCommandPrompts(&prompts); }
    ~ScopedCommandPrompts() { setCommandPrompts(nullptr); }
    ScopedCommandPrompts(const ScopedCommandPrompts&) = delete;
    ScopedCommandPrompts& operator=(const ScopedCommandPrompts&) = delete;
};

} // namespace maptest
