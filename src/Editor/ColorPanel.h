#pragma once

#include "platform/Color.h"
#include "platform/Responder.h"

#include <functional>
#include <memory>
#include <string>

class ColorPanel;

// What shows the colour panel: a small window of its own around the desktop's colour chooser.
class ColorPanelView {
public:
    virtual ~ColorPanelView() = default;
    // Shows the window, or brings it forward when it shows.
    virtual void show() = 0;
    virtual void close() = 0;
    virtual bool isVisible() const = 0;
    // The chooser shows the colour; nothing is sent for it.
    virtual void setColor(const Color& color) = 0;
};

// The application's one colour panel. The colour the user chooses in it goes as "changeColor:" to
// the first responder that takes it, the colour carried as the sender's value, so that it recolours
// whatever is selected in the window. While the pointer holds the chooser (a drag across its plane)
// the colour waits and goes once the pointer lets go, so that one drag is one change of the map,
// one step to undo. Main thread only.
class ColorPanel : public ActionSender {
public:
    static constexpr const char* ChangeColorAction = "changeColor:";
    static constexpr const char* TitleKey = "relation_style_custom_color";

    using ViewFactory = std::function<std::unique_ptr<ColorPanelView>(ColorPanel& panel)>;
    // Sends the action to the first responder that takes it.
    using ActionSend = std::function<void(const std::string& action, const ActionSender& sender)>;

    // The view is made at the first orderFront(); without a factory nothing shows.
    ColorPanel(ViewFactory makeView, ActionSend send);
    ~ColorPanel() override;
    ColorPanel(const ColorPanel&) = delete;
    ColorPanel& operator=(const ColorPanel&) = delete;

    // The panel of the running application: made on first use with the factory installed at
    // start-up, sending through the shared command router.
    static ColorPanel& shared();
    static bool sharedColorPanelExists();
    static void installViewFactory(ViewFactory factory);

    void orderFront();
    // A colour held back by the pointer is dropped with the panel.
    void close();
    bool isVisible() const;

    Color color() const { return _color; }
    void setColor(const Color& color);

    // The view's half: the user chose a colour, with the pointer still held on the chooser or not.
    void userChoseColor(const Color& color, bool pointerHeld);
    // The pointer that held the chooser let go: a colour it held back goes now.
    void pointerReleased();
    bool holdsColorBack() const { return _heldBack; }

    std::any representedValue() const override { return _color; }

private:
    void sendColor();

    ViewFactory _makeView;
    ActionSend _send;
    std::unique_ptr<ColorPanelView> _view;
    Color _color = Color::white();
    bool _heldBack = false;
};
