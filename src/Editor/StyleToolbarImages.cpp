#include "Editor/StyleToolbarImages.h"

#include "Editor/ToolbarImages.h"

std::string themedIconForStyleImage(const std::string& name)
{
    // The one image table holds the style toolbar's rows too.
    const ToolbarImageRow* row = toolbarImage(name);
    return row && row->iconName ? row->iconName : std::string();
}
