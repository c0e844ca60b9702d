#pragma once

#include "Editor/StyleToolsBuilder.h"
#include "Editor/gtk/ToolbarBackgroundWidget.h"

#include <functional>
#include <memory>

class EditorDocument;
class MainWindow;

// The style toolbar: the gradient strip with the six style controls, laid over the top of the
// canvas by the main window, which validates it in its one idle pass with the other bars.
class StyleToolbarWidget : public ToolbarBackgroundWidget {
public:
    explicit StyleToolbarWidget(const StyleToolsOwner& owner);
    // The window's strip: its own actions go to the window controller, the document's to whatever
    // document the application has at the time, and the menus follow that document's map.
    StyleToolbarWidget(Responder& windowController, std::function<EditorDocument*()> document);
    ~StyleToolbarWidget() override;

    // Gives the window its style toolbar, validated with the window's other controls.
    static void install(MainWindow& window, std::function<EditorDocument*()> document);

    // Enables each segment as its handler says.
    void validate() { background().validateSegmentedControlItems(); }
    // The strip's height as the controls made it.
    double defaultHeight() { return stripHeight(); }

private:
    void build(const StyleToolsOwner& owner);

    // The document's stand-in for the segments that name it: the application's document is made
    // after the window and goes before it.
    std::unique_ptr<Responder> _document;
};
