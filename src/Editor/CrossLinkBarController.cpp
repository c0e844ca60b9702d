#include "Editor/CrossLinkBarController.h"

#include "platform/Localizer.h"

std::string CrossLinkBarController::message()
{
    return localized("cross_link_bar_message");
}

std::string CrossLinkBarController::closeToolTip()
{
    return localized("close_button_title");
}

void CrossLinkBarController::closeButtonClick()
{
    // Ending the mode tells this feedback, which takes the bar away.
    _editor.externalCancelCrossLinkMode();
}

void CrossLinkBarController::showCrossLinkFeedback()
{
    if (!_view || _view->isBarShown()) return;
    _view->showBar();
}

void CrossLinkBarController::hideCrossLinkFeedback()
{
    if (_view && _view->isBarShown()) _view->hideBar();
}
