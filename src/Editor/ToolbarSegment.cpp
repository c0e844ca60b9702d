#include "Editor/ToolbarSegment.h"

#include "Editor/CommandRouter.h"
#include "Editor/SegmentedControl.h"

ToolbarSegment::ToolbarSegment(std::string image, Responder* target, std::string action, std::string toolTip)
    : _image(std::move(image)), _target(target), _action(std::move(action)), _toolTip(std::move(toolTip))
{
}

Responder* ToolbarSegment::findActionHandler() const
{
    if (_action.empty()) return nullptr;
    const CommandRouter& router = CommandRouter::shared();
    Responder* handler = _target;
    if (!handler) handler = router.targetForAction(_action);
    if (!handler) handler = router.keyWindowDocument();
    return handler && handler->respondsToAction(_action) ? handler : nullptr;
}

bool ToolbarSegment::validateSegment() const
{
    if (_action.empty()) return true;
    Responder* handler = findActionHandler();
    if (!handler) return false;
    return handler->validateUserInterfaceItem(*this).enabled;
}

void ToolbarSegment::doClicked(SegmentedControl& control)
{
    if (_target && _target->respondsToAction(_action)) {
        _target->performAction(_action, this);
        return;
    }
    if (Responder* handler = findActionHandler()) handler->performAction(_action, &control);
}
