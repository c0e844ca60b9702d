#include "platform/AlertPanel.h"

#include "platform/MainLoop.h"

#include <deque>

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
AlertPanel::Hold* gInnermostHold = nullptr;

AlertPanel& installedPanel()
{
    static DismissingAlertPanel dismissing;
    return gAlertPanel ? *gAlertPanel : dismissing;
}

std::deque<AlertPanel::Request>& heldAlerts()
{
    static std::deque<AlertPanel::Request> alerts;
    return alerts;
}

DelayedPerform& heldAlertsShown()
{
    static DelayedPerform shown;
    return shown;
}

void showHeldAlerts()
{
    // One at a time: alerts held while one is up (a hold in its loop) follow it.
    static bool showing = false;
    if (showing) return;
    showing = true;
    while (!gInnermostHold && !heldAlerts().empty()) {
        const AlertPanel::Request request = heldAlerts().front();
        heldAlerts().pop_front();
        installedPanel().runModal(request);
    }
    showing = false;
}

} // namespace

class AlertPanel::Hold::Panel : public AlertPanel {
public:
    Answer runModal(const Request& request) override
    {
        if (request.buttons.size() > 1 || request.textField || request.accessory)
            gInnermostHold->_questions.push_back(request);
        else heldAlerts().push_back(request);
        return {Dismissed, request.textField ? request.textField->text : std::string()};
    }
};

AlertPanel::Hold::Hold() : _outer(gInnermostHold)
{
    gInnermostHold = this;
}

AlertPanel::Hold::~Hold()
{
    gInnermostHold = _outer;
    if (!gInnermostHold && !heldAlerts().empty()) heldAlertsShown() = performAfterDelay(0, showHeldAlerts);
}

void AlertPanel::setShared(AlertPanel* panel)
{
    gAlertPanel = panel;
}

AlertPanel& AlertPanel::shared()
{
    static Hold::Panel holding;
    return gInnermostHold ? holding : installedPanel();
}
