#include "Editor/FontPanel.h"

namespace {

std::function<void()>& installedCloser()
{
    static std::function<void()> closer;
    return closer;
}

} // namespace

void FontPanel::setCloser(std::function<void()> close)
{
    installedCloser() = std::move(close);
}

bool FontPanel::sharedFontPanelExists()
{
    return static_cast<bool>(installedCloser());
}

void FontPanel::closeShared()
{
    if (const std::function<void()>& close = installedCloser()) close();
}
