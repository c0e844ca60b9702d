#include "editor-view/SpellingPanel.h"

namespace {
SpellingPanel* installedPanel = nullptr;
}

void SpellingPanel::setShared(SpellingPanel* panel)
{
    installedPanel = panel;
}

SpellingPanel* SpellingPanel::shared()
{
    return installedPanel;
}
