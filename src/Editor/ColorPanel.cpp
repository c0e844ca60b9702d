#include "Editor/ColorPanel.h"

#include "Editor/CommandRouter.h"

#include <cmath>

namespace {

ColorPanel::ViewFactory& installedViewFactory()
{
    static ColorPanel::ViewFactory factory;
    return factory;
}

// Never destroyed: its window may outlive nothing of GTK at the end of the process.
ColorPanel*& sharedPanel()
{
    static ColorPanel* panel = nullptr;
    return panel;
}

bool isFinite(const Color& color)
{
    return std::isfinite(color.red()) && std::isfinite(color.green()) && std::isfinite(color.blue()) &&
        std::isfinite(color.alpha());
}

} // namespace

ColorPanel::ColorPanel(ViewFactory makeView, ActionSend send) : _makeView(std::move(makeView)), _send(std::move(send))
{
}

ColorPanel::~ColorPanel() = default;

ColorPanel& ColorPanel::shared()
{
    ColorPanel*& panel = sharedPanel();
    if (!panel) {
        panel = new ColorPanel(
            [](ColorPanel& made) {
                const ViewFactory& factory = installedViewFactory();
                return factory ? factory(made) : nullptr;
            },
            [](const std::string& action, const ActionSender& sender) {
                CommandRouter::shared().sendAction(action, nullptr, &sender);
            });
    }
    return *panel;
}

bool ColorPanel::sharedColorPanelExists()
{
    return sharedPanel() != nullptr;
}

void ColorPanel::installViewFactory(ViewFactory factory)
{
    installedViewFactory() = std::move(factory);
}

void ColorPanel::orderFront()
{
    if (!_view && _makeView) {
        _view = _makeView(*this);
        if (_view) _view->setColor(_color);
    }
    if (_view) _view->show();
}

void ColorPanel::close()
{
    _heldBack = false;
    if (_view) _view->close();
}

bool ColorPanel::isVisible() const
{
    return _view && _view->isVisible();
}

void ColorPanel::setColor(const Color& color)
{
    if (!isFinite(color)) return;
    _color = color;
    if (_view) _view->setColor(color);
}

void ColorPanel::userChoseColor(const Color& color, bool pointerHeld)
{
    if (!isFinite(color)) return;
    _color = color;
    if (pointerHeld) {
        _heldBack = true;
        return;
    }
    sendColor();
}

void ColorPanel::pointerReleased()
{
    if (_heldBack) sendColor();
}

void ColorPanel::sendColor()
{
    _heldBack = false;
    if (_send) _send(ChangeColorAction, *this);
}
