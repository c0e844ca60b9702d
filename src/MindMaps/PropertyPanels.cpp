#include "MindMaps/PropertyPanels.h"

namespace {

PropertyPanels*& installedPanels()
{
    static PropertyPanels* panels = nullptr;
    return panels;
}

} // namespace

bool PropertyPanels::editMindMapStyle(MindMap*)
{
    return false;
}

bool PropertyPanels::editNodeProperties(MindMapNode*)
{
    return false;
}

bool PropertyPanels::editNoteProperties(MindMapNode*)
{
    return false;
}

bool PropertyPanels::editTextProperties(MindMapText*)
{
    return false;
}

bool PropertyPanels::selectLayoutMode(MindMap*, int32_t, int32_t)
{
    return false;
}

PropertyPanels& PropertyPanels::shared()
{
    static PropertyPanels none;
    PropertyPanels* installed = installedPanels();
    return installed ? *installed : none;
}

void PropertyPanels::install(PropertyPanels* panels)
{
    installedPanels() = panels;
}
