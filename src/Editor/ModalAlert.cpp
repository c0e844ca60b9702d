#include "Editor/ModalAlert.h"

namespace {

ModalAlertPresenter* gPresenter = nullptr;

} // namespace

ModalAlert::Button& ModalAlert::addButtonWithTitle(const std::string& title, const std::string& keyEquivalent)
{
    _buttons.push_back({title, keyEquivalent});
    return _buttons.back();
}

int ModalAlert::runModal() const
{
    if (gPresenter) return gPresenter->runModal(*this);
    return AlertFirstButtonReturn;
}

void SetModalAlertPresenter(ModalAlertPresenter* presenter)
{
    gPresenter = presenter;
}

ModalAlertPresenter* ModalAlertPresenterInstance()
{
    return gPresenter;
}

void PresentError(const Error& error)
{
    if (gPresenter) gPresenter->presentError(error);
}
