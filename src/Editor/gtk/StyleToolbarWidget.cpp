#include "Editor/gtk/StyleToolbarWidget.h"

#include "Editor/gtk/ToolbarImageFactory.h"

StyleToolbarWidget::StyleToolbarWidget(const StyleToolsOwner& owner)
{
    // The segments and their menus name their pictures through the one image table.
    ToolbarImageFactory::install();
    addSegmentedControlItems(StyleToolsBuilder::buildStyleTools(owner));
    int minimum = 0, natural = 0;
    get_size_request(minimum, natural);
    _defaultHeight = natural;
}
