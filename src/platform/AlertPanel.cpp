#include "platform/AlertPanel.h"

namespace {

// Without a desktop every question is dismissed: the safe answer.
class DismissingAlertPanel : public AlertPanel {
public:
    Answer runModal(const Request& request) override
    {
        return {Dismissed, request.textField ? request.textField->text : std::string()};
    }
};

AlertPanel* gAlertPanel = nullptr;

} // namespace

void AlertPanel::setShared(AlertPanel* panel)
{
    gAlertPanel = panel;
}

AlertPanel& AlertPanel::shared()
{
    static DismissingAlertPanel dismissing;
    return gAlertPanel ? *gAlertPanel : dismissing;
}
