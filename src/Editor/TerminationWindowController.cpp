#include "Editor/TerminationWindowController.h"

#include "platform/Localizer.h"
#include "platform/TextExcerpt.h"

TerminationWindowController::TerminationWindowController(std::vector<TerminationProcess*> processes)
{
    takeRows(processes);
}

void TerminationWindowController::setView(TerminationWindowView* view)
{
    _view = view;
    if (_view) _view->reloadRows();
}

std::string TerminationWindowController::windowTitle() const
{
    return localized(TitleKey);
}

std::string TerminationWindowController::message() const
{
    return localized(MessageKey);
}

void TerminationWindowController::takeRows(const std::vector<TerminationProcess*>& processes)
{
    // The rows are copied: a process that completed may be gone by the time the window draws.
    _rows.clear();
    for (const TerminationProcess* process : processes)
        if (process && !process->completed())
            _rows.push_back({TextExcerpt::excerpt(process->listedText(), TextExcerpt::Name), process->iconImage()});
}

void TerminationWindowController::processesChanged(const std::vector<TerminationProcess*>& processes)
{
    if (_closed) return;
    takeRows(processes);
    if (_rows.empty()) {
        _closed = true;
        if (_view) _view->closeWindow();
        return;
    }
    if (_view) _view->reloadRows();
}
