#pragma once

#include "Editor/StyleToolsBuilder.h"
#include "Editor/gtk/ToolbarBackgroundWidget.h"

// The style toolbar: the gradient strip with the six style controls, laid over the top of the
// canvas by the main window. Its window validates it after every event and map change.
class StyleToolbarWidget : public ToolbarBackgroundWidget {
public:
    explicit StyleToolbarWidget(const StyleToolsOwner& owner);

    // Enables each segment as its handler says.
    void validate() { background().validateSegmentedControlItems(); }
    // The strip's height as the controls made it.
    double defaultHeight() const { return _defaultHeight; }

private:
    double _defaultHeight = 0;
};
