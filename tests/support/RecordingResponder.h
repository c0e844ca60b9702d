#pragma once

#include "platform/Responder.h"

#include <any>
#include <map>
#include <string>
#include <vector>

// A link of the responder chain for tests: handles the actions it is given, logs each as
// "<name> <action>" (with " <value>" for an int a styling sender carries), keeps the last sender,
// and validates each action as the test says (enabled unless told otherwise).
class RecordingResponder : public Responder {
public:
    RecordingResponder(std::string name, std::vector<std::string>& log) : _name(std::move(name)), _log(log) {}

    void handle(const std::string& action)
    {
        addAction(action, [this, action](const ActionSender* sender) {
            lastSender = sender;
            std::string entry = _name + " " + action;
            if (sender && sender->representedValue().type() == typeid(int))
                entry += " " + std::to_string(std::any_cast<int>(sender->representedValue()));
            _log.push_back(entry);
        });
    }
    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override
    {
        auto it = answers.find(item.action());
        return it == answers.end() ? ItemValidation{} : it->second;
    }

    std::map<std::string, ItemValidation> answers;
    const ActionSender* lastSender = nullptr;

private:
    std::string _name;
    std::vector<std::string>& _log;
};
