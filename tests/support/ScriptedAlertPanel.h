#pragma once

#include "platform/AlertPanel.h"

#include <deque>
#include <vector>

// Answers alerts from a script (dismissing once it runs out) and keeps every request shown.
// Installs itself while it lives.
class ScriptedAlertPanel : public AlertPanel {
public:
    ScriptedAlertPanel() { AlertPanel::setShared(this); }
    ~ScriptedAlertPanel() override { AlertPanel::setShared(nullptr); }

    Answer runModal(const Request& request) override
    {
        requests.push_back(request);
        if (answers.empty()) return {Dismissed, request.textField ? request.textField->text : std::string()};
        Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<Answer> answers;
    std::vector<Request> requests;
};
