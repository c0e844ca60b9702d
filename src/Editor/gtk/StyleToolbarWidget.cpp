#include "Editor/gtk/StyleToolbarWidget.h"

#include "Editor/gtk/ToolbarImageFactory.h"

StyleToolbarWidget::StyleToolbarWidget(const StyleToolsOwner& owner)
{
    installImageResolver();
    addSegmentedControlItems(StyleToolsBuilder::buildStyleTools(owner));
    int minimum = 0, natural = 0;
    get_size_request(minimum, natural);
    _defaultHeight = natural;
}

void StyleToolbarWidget::installImageResolver()
{
    // The program's one image table maps the style pictures as well.
    ToolbarImageFactory::install();
}
