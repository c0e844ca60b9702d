#include "Utils/TerminationProcess.h"

TerminationProcess::TerminationProcess(std::string title, std::string iconImage)
    : _title(std::move(title)), _iconImage(std::move(iconImage))
{
}

void TerminationProcess::setCompleted()
{
    if (_completed) return;
    _completed = true;
    if (_delegate) _delegate->terminationProcessCompleted(this);
}

void TerminationProcess::setAction(const std::string& action)
{
    if (action == _action) return;
    _action = action;
    if (_delegate) _delegate->terminationProcessActionChanged(this);
}

ForwardingTerminationProcess::ForwardingTerminationProcess(std::shared_ptr<TerminationProcess> inner)
    : TerminationProcess(inner->title(), inner->iconImage()), _inner(std::move(inner))
{
    _inner->setDelegate(this);
}

ForwardingTerminationProcess::~ForwardingTerminationProcess()
{
    _inner->setDelegate(nullptr);
}

void ForwardingTerminationProcess::run()
{
    if (_inner->completed()) setCompleted();
}
